// Deep copy and release of the structures of definitions (properties, display
// instances, field limits), and the conversions of name and text lists between the
// host's form and the caller's. The contract of types/types.h holds: Copy<Type>
// returns 0 or 300 and leaves its destination releasable; Release<Type>(p, 1) frees
// the holder too, Release<Type>(p, 0) leaves the structure empty.
#pragma once
#include <cstdint>

#include "types/types.h"
#include "zvi/actions.h"
#include "zvi/menus.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"

namespace zvi {

// Properties, display instances, field limits.
uint32_t CopyProp(Prop* destination, const Prop* source);
uint32_t CopyPropList(PropList* destination, const PropList* source);
uint32_t CopyDisplayInstance(DisplayInstance* destination, const DisplayInstance* source);
// A list without instances arrives empty: its common properties are not copied.
uint32_t CopyDisplayInstanceList(DisplayInstanceList* destination, const DisplayInstanceList* source);
uint32_t CopyFieldLimit(FieldLimit* destination, const FieldLimit* source);
uint32_t CopyCurrencyLimits(CurrencyLimits* destination, const CurrencyLimits* source);
uint32_t CopyCurrencyDetailList(CurrencyDetailList* destination, const CurrencyDetailList* source);

void ReleaseProp(Prop* prop, uint8_t freeHolder);
void ReleasePropList(PropList* list, uint8_t freeHolder);
void ReleasePropListList(PropListList* list, uint8_t freeHolder);
void ReleaseDisplayInstance(DisplayInstance* instance, uint8_t freeHolder);
void ReleaseDisplayInstanceList(DisplayInstanceList* list, uint8_t freeHolder);
void ReleaseDisplayInstanceListList(DisplayInstanceListList* list, uint8_t freeHolder);
void ReleaseFieldLimit(FieldLimit* limit, uint8_t freeHolder);
void ReleaseFieldLimitList(FieldLimitList* list, uint8_t freeHolder);
void ReleaseCurrencyLimits(CurrencyLimits* limits, uint8_t freeHolder);

// Workflow actions and assigned values. Assigned values are copied and released
// without recursion, whatever the depth of their trees. A failed CopyAssignValue keeps
// the tag with a null member.
uint32_t CopyAssignValue(AssignValue* destination, const AssignValue* source);
uint32_t CopyAssignArith(AssignArith* destination, const AssignArith* source);
uint32_t CopyAssignFunction(AssignFunction* destination, const AssignFunction* source);
uint32_t CopyAssignFilterApi(AssignFilterApi* destination, const AssignFilterApi* source);
uint32_t CopyAssignFieldRef(AssignFieldRef* destination, const AssignFieldRef* source);
uint32_t CopyAssignDde(AssignDde* destination, const AssignDde* source);
uint32_t CopyAssignSql(AssignSql* destination, const AssignSql* source);
uint32_t CopyFieldAssign(FieldAssign* destination, const FieldAssign* source);
uint32_t CopyFieldAssignList(FieldAssignList* destination, const FieldAssignList* source);
uint32_t CopyPushFieldAssign(PushFieldAssign* destination, const PushFieldAssign* source);
uint32_t CopyPushFieldList(PushFieldList* destination, const PushFieldList* source);
uint32_t CopyNotifyAction(NotifyAction* destination, const NotifyAction* source);
uint32_t CopyMessageAction(MessageAction* destination, const MessageAction* source);
uint32_t CopySetFieldsAction(SetFieldsAction* destination, const SetFieldsAction* source);
uint32_t CopyPushFieldsAction(PushFieldsAction* destination, const PushFieldsAction* source);
uint32_t CopySqlAction(SqlAction* destination, const SqlAction* source);
uint32_t CopyServiceAction(ServiceAction* destination, const ServiceAction* source);
uint32_t CopyWorkflowAction(WorkflowAction* destination, const WorkflowAction* source);
uint32_t CopyWorkflowActionList(WorkflowActionList* destination, const WorkflowActionList* source);
// Type 1 gets a list of its own (an empty one when the source has none); other types
// are their 16 bytes.
uint32_t CopyWorkflowConnect(WorkflowConnect* destination, const WorkflowConnect* source);

void ReleaseAssignValue(AssignValue* value, uint8_t freeHolder);
// Operation 6 has only a right operand: its left one is left alone.
void ReleaseAssignArith(AssignArith* arith, uint8_t freeHolder);
void ReleaseAssignFunction(AssignFunction* function, uint8_t freeHolder);
void ReleaseAssignFilterApi(AssignFilterApi* filterApi, uint8_t freeHolder);
void ReleaseAssignFieldRef(AssignFieldRef* ref, uint8_t freeHolder);
void ReleaseAssignDde(AssignDde* dde, uint8_t freeHolder);
void ReleaseAssignSql(AssignSql* sql, uint8_t freeHolder);
void ReleaseFieldAssign(FieldAssign* assign, uint8_t freeHolder);
void ReleaseFieldAssignList(FieldAssignList* list, uint8_t freeHolder);
void ReleasePushFieldAssign(PushFieldAssign* assign, uint8_t freeHolder);
void ReleasePushFieldList(PushFieldList* list, uint8_t freeHolder);
void ReleaseNotifyAction(NotifyAction* notify, uint8_t freeHolder);
void ReleaseMessageAction(MessageAction* message, uint8_t freeHolder);
void ReleaseSetFieldsAction(SetFieldsAction* action, uint8_t freeHolder);
void ReleasePushFieldsAction(PushFieldsAction* action, uint8_t freeHolder);
void ReleaseSqlAction(SqlAction* sql, uint8_t freeHolder);
void ReleaseServiceAction(ServiceAction* service, uint8_t freeHolder);
void ReleaseWorkflowAction(WorkflowAction* action, uint8_t freeHolder);
void ReleaseWorkflowActionList(WorkflowActionList* list, uint8_t freeHolder);
void ReleaseWorkflowActionListList(WorkflowActionListList* list, uint8_t freeHolder);
void ReleaseWorkflowConnect(WorkflowConnect* connect, uint8_t freeHolder);
void ReleaseWorkflowConnectList(WorkflowConnectList* list, uint8_t freeHolder);

// Character menus, containers and export items. A menu copy returns 0, 300, 206 (a
// menu type above 6, the copy's type then 0) or 131 (an item type other than 0 to 2,
// the menu's items then released). Menus are copied and released without recursion.
uint32_t CopyCharMenuDef(CharMenuDef* destination, const CharMenuDef* source);
uint32_t CopyCharMenuItem(CharMenuItem* destination, const CharMenuItem* source);
// A count of 0 passes the caller's array pointer on (it is never freed).
uint32_t CopyContainerOwnerList(ContainerOwnerList* destination, const ContainerOwnerList* source);
uint32_t CopyContainerReference(ContainerReference* destination, const ContainerReference* source);
// A failed copy is left empty; the caller's texts are never freed.
uint32_t CopyContainerReferenceList(ContainerReferenceList* destination, const ContainerReferenceList* source);
uint32_t CopyExportItem(ExportItem* destination, const ExportItem* source);
// Room for count / 10 * 10 + 10 items.
uint32_t CopyExportItemList(ExportItemList* destination, const ExportItemList* source);

void ReleaseCharMenuDef(CharMenuDef* menu, uint8_t freeHolder);
void ReleaseCharMenuItem(CharMenuItem* item, uint8_t freeHolder);
void ReleaseContainerOwnerList(ContainerOwnerList* list, uint8_t freeHolder);
void ReleaseContainerReference(ContainerReference* reference, uint8_t freeHolder);
void ReleaseContainerReferenceList(ContainerReferenceList* list, uint8_t freeHolder);
void ReleaseExportItem(ExportItem* item, uint8_t freeHolder);
void ReleaseExportItemList(ExportItemList* list, uint8_t freeHolder);

// Visits every item of a list menu and of its sub-menus, depth first in order, without
// a stack: while visit runs, the menus above the current one are linked back and must
// not be read. Nothing is changed when it returns; always 0.
uint32_t WalkCharMenu(CharMenuDef* menu, void (*visit)(CharMenuItem*, void*) = nullptr, void* context = nullptr);

// Name and text lists. The codes are message numbers the calling operation appends
// (type 2, empty text).
constexpr uint32_t kNameTooLong = 103;     // a host name longer than 254 characters
constexpr uint32_t kNameListNoMemory = 154;

// Host form to NameList, in place: 0, 103 or 154. The host's texts and array are freed
// whatever happens; on a failure the holder is an empty list. A list without items is
// left as it is.
uint32_t ConvertNameList(NameListHolder* holder);
// NameList to host form, in place: 0 or 154. The names are freed whatever happens; on
// a failure the holder is an empty list.
uint32_t PackNameList(NameListHolder* holder);
// The same, for a holder typed by the form it has before the conversion.
inline uint32_t ConvertNameList(CountedTextList* holder) { return ConvertNameList(reinterpret_cast<NameListHolder*>(holder)); }
inline uint32_t PackNameList(NameList* holder) { return PackNameList(reinterpret_cast<NameListHolder*>(holder)); }
// The name list of a workflow-connect record of type 1, converted or packed in place;
// records of other types, and null pointers, are left alone (0). A list conversion
// stops at the first failing record and empties the lists of the records after it,
// so that the whole list reads as names.
uint32_t ConvertWorkflowConnect(WorkflowConnect* connect);
uint32_t ConvertWorkflowConnectList(WorkflowConnectList* list);
uint32_t PackWorkflowConnect(WorkflowConnect* connect);
// Packs the sub-names of every export item: 0, or the first failure, after which the
// items that follow are emptied, so that every list reads in host form.
uint32_t PackExportItems(ExportItemList* list);
// Moves the host's texts into the caller's list: 0 or 300. The host list ends empty
// (its texts released on a failure); the caller's list is empty on a failure.
uint32_t ConvertTextList(CountedTextList* host, TextList* caller);
// Releases a list in host form: every text, then the array.
void ReleaseCountedTextList(CountedTextList* list, uint8_t freeHolder);
// A list of 32-bit values, copied with exactly its own room.
uint32_t CopyUintListExact(UintList* destination, const UintList* source);
void ReleaseUintList(UintList* list, uint8_t freeHolder);
void ReleaseTextList(TextList* list, uint8_t freeHolder);

}  // namespace zvi
