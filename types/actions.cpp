// Workflow actions, assigned values and workflow-connect records.
//
// Assigned values are trees (arithmetic operands, function and external-call
// arguments); their copies and releases walk them iteratively (types/walk.h), so a
// tree of any depth copies on a small thread stack. The records an assigned value
// points to that hold no further values (field references, DDE and SQL records) are
// copied and released at once.
//
// Choices where the caller's structure is incomplete or the rules leave memory behind:
// - a null record pointer of an assigned value is copied as null;
// - an argument list whose count is 0 or whose array is null is copied as {0, null};
// - a notify action's field list is always copied, so it is always released;
// - a failed copy of a field reference, a push assignment or an action frees what it
//   made and leaves none of the caller's pointers, so that it is always releasable;
// - the two field lists of a service action are copied the same way for both action
//   types that hold them: a failure of the second releases the first.
#include <cstdlib>
#include <cstring>

#include "types/definitions.h"
#include "types/helpers.h"
#include "types/walk.h"

namespace zvi {
namespace {

enum Kind : uint32_t { kValue, kArith, kFunction, kFilterApi, kValueArray };

template <class T, class V>
T& as(V* p) {
    return *static_cast<T*>(p);
}
template <class T, class V>
const T& as(const V* p) {
    return *static_cast<const T*>(p);
}

// A record below a value that holds no further values: a block of its own, filled by
// its copy routine at once; on a failure the block is freed and the member null.
template <class T>
bool copyLeaf(T*& member, uint32_t (*copy)(T*, const T*)) {
    const T* source = member;
    if (!source) return true;
    member = static_cast<T*>(std::malloc(sizeof(T)));
    if (member && copy(member, source) == 0) return true;
    std::free(member);
    member = nullptr;
    return false;
}

struct CopyWalk {
    bool step(uint32_t kind, void* d, const void* s, walk::Stack& pending) {
        switch (kind) {
            case kValue: return value(as<AssignValue>(d), as<AssignValue>(s), pending);
            case kArith: {  // both operands are copied whatever the operation
                auto& a = as<AssignArith>(d);
                const auto& source = as<AssignArith>(s);
                a.operation = source.operation;
                pending.push(&a.right, kValue, &source.right);
                pending.push(&a.left, kValue, &source.left);
                return true;
            }
            case kFunction:
                as<AssignFunction>(d) = as<AssignFunction>(s);
                return arguments(as<AssignFunction>(d).arguments, false, pending);
            case kFilterApi:
                std::memcpy(d, s, sizeof(AssignFilterApi));
                return arguments(as<AssignFilterApi>(d).arguments, true, pending);
        }
        return true;
    }
    void* destination(uint32_t, void* cell) { return cell; }
    void abandon(uint32_t kind, void* d) {
        switch (kind) {
            case kArith: return zeroRecord(as<AssignArith>(d));
            case kFilterApi: return zeroRecord(as<AssignFilterApi>(d));
            default: std::memset(d, 0, walk::kCellSize);  // a value or a function
        }
    }

    // Allocates the block of a node below and queues its copy.
    template <class T>
    static bool below(T*& member, uint32_t kind, walk::Stack& pending) {
        const T* source = member;
        if (!source) return true;
        member = static_cast<T*>(std::malloc(sizeof(T)));
        if (!member) return false;
        pending.push(member, kind, source);
        return true;
    }

    static bool value(AssignValue& d, const AssignValue& s, walk::Stack& pending) {
        d = s;
        switch (s.tag) {
            case ZVI_ASSIGN_VALUE: return CopyValue(&d.u.value, &s.u.value) == 0;
            case ZVI_ASSIGN_COMMAND: return duplicateMember(d.u.command);
            case ZVI_ASSIGN_FIELD: return copyLeaf(d.u.field, CopyAssignFieldRef);
            case ZVI_ASSIGN_DDE: return copyLeaf(d.u.dde, CopyAssignDde);
            case ZVI_ASSIGN_SQL: return copyLeaf(d.u.sql, CopyAssignSql);
            case ZVI_ASSIGN_ARITH: return below(d.u.arith, kArith, pending);
            case ZVI_ASSIGN_FUNCTION: return below(d.u.function, kFunction, pending);
            case ZVI_ASSIGN_FILTER_API: return below(d.u.filterApi, kFilterApi, pending);
            default: return true;
        }
    }

