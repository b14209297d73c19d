/* Interface types shared by every operation: names, counted lists, tagged values,
 * status lists and the caller's control record. Compiles as C11 and as C++17. */
#ifndef ZVI_BASE_H
#define ZVI_BASE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define ZVI_LAYOUT(cond) static_assert(cond, #cond)
#define ZVI_EXTERN_C_BEGIN extern "C" {
#define ZVI_EXTERN_C_END }
#else
#define ZVI_LAYOUT(cond) _Static_assert(cond, #cond)
#define ZVI_EXTERN_C_BEGIN
#define ZVI_EXTERN_C_END
#endif

#if defined(_WIN32)
/* The DLL exports exactly the operations (callers link its import library); without
 * an export attribute every global symbol would be exported. */
#define ZVI_API __declspec(dllexport)
#else
#define ZVI_API __attribute__((visibility("default")))
#endif

/* Layout assertions: every record that crosses to the host has a fixed size and
 * fixed field offsets (64-bit natural alignment). */
#define ZVI_SIZE(T, n) ZVI_LAYOUT(sizeof(T) == (n))
#define ZVI_AT(T, field, n) ZVI_LAYOUT(offsetof(T, field) == (n))

/* Counted list: numItems, 4 bytes of padding, pointer to a contiguous array. */
#define ZVI_COUNTED_LIST(Name, Item)  \
    typedef struct Name {             \
        uint32_t numItems;            \
        Item* items;                  \
    } Name;                           \
    ZVI_SIZE(Name, 16);               \
    ZVI_AT(Name, items, 8)

ZVI_EXTERN_C_BEGIN

enum { ZVI_NAME_SIZE = 255, ZVI_ENTRY_ID_SIZE = 16 };

typedef char ObjectName[ZVI_NAME_SIZE]; /* at most 254 characters and the terminator */
typedef char EntryId[ZVI_ENTRY_ID_SIZE]; /* at most 15 characters and the terminator */

ZVI_COUNTED_LIST(NameList, ObjectName);
ZVI_COUNTED_LIST(IdList, uint32_t);
ZVI_COUNTED_LIST(EntryIdList, EntryId);

/* Message types, most severe first in every status list. */
enum { ZVI_NOTE = 0, ZVI_WARNING = 1, ZVI_ERROR = 2, ZVI_NO_MEMORY = 3, ZVI_NO_STATUS = 4 };

typedef struct StatusEntry {
    uint32_t messageType;
    uint32_t messageNum;
    char* messageText;  /* catalog text, at most 255 characters, owned by the list */
    char* appendedText; /* detail, at most 255 characters, owned by the list; may be null */
} StatusEntry;
ZVI_SIZE(StatusEntry, 24);
ZVI_AT(StatusEntry, messageNum, 4);
ZVI_AT(StatusEntry, messageText, 8);
ZVI_AT(StatusEntry, appendedText, 16);

typedef struct StatusList {
    uint32_t numItems;
    StatusEntry* entries;
} StatusList;
ZVI_SIZE(StatusList, 16);
ZVI_AT(StatusList, entries, 8);

/* Typed byte buffer. */
typedef struct ByteList {
    uint32_t kind;
    uint32_t reserved0;
    uint32_t numItems;
    uint32_t reserved1;
    uint8_t* bytes;
} ByteList;
ZVI_SIZE(ByteList, 24);
ZVI_AT(ByteList, numItems, 8);
ZVI_AT(ByteList, bytes, 16);

struct Attachment;
struct CurrencyValue;
struct IntPairList;

/* Tagged value: dataType selects the meaning of the 8-byte payload. */
typedef union ValuePayload {
    uint32_t u;
    int32_t i;
    double real;
    char* text;
    ByteList* byteList;
    struct Attachment* attachment;
    struct CurrencyValue* currency;
    struct IntPairList* intPairs;
    void* ptr;
} ValuePayload;

typedef struct Value {
    uint32_t dataType;
    ValuePayload payload;
} Value;
ZVI_SIZE(Value, 16);
ZVI_AT(Value, payload, 8);

/* Data types with memory behind them (see the copy and release routines). */
enum {
    ZVI_DATA_NONE = 0,
    ZVI_DATA_KEYWORD = 1,
    ZVI_DATA_INTEGER = 2,
    ZVI_DATA_REAL = 3,
    ZVI_DATA_TEXT = 4,
    ZVI_DATA_DIARY = 5,
    ZVI_DATA_ENUM = 6,
    ZVI_DATA_TIME = 7,
    ZVI_DATA_BITMASK = 8,
    ZVI_DATA_BYTES = 9,
    ZVI_DATA_DECIMAL = 10,
    ZVI_DATA_ATTACHMENT = 11,
    ZVI_DATA_CURRENCY = 12,
    ZVI_DATA_DATE = 13,
    ZVI_DATA_TIME_OF_DAY = 14,
    ZVI_DATA_INT_PAIRS = 41,
    ZVI_DATA_TEXT_42 = 42,
    ZVI_DATA_TEXT_43 = 43,
    ZVI_DATA_SHARED_49 = 49,
    ZVI_DATA_SHARED_50 = 50
};

/* Property: identifier and value. */
typedef struct Prop {
    uint32_t propId;
    Value value;
} Prop;
ZVI_SIZE(Prop, 24);
ZVI_AT(Prop, value, 8);
ZVI_COUNTED_LIST(PropList, Prop);

/* The caller's description of itself, first argument of most operations. The
 * library only reads it, except that a successful call writes the host's two
 * context words back. */
typedef struct ControlRecord {
    int32_t contextWord0;
    int32_t contextWord1;
    char* stringRef1;
    char* stringRef2;
    ByteList byteData;
    char* stringRef3;
    char text1[65];
    char text2[16];
    char text3[65];
    char text4[33];
    char text5[33];
    char text6[16];
    uint32_t number1;
    uint32_t number2;
    uint32_t number3;
    uint32_t number4;
    PropList pairList;
    int32_t number5;
    uint32_t number6;
    uint32_t number7;
    uint32_t number8;
} ControlRecord;
ZVI_SIZE(ControlRecord, 336);
ZVI_AT(ControlRecord, contextWord1, 4);
ZVI_AT(ControlRecord, stringRef1, 8);
ZVI_AT(ControlRecord, stringRef2, 16);
ZVI_AT(ControlRecord, byteData, 24);
ZVI_AT(ControlRecord, stringRef3, 48);
ZVI_AT(ControlRecord, text1, 56);
ZVI_AT(ControlRecord, text2, 121);
ZVI_AT(ControlRecord, text3, 137);
ZVI_AT(ControlRecord, text4, 202);
ZVI_AT(ControlRecord, text5, 235);
ZVI_AT(ControlRecord, text6, 268);
ZVI_AT(ControlRecord, number1, 284);
ZVI_AT(ControlRecord, number4, 296);
ZVI_AT(ControlRecord, pairList, 304);
ZVI_AT(ControlRecord, number5, 320);
ZVI_AT(ControlRecord, number8, 332);

ZVI_EXTERN_C_END

#endif
