/* The host side of the interface: the entry table the server hands over, the
 * calling conventions of its entry points, and the head of every request record.
 * Plug-ins do not need this header; hosts (and host stand-ins) do. */
#ifndef ZVI_HOST_H
#define ZVI_HOST_H

#include "zvi/base.h"

ZVI_EXTERN_C_BEGIN

enum {
    ZVI_HOST_TABLE_SIZE = 13840,
    ZVI_INTERFACE_VERSION = 20,

    ZVI_SLOT_ENTER_HOOK = 12208,
    ZVI_SLOT_LEAVE_HOOK = 12216,
    ZVI_SLOT_CALLER_INFO_HOOK = 13440,
    ZVI_SLOT_ADMIN_THREAD_CHECK = 13488,
    ZVI_SLOT_FIRST = 12208,
    ZVI_SLOT_LAST = 13832
};

/* The block of entry points and data the server hands to ZVIInitialization. Only
 * the version word and the 8-byte entry points from ZVI_SLOT_FIRST on are read. */
typedef struct HostEntryTable {
    union {
        uint32_t version;
        unsigned char bytes[ZVI_HOST_TABLE_SIZE];
        void* align;
    } u;
} HostEntryTable;
ZVI_SIZE(HostEntryTable, ZVI_HOST_TABLE_SIZE);

typedef struct CallerInfo {
    uint32_t value0; /* 1 */
    uint32_t unset0;
    uint32_t value1; /* 2 */
    uint32_t unset1;
    uint32_t version; /* ZVI_INTERFACE_VERSION */
    uint32_t unset2;
} CallerInfo;
ZVI_SIZE(CallerInfo, 24);
ZVI_AT(CallerInfo, value1, 8);
ZVI_AT(CallerInfo, version, 16);

typedef void (*EnterHook)(uint8_t one, uint32_t opcode);
typedef void (*LeaveHook)(uint8_t one);
typedef void (*CallerInfoHook)(CallerInfo* info);
typedef uint32_t (*AdminThreadCheck)(uint32_t opcode);
/* Service routines return non-zero when the call was carried out. */
typedef uint32_t (*ServiceRoutine)(void* request, void* result, uint32_t zero);
typedef uint32_t (*ServiceRoutine2)(void* request, void* result);

/* Operation flags of the slot map (operations.def). */
enum {
    ZVI_F_ADMIN = 1 << 0,             /* adminThreadCheck before the call */
    ZVI_F_TWO_ARGS = 1 << 1,          /* entry takes (request, result) only */
    ZVI_F_KEEP_STATUS = 1 << 2,       /* the caller's status list is not reset */
    ZVI_F_HOST_MESSAGES = 1 << 3,     /* host messages are merged on failure too */
    ZVI_F_NO_ALLOC_CONTEXT = 1 << 4,  /* no per-thread allocation context step */
    ZVI_F_NO_CONTROL = 1 << 5,        /* no ControlRecord argument */
    ZVI_F_NO_WRITE_BACK = 1 << 6,     /* context words are not written back */
    ZVI_F_PASS_THROUGH = 1 << 7,      /* record codec entry: arguments passed unchanged */
    ZVI_F_FIRST_WORD_BACK = 1 << 8,   /* only the first context word is written back */
    ZVI_F_WORKFLOW = ZVI_F_KEEP_STATUS | ZVI_F_HOST_MESSAGES | ZVI_F_NO_CONTROL
};
#define ZVI_NO_HOOKS 0xFFFFFFFFu

/* Host-side head of every request record of an operation that takes a ControlRecord.
 * Every pointer borrows from the caller: nothing in it is ever released. */
typedef struct RequestControl {
    int32_t contextWord0;
    int32_t contextWord1;
    const char* stringRef1;
    const char* stringRef2;
    uint32_t byteKind;
    uint32_t reserved0;
    uint32_t byteCount;
    uint32_t reserved1;
    const uint8_t* bytes;
    const char* stringRef3;
    const char* text[6]; /* addresses inside the caller's record, null when empty */
    uint32_t number1;
    uint32_t number2;
    uint32_t number3;
    uint32_t number4;
    PropList pairList; /* shared with the caller, not copied */
    int32_t number5;
    uint32_t number6;
    uint32_t number7;
    uint32_t number8;
    uint32_t word152;
    int32_t word156;
    uint8_t flag160;
} RequestControl;
ZVI_SIZE(RequestControl, 168);
ZVI_AT(RequestControl, stringRef1, 8);
ZVI_AT(RequestControl, byteKind, 24);
ZVI_AT(RequestControl, byteCount, 32);
ZVI_AT(RequestControl, bytes, 40);
ZVI_AT(RequestControl, stringRef3, 48);
ZVI_AT(RequestControl, text, 56);
ZVI_AT(RequestControl, number1, 104);
ZVI_AT(RequestControl, pairList, 120);
ZVI_AT(RequestControl, number5, 136);
ZVI_AT(RequestControl, number8, 148);
ZVI_AT(RequestControl, word152, 152);
ZVI_AT(RequestControl, word156, 156);
ZVI_AT(RequestControl, flag160, 160);