    // The list holds the source's count and array; it gets an array of its own, whose
    // values are queued in order.
    static bool arguments(AssignValueList& list, bool zeroFilled, walk::Stack& pending) {
        const AssignValueList source = list;
        list = AssignValueList{};
        if (source.numItems == 0 || !source.items) return true;
        auto* items = static_cast<AssignValue*>(zeroFilled ? std::calloc(source.numItems, sizeof(AssignValue))
                                                           : std::malloc(source.numItems * sizeof(AssignValue)));
        if (!items) return false;
        list = {source.numItems, items};
        for (uint32_t i = source.numItems; i-- > 0;) pending.push(&items[i], kValue, &source.items[i]);
        return true;
    }
};

struct ReleaseWalk {
    // A copy that failed is released whole: then the left operand of an arithmetic
    // node of operation 6, which a release of the host's values leaves alone, is ours.
    bool cleanup = false;

    bool take(uint32_t kind, void* node, uint32_t extra, walk::Children& c, walk::Stack& stack) {
        switch (kind) {
            case kValue: value(as<AssignValue>(node), c); return true;
            case kArith: {
                auto& a = as<AssignArith>(node);
                if (cleanup || a.operation != ZVI_ARITH_UNARY) value(a.left, c);
                value(a.right, c);
                return true;
            }
            case kFunction: arguments(as<AssignFunction>(node).arguments, c); return true;
            case kFilterApi: {
                auto& f = as<AssignFilterApi>(node);
                arguments(f.arguments, c);
                f.pluginName[0] = '\0';
                f.word = 0;
                return true;
            }
            case kValueArray:
                walk::takeArray(static_cast<AssignValue*>(node), extra, stack, value);
                return false;
        }
        return false;
    }

    static void arguments(AssignValueList& list, walk::Children& c) {
        c.add(kValueArray, list.items, list.numItems);
        list = AssignValueList{};
    }

