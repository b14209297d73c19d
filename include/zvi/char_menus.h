/* Character menus: read, change, create, delete and list menu definitions. */
#ifndef ZVI_CHAR_MENUS_H
#define ZVI_CHAR_MENUS_H

#include "zvi/menus.h"
#include "zvi/namelists.h"
#include "zvi/properties.h"
#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

/* Refresh codes of a menu. */
enum { ZVI_REFRESH_FIRST = 1, ZVI_REFRESH_LAST = 3 };

/* ZVIGetMultipleCharMenus: one menu per name, each the caller's to release with the
 * menu release rules (its items, their texts and sub-menus). */
ZVI_COUNTED_LIST(CharMenuDefList, CharMenuDef);

/* Outputs (pointers) are written only when given and only on success, after being
 * emptied at entry. A menu handed over is the caller's with everything below it;
 * texts and lists handed over are the caller's, released with free and the
 * structures' release routines. owner and lastChangedBy are buffers of 255 bytes. */
ZVI_API uint32_t ZVIGetCharMenu(ControlRecord* control, char* name, uint32_t* refreshCode,
                                CharMenuDef* menuDefinition, char** helpText, uint32_t* timestamp, char* owner,
                                char* lastChangedBy, char** changeDiary, PropList* objectProperties,
                                StatusList* status);
/* Every argument after name is optional; a call that gives none (or only a newName
 * equal to name) changes nothing and returns warning 54. refreshCode, when given, is
 * 1, 2 or 3 (error 207). A menu that cannot be copied is reported as an error whose
 * number is the copy's status (131, 206 or 300). */
ZVI_API uint32_t ZVISetCharMenu(ControlRecord* control, char* name, char* newName, uint32_t* refreshCode,
                                CharMenuDef* menuDefinition, char* helpText, char* owner, char* changeDiary,
                                PropList* objectProperties, StatusList* status);
/* refreshCode is 1, 2 or 3 (error 207); a null menuDefinition sends an empty menu. */
ZVI_API uint32_t ZVICreateCharMenu(ControlRecord* control, char* name, uint32_t refreshCode,
                                   CharMenuDef* menuDefinition, char* helpText, char* owner, char* changeDiary,
                                   PropList* objectProperties, StatusList* status);
ZVI_API uint32_t ZVIDeleteCharMenu(ControlRecord* control, char* name, uint32_t deleteOption, StatusList* status);
/* nameList is required (error 105 without it). */
ZVI_API uint32_t ZVIGetListCharMenu(ControlRecord* control, uint32_t sinceTime, NameList* firstNameFilter,
                                    NameList* secondNameFilter, PropList* propertyFilter, NameList* nameList,
                                    StatusList* status);
ZVI_API uint32_t ZVIGetMultipleCharMenus(ControlRecord* control, uint32_t sinceTime, NameList* names,
                                         FlagList* existList, NameList* menuNames, UintList* refreshCodes,
                                         CharMenuDefList* menuDefinitions, TextList* helpTexts,
                                         UintList* timestamps, NameList* owners, NameList* lastChangedBy,
                                         TextList* changeDiaries, PropListList* objectProperties,
                                         StatusList* status);

ZVI_EXTERN_C_END

#endif
