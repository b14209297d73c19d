/* Character menus, container owners and references, and the items of a definition
 * export. A list menu is a tree: its items are value texts or sub-menus, each sub-menu
 * a heap block owned by its item. Fixed data means what the host says. */
#ifndef ZVI_MENUS_H
#define ZVI_MENUS_H

#include "zvi/qualifier.h"

ZVI_EXTERN_C_BEGIN

struct CharMenuDef;

enum { ZVI_ITEM_NONE = 0, ZVI_ITEM_VALUE = 1, ZVI_ITEM_MENU = 2 };

typedef struct CharMenuItem {
    ObjectName label;
    uint32_t itemType;
    union {
        char* value;                 /* 1 */
        struct CharMenuDef* subMenu; /* 2 */
    } u;
} CharMenuItem;
ZVI_SIZE(CharMenuItem, 272);
ZVI_AT(CharMenuItem, itemType, 256);
ZVI_AT(CharMenuItem, u, 264);
ZVI_COUNTED_LIST(CharMenuItemList, CharMenuItem);

enum {
    ZVI_MENU_NONE = 0,
    ZVI_MENU_LIST = 1,             /* menuItems */
    ZVI_MENU_QUERY = 2,            /* query */
    ZVI_MENU_FILE = 3,             /* file */
    ZVI_MENU_SQL = 4,              /* sql */
    ZVI_MENU_DATA_DICTIONARY = 5,  /* dataDictionary */
    ZVI_MENU_FIXED = 6,            /* fixed data only */
    ZVI_MENU_TYPE_MAX = 6
};

typedef struct CharMenuDef {
    uint32_t menuType;
    union {
        CharMenuItemList menuItems;
        struct {
            uint8_t fixed[320];
            Qualifier qualifier;
            uint8_t rest[352];
        } query;
        struct {
            uint8_t fixed[8];
            char* fileName;
            uint8_t rest[680];
        } file;
        struct {
            uint8_t fixed[72];
            char* sqlCommand;
            uint8_t rest[616];
        } sql;
        struct {
            uint8_t fixed[256];
            FieldValueList labelValues;
            FieldValueList moreValues;
            QualifierList qualifiers;
            char* texts[2];
            uint8_t rest[376];
        } dataDictionary;
        uint8_t raw[696];
    } u;
} CharMenuDef;
ZVI_SIZE(CharMenuDef, 704);
ZVI_AT(CharMenuDef, u.menuItems, 8);
ZVI_AT(CharMenuDef, u.query.qualifier, 328);
ZVI_AT(CharMenuDef, u.file.fileName, 16);
ZVI_AT(CharMenuDef, u.sql.sqlCommand, 80);
ZVI_AT(CharMenuDef, u.dataDictionary.labelValues, 264);
ZVI_AT(CharMenuDef, u.dataDictionary.moreValues, 280);
ZVI_AT(CharMenuDef, u.dataDictionary.qualifiers, 296);
ZVI_AT(CharMenuDef, u.dataDictionary.texts, 312);

typedef struct ContainerOwner {
    uint32_t ownerType;
    ObjectName ownerName;
} ContainerOwner;
ZVI_SIZE(ContainerOwner, 260);
ZVI_AT(ContainerOwner, ownerName, 4);
ZVI_COUNTED_LIST(ContainerOwnerList, ContainerOwner);

/* A reference of kind 1 is external: the groups that see it and a value. */
enum { ZVI_REFERENCE_EXTERNAL = 1 };

typedef struct ContainerReference {
    char* label;
    char* description;
    uint32_t refType;
    uint32_t reserved;
    uint32_t dataKind;
    union {
        struct {
            IdList groups;
            Value value;
        } external;
        ObjectName refName;
    } u;
} ContainerReference;
ZVI_SIZE(ContainerReference, 288);
ZVI_AT(ContainerReference, description, 8);
ZVI_AT(ContainerReference, refType, 16);
ZVI_AT(ContainerReference, dataKind, 24);
ZVI_AT(ContainerReference, u.external.groups, 32);
ZVI_AT(ContainerReference, u.external.value, 48);
ZVI_AT(ContainerReference, u.refName, 32);
ZVI_COUNTED_LIST(ContainerReferenceList, ContainerReference);

typedef struct ExportItem {
    uint32_t itemType;
    ObjectName itemName;
    NameList subNames;
} ExportItem;
ZVI_SIZE(ExportItem, 280);
ZVI_AT(ExportItem, itemName, 4);
ZVI_AT(ExportItem, subNames, 264);
ZVI_COUNTED_LIST(ExportItemList, ExportItem);

ZVI_EXTERN_C_END

#endif