    // Frees what a value holds inline or in a record without further values, and hands
    // over the node it points to; its member ends null.
    static void value(AssignValue& v, walk::Children& c) {
        switch (v.tag) {
            case ZVI_ASSIGN_VALUE: return ReleaseValue(&v.u.value, 0);
            case ZVI_ASSIGN_COMMAND: return freeMember(v.u.command);
            case ZVI_ASSIGN_FIELD: ReleaseAssignFieldRef(v.u.field, 1); break;
            case ZVI_ASSIGN_DDE: ReleaseAssignDde(v.u.dde, 1); break;
            case ZVI_ASSIGN_SQL: ReleaseAssignSql(v.u.sql, 1); break;
            case ZVI_ASSIGN_ARITH: c.add(kArith, v.u.arith); break;
            case ZVI_ASSIGN_FUNCTION: c.add(kFunction, v.u.function); break;
            case ZVI_ASSIGN_FILTER_API: c.add(kFilterApi, v.u.filterApi); break;
            default: return;
        }
        std::memset(v.u.raw, 0, sizeof v.u.raw);
    }
};

template <class T>
uint32_t copyTree(uint32_t kind, T* destination, const T* source) {
    return walk::copy<CopyWalk, ReleaseWalk>(kind, destination, source, false);
}

template <class T>
void releaseTree(uint32_t kind, T* record, uint8_t freeHolder, bool zeroKept = false) {
    walk::release<ReleaseWalk>(kind, record, freeHolder, zeroKept);
}

// A counted list copied element by element into an exact array; at the first failure
// the elements copied so far (and the failed one, which holds only what is ours) are
// released and the list left empty.
template <class List, class T>
uint32_t copyElements(List* destination, const List* source, uint32_t (*copy)(T*, const T*),
                      void (*release)(List*, uint8_t)) {
    if (!destination) return 0;
    *destination = List{};
    if (!source || source->numItems == 0 || !source->items) return 0;
    auto* items = static_cast<T*>(std::malloc(size_t{source->numItems} * sizeof(T)));
    if (!items) return kCopyNoMemory;
    destination->items = items;
    for (uint32_t i = 0; i < source->numItems; ++i) {
        if (const uint32_t code = copy(&items[i], &source->items[i])) {
            destination->numItems = i + 1;
            release(destination, 0);
            return code;
        }
    }
    destination->numItems = source->numItems;
    return 0;
}

uint32_t copyMailExtras(NotifyMailExtras*& member, const NotifyMailExtras* source) {
    member = nullptr;
    if (!source) return 0;
    auto* extras = static_cast<NotifyMailExtras*>(std::calloc(1, sizeof(NotifyMailExtras)));
    if (!extras) return kCopyNoMemory;
    for (size_t i = 0; i < 9; ++i) {
        if (duplicateText(extras->texts[i], source->texts[i])) continue;
        for (char*& t : extras->texts) std::free(t);
        std::free(extras);
        return kCopyNoMemory;
    }
    member = extras;
    return 0;
}

void releaseNotify(NotifyAction& n) {
    freeMember(n.user);
    freeMember(n.text);
    freeMember(n.subject);
    ReleaseIdList(&n.fieldIds, 0);
    if (n.mailExtras)
        for (char*& t : n.mailExtras->texts) std::free(t);
    std::free(n.mailExtras);
    n.mailExtras = nullptr;
}

// d holds the source's bytes. Its pointers are cleared first, then filled one by one,
// so that it never holds the caller's memory.
uint32_t copyNotify(NotifyAction& d, const NotifyAction& s) {
    d.user = d.text = d.subject = nullptr;
    d.mailExtras = nullptr;
    d.fieldIds = IdList{};
    const bool ok = duplicateText(d.user, s.user) && duplicateText(d.text, s.text) &&
                    duplicateText(d.subject, s.subject) && copyMailExtras(d.mailExtras, s.mailExtras) == 0 &&
                    CopyIdList(&d.fieldIds, &s.fieldIds) == 0;
    if (ok) return 0;
    releaseNotify(d);
    zeroRecord(d);
    return kCopyNoMemory;
}

uint32_t copyText(char*& member) { return duplicateMember(member) ? 0 : kCopyNoMemory; }

bool hasServiceLists(uint32_t actionType) {
    return actionType == ZVI_ACTION_SERVICE || actionType == ZVI_ACTION_SERVICE_12;
}

bool holdsText(uint32_t actionType) {
    return actionType == ZVI_ACTION_TEXT_3 || actionType == ZVI_ACTION_TEXT_5 || actionType == ZVI_ACTION_TEXT_11;
}

}  // namespace

uint32_t CopyAssignValue(AssignValue* d, const AssignValue* s) { return copyTree(kValue, d, s); }
uint32_t CopyAssignArith(AssignArith* d, const AssignArith* s) { return copyTree(kArith, d, s); }
uint32_t CopyAssignFunction(AssignFunction* d, const AssignFunction* s) { return copyTree(kFunction, d, s); }
uint32_t CopyAssignFilterApi(AssignFilterApi* d, const AssignFilterApi* s) { return copyTree(kFilterApi, d, s); }

void ReleaseAssignValue(AssignValue* v, uint8_t freeHolder) { releaseTree(kValue, v, freeHolder, true); }
void ReleaseAssignArith(AssignArith* a, uint8_t freeHolder) { releaseTree(kArith, a, freeHolder); }
void ReleaseAssignFunction(AssignFunction* f, uint8_t freeHolder) { releaseTree(kFunction, f, freeHolder); }
void ReleaseAssignFilterApi(AssignFilterApi* f, uint8_t freeHolder) { releaseTree(kFilterApi, f, freeHolder); }

uint32_t CopyAssignFieldRef(AssignFieldRef* destination, const AssignFieldRef* source) {
    if (!copyBytes(destination, source)) return 0;
    if (source->refKind == ZVI_REF_RECORD && !duplicateBlock(destination->u.record, ZVI_REF_RECORD_SIZE)) {
        destination->qualifier = Qualifier{};
        return kCopyNoMemory;
    }
    if (CopyQualifier(&destination->qualifier, &source->qualifier) == 0) return 0;
    if (source->refKind == ZVI_REF_RECORD) std::free(destination->u.record), destination->u.record = nullptr;
    return kCopyNoMemory;
}

void ReleaseAssignFieldRef(AssignFieldRef* ref, uint8_t freeHolder) {
    if (!ref) return;
    ReleaseQualifier(&ref->qualifier, 0);
    if (ref->refKind == ZVI_REF_RECORD) std::free(ref->u.record), ref->u.record = nullptr;
    if (freeHolder) return std::free(ref);
    ref->qualifier.operation = ZVI_QUAL_NONE;
    ref->refKind = ZVI_REF_FIELD;
}

uint32_t CopyAssignDde(AssignDde* destination, const AssignDde* source) {
    if (!copyBytes(destination, source)) return 0;
    char** texts[] = {&destination->texts[0], &destination->texts[1], &destination->texts[2],
                      &destination->moreTexts[0], &destination->moreTexts[1]};
    for (size_t i = 0; i < 5; ++i) {
        if (duplicateMember(*texts[i])) continue;
        for (size_t j = 0; j < 5; ++j) {
            if (j < i) std::free(*texts[j]);
            *texts[j] = nullptr;
        }
        return kCopyNoMemory;
    }
    return 0;
}

void ReleaseAssignDde(AssignDde* dde, uint8_t freeHolder) {
    if (!dde) return;
    for (char*& t : dde->texts) std::free(t);
    for (char*& t : dde->moreTexts) std::free(t);
    if (freeHolder) return std::free(dde);
    zeroRecord(*dde);
}

uint32_t CopyAssignSql(AssignSql* destination, const AssignSql* source) {
    if (!copyBytes(destination, source)) return 0;
    return copyText(destination->sqlCommand);
}

void ReleaseAssignSql(AssignSql* sql, uint8_t freeHolder) {
    if (!sql) return;
    freeMember(sql->sqlCommand);
    if (freeHolder) return std::free(sql);
    sql->server[0] = '\0';
}

uint32_t CopyFieldAssign(FieldAssign* destination, const FieldAssign* source) {
    if (!copyBytes(destination, source)) return 0;
    return CopyAssignValue(&destination->assign, &source->assign);
}

void ReleaseFieldAssign(FieldAssign* assign, uint8_t freeHolder) {
    if (!assign) return;
    ReleaseAssignValue(&assign->assign, 0);
    if (freeHolder) std::free(assign);
}

uint32_t CopyPushFieldAssign(PushFieldAssign* destination, const PushFieldAssign* source) {
    if (!copyBytes(destination, source)) return 0;
    uint32_t code = CopyAssignFieldRef(&destination->target, &source->target);
    if (code == 0) {
        code = CopyAssignValue(&destination->source, &source->source);
        if (code) ReleaseAssignFieldRef(&destination->target, 0);
    }
    if (code) zeroRecord(*destination);
    return code;
}

void ReleasePushFieldAssign(PushFieldAssign* assign, uint8_t freeHolder) {
    if (!assign) return;
    ReleaseAssignFieldRef(&assign->target, 0);
    ReleaseAssignValue(&assign->source, 0);
    if (freeHolder) std::free(assign);
}

uint32_t CopyFieldAssignList(FieldAssignList* d, const FieldAssignList* s) {
    return copyElements(d, s, CopyFieldAssign, ReleaseFieldAssignList);
}
uint32_t CopyPushFieldList(PushFieldList* d, const PushFieldList* s) {
    return copyElements(d, s, CopyPushFieldAssign, ReleasePushFieldList);
}
uint32_t CopyWorkflowActionList(WorkflowActionList* d, const WorkflowActionList* s) {
    return copyElements(d, s, CopyWorkflowAction, ReleaseWorkflowActionList);
}

void ReleaseFieldAssignList(FieldAssignList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](FieldAssign* a) { ReleaseFieldAssign(a, 0); });
}
void ReleasePushFieldList(PushFieldList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](PushFieldAssign* a) { ReleasePushFieldAssign(a, 0); });
}
void ReleaseWorkflowActionList(WorkflowActionList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](WorkflowAction* a) { ReleaseWorkflowAction(a, 0); });
}
void ReleaseWorkflowActionListList(WorkflowActionListList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](WorkflowActionList* l) { ReleaseWorkflowActionList(l, 0); });
}