/* Head of every result record: the host's context words come first. */
typedef RequestControl ResultControl;

/* Result of the operations whose only output is their messages. */
typedef struct StatusResult {
    ResultControl control;
    StatusList status;
} StatusResult;
ZVI_SIZE(StatusResult, 184);
ZVI_AT(StatusResult, status, 168);

/* How the Set request of every definition begins: the name of the object, the mask of
 * what changes, and the new name (the caller's, or an empty text of the library's own). */
#define ZVI_SET_REQUEST_HEAD                                                           \
    RequestControl control;                                                            \
    const char* name;                                                                  \
    uint32_t changeMask;                                                               \
    const char* newName
#define ZVI_SET_REQUEST_HEAD_AT(T)                                                     \
    ZVI_AT(T, name, 168);                                                              \
    ZVI_AT(T, changeMask, 176);                                                        \
    ZVI_AT(T, newName, 184)

/* What the definition records of every family end with. Set and Create send the texts
 * (the caller's, or empty texts of the library's own) and a deep copy of the
 * properties; a Get result holds the same as the host returns them. `at` is the
 * offset of helpText, a multiple of 8. */
#define ZVI_DEFINITION_TEXTS                                                           \
    const char* helpText;                                                              \
    const char* owner;                                                                 \
    const char* changeDiary;                                                           \
    PropList objectProperties
#define ZVI_DEFINITION_TEXTS_AT(T, at)                                                 \
    ZVI_AT(T, helpText, at);                                                           \
    ZVI_AT(T, owner, (at) + 8);                                                        \
    ZVI_AT(T, changeDiary, (at) + 16);                                                 \
    ZVI_AT(T, objectProperties, (at) + 24)
#define ZVI_DEFINITION_RESULT_TEXTS                                                    \
    CountedText helpText;                                                              \
    uint32_t timestamp;                                                                \
    ObjectName owner;                                                                  \
    ObjectName lastChangedBy;                                                          \
    CountedText changeDiary;                                                           \
    PropList objectProperties
#define ZVI_DEFINITION_RESULT_TEXTS_AT(T, at)                                          \
    ZVI_AT(T, helpText, at);                                                           \
    ZVI_AT(T, timestamp, (at) + 16);                                                   \
    ZVI_AT(T, owner, (at) + 20);                                                       \
    ZVI_AT(T, lastChangedBy, (at) + 275);                                              \
    ZVI_AT(T, changeDiary, (at) + 536);                                                \
    ZVI_AT(T, objectProperties, (at) + 552)

/* The same, one list item per object, in the result of every GetMultiple. */
#define ZVI_MULTIPLE_RESULT_TEXTS                                                      \
    CountedTextList helpTexts;                                                         \
    UintList timestamps;                                                               \
    NameList owners;                                                                   \
    NameList lastChangedBy;                                                            \
    CountedTextList changeDiaries;                                                     \
    PropListList objectProperties
#define ZVI_MULTIPLE_RESULT_TEXTS_AT(T, at)                                            \
    ZVI_AT(T, helpTexts, at);                                                          \
    ZVI_AT(T, timestamps, (at) + 16);                                                  \
    ZVI_AT(T, owners, (at) + 32);                                                      \
    ZVI_AT(T, lastChangedBy, (at) + 48);                                               \
    ZVI_AT(T, changeDiaries, (at) + 64);                                               \
    ZVI_AT(T, objectProperties, (at) + 80)

ZVI_EXTERN_C_END

#include "zvi/records/entries.h"
#include "zvi/records/server.h"
#include "zvi/records/transactions.h"
#include "zvi/records/workflow_context.h"
#include "zvi/records/forms.h"
#include "zvi/records/fields.h"
#include "zvi/records/multiple_fields.h"
#include "zvi/records/views.h"
#include "zvi/records/filters.h"
#include "zvi/records/active_links.h"
#include "zvi/records/escalations.h"
#include "zvi/records/import_export.h"
#include "zvi/records/access.h"
#include "zvi/records/candidates.h"
#include "zvi/records/char_menus.h"
#include "zvi/records/containers.h"

#endif