uint32_t CopyServiceAction(ServiceAction* destination, const ServiceAction* source) {
    if (!copyBytes(destination, source)) return 0;
    if (const uint32_t code = CopyFieldAssignList(&destination->inputs, &source->inputs)) {
        destination->outputs = FieldAssignList{};
        return code;
    }
    const uint32_t code = CopyFieldAssignList(&destination->outputs, &source->outputs);
    if (code) ReleaseFieldAssignList(&destination->inputs, 0);
    return code;
}

void ReleaseServiceAction(ServiceAction* service, uint8_t freeHolder) {
    if (!service) return;
    ReleaseFieldAssignList(&service->inputs, 0);
    ReleaseFieldAssignList(&service->outputs, 0);
    if (freeHolder) return std::free(service);
    zeroRecord(*service);
}

uint32_t CopyNotifyAction(NotifyAction* d, const NotifyAction* s) { return copyBytes(d, s) ? copyNotify(*d, *s) : 0; }
uint32_t CopyMessageAction(MessageAction* d, const MessageAction* s) { return copyBytes(d, s) ? copyText(d->messageText) : 0; }
uint32_t CopySqlAction(SqlAction* d, const SqlAction* s) { return copyBytes(d, s) ? copyText(d->sqlCommand) : 0; }
uint32_t CopySetFieldsAction(SetFieldsAction* d, const SetFieldsAction* s) {
    return copyBytes(d, s) ? CopyFieldAssignList(&d->assignments, &s->assignments) : 0;
}
uint32_t CopyPushFieldsAction(PushFieldsAction* d, const PushFieldsAction* s) {
    return copyBytes(d, s) ? CopyPushFieldList(&d->pushList, &s->pushList) : 0;
}

// Kept records: a notify action is zeroed, a message or SQL action loses its text (and
// the SQL action its first byte), a field action its list.
void ReleaseNotifyAction(NotifyAction* notify, uint8_t freeHolder) {
    if (!notify) return;
    releaseNotify(*notify);
    if (freeHolder) return std::free(notify);
    zeroRecord(*notify);
}
void ReleaseMessageAction(MessageAction* message, uint8_t freeHolder) {
    if (!message) return;
    freeMember(message->messageText);
    if (freeHolder) std::free(message);
}
void ReleaseSqlAction(SqlAction* sql, uint8_t freeHolder) {
    if (!sql) return;
    freeMember(sql->sqlCommand);
    if (freeHolder) return std::free(sql);
    sql->server[0] = '\0';
}
void ReleaseSetFieldsAction(SetFieldsAction* action, uint8_t freeHolder) {
    if (!action) return;
    ReleaseFieldAssignList(&action->assignments, 0);
    if (freeHolder) std::free(action);
}
void ReleasePushFieldsAction(PushFieldsAction* action, uint8_t freeHolder) {
    if (!action) return;
    ReleasePushFieldList(&action->pushList, 0);
    if (freeHolder) std::free(action);
}

uint32_t CopyWorkflowAction(WorkflowAction* destination, const WorkflowAction* source) {
    if (!copyBytes(destination, source)) return 0;
    auto& d = destination->u;
    const auto& s = source->u;
    const uint32_t type = source->actionType;
    if (holdsText(type)) return copyText(d.text);
    if (hasServiceLists(type)) return CopyServiceAction(&d.service, &s.service);
    switch (type) {
        case ZVI_ACTION_NOTIFY: return CopyNotifyAction(&d.notify, &s.notify);
        case ZVI_ACTION_MESSAGE: return CopyMessageAction(&d.message, &s.message);
        case ZVI_ACTION_SET_FIELDS: return CopySetFieldsAction(&d.setFields, &s.setFields);
        case ZVI_ACTION_PUSH_FIELDS: return CopyPushFieldsAction(&d.pushFields, &s.pushFields);
        case ZVI_ACTION_SQL: return CopySqlAction(&d.sql, &s.sql);
        default: return 0;
    }
}

void ReleaseWorkflowAction(WorkflowAction* action, uint8_t freeHolder) {
    if (!action) return;
    auto& u = action->u;
    const uint32_t type = action->actionType;
    if (holdsText(type)) freeMember(u.text);
    if (hasServiceLists(type)) ReleaseServiceAction(&u.service, 0);
    switch (type) {
        case ZVI_ACTION_NOTIFY: ReleaseNotifyAction(&u.notify, 0); break;
        case ZVI_ACTION_MESSAGE: ReleaseMessageAction(&u.message, 0); break;
        case ZVI_ACTION_SET_FIELDS: ReleaseSetFieldsAction(&u.setFields, 0); break;
        case ZVI_ACTION_PUSH_FIELDS: ReleasePushFieldsAction(&u.pushFields, 0); break;
        case ZVI_ACTION_SQL: ReleaseSqlAction(&u.sql, 0); break;
        default: break;
    }
    if (freeHolder) return std::free(action);
    action->actionType = ZVI_ACTION_NONE;
}

uint32_t CopyWorkflowConnect(WorkflowConnect* destination, const WorkflowConnect* source) {
    if (!destination) return 0;
    if (!source) return zeroRecord(*destination), 0;
    *destination = *source;
    if (source->connectType != ZVI_CONNECT_FORMS) return 0;
    auto* names = static_cast<NameList*>(std::calloc(1, sizeof(NameList)));
    destination->u.nameList = names;
    if (!names) return kCopyNoMemory;
    if (const uint32_t code = CopyNameList(names, source->u.nameList)) {
        std::free(names);
        destination->u.nameList = nullptr;
        return code;
    }
    return 0;
}

void ReleaseWorkflowConnect(WorkflowConnect* connect, uint8_t freeHolder) {
    if (!connect) return;
    if (connect->connectType == ZVI_CONNECT_FORMS) {
        ReleaseNameList(connect->u.nameList, 1);
        connect->u.nameList = nullptr;
    }
    if (freeHolder) return std::free(connect);
    connect->connectType = 0;
}

void ReleaseWorkflowConnectList(WorkflowConnectList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](WorkflowConnect* c) { ReleaseWorkflowConnect(c, 0); });
}

}  // namespace zvi
