/* Descriptive data of definitions: property lists, the display instances that say how
 * a field looks in each view, and the limits that constrain a field's values by its
 * data type. */
#ifndef ZVI_PROPERTIES_H
#define ZVI_PROPERTIES_H

#include "zvi/qualifier.h"

ZVI_EXTERN_C_BEGIN

/* One property list per field in the multiple-field operations. */
ZVI_COUNTED_LIST(PropListList, PropList);

typedef struct DisplayInstance {
    uint32_t viewId;
    PropList props;
} DisplayInstance;
ZVI_SIZE(DisplayInstance, 24);
ZVI_AT(DisplayInstance, props, 8);

/* The properties all views share, then one instance per view. */
typedef struct DisplayInstanceList {
    PropList commonProps;
    uint32_t numItems;
    DisplayInstance* items;
} DisplayInstanceList;
ZVI_SIZE(DisplayInstanceList, 32);
ZVI_AT(DisplayInstanceList, numItems, 16);
ZVI_AT(DisplayInstanceList, items, 24);

ZVI_COUNTED_LIST(DisplayInstanceListList, DisplayInstanceList);

typedef struct CurrencyDetail {
    char currencyCode[4];
    int32_t precision;
} CurrencyDetail;
ZVI_SIZE(CurrencyDetail, 8);
ZVI_AT(CurrencyDetail, precision, 4);
ZVI_COUNTED_LIST(CurrencyDetailList, CurrencyDetail);

typedef struct CurrencyLimits {
    char* lowText;
    char* highText;
    int32_t precision;
    CurrencyDetailList allowed;
    CurrencyDetailList functional;
} CurrencyLimits;
ZVI_SIZE(CurrencyLimits, 56);
ZVI_AT(CurrencyLimits, highText, 8);
ZVI_AT(CurrencyLimits, precision, 16);
ZVI_AT(CurrencyLimits, allowed, 24);
ZVI_AT(CurrencyLimits, functional, 40);

/* The data type of a limit that holds a qualifier (its other words belong to the host). */
enum { ZVI_LIMIT_QUALIFIED = 33 };

/* Kinds of an enumeration limit (data types 6 and 8). */
enum { ZVI_ENUM_NAMES = 1, ZVI_ENUM_ITEMS = 2, ZVI_ENUM_QUERY = 3 };

/* The limit of a field, by its data type (the codes of Value). The scalar words mean
 * what the host says; they are passed on unchanged. */
typedef struct FieldLimit {
    uint32_t dataType;
    union {
        struct { int32_t low; int32_t high; } integer;                          /* 2 */
        struct { double low; double high; uint32_t precision; } real;           /* 3 */
        struct {
            uint32_t words[3];
            ObjectName name;
            char* charPattern;
            uint32_t moreWords[3];
        } text;                                                                  /* 4 */
        struct { uint32_t word; } diary;                                         /* 5 */
        struct {
            uint32_t enumKind;
            union {
                NameList enumNames;                                              /* kind 1 */
                EnumItemList enumItems;                                          /* kind 2 */
                struct {
                    ObjectName formName;
                    char server[65];
                    Qualifier qualifier;
                    uint32_t words[2];
                } enumQuery;                                                     /* kind 3 */
            } u;
        } enumeration;                                                           /* 6, 8 */
        struct { char* lowText; char* highText; uint32_t precision; } decimal;  /* 10 */
        struct { uint32_t words[3]; } attachment;                                /* 11 */
        CurrencyLimits currency;                                                 /* 12 */
        struct { uint32_t words[2]; } date;                                      /* 13 */
        struct {
            uint32_t word;
            Qualifier qualifier;
            uint32_t word2;
            ObjectName name1;
            char server1[65];
            ObjectName name2;
            char server2[65];
        } qualified;                                                             /* 33 */
        struct { uint32_t words[4]; } type34;                                    /* 34 */
        struct { uint32_t words[2]; } type43;                                    /* 43 */
        uint8_t raw[680];
    } u;
} FieldLimit;
ZVI_SIZE(FieldLimit, 688);
ZVI_AT(FieldLimit, u, 8);
ZVI_AT(FieldLimit, u.integer.high, 12);
ZVI_AT(FieldLimit, u.real.high, 16);
ZVI_AT(FieldLimit, u.real.precision, 24);
ZVI_AT(FieldLimit, u.text.name, 20);
ZVI_AT(FieldLimit, u.text.charPattern, 280);
ZVI_AT(FieldLimit, u.text.moreWords, 288);
ZVI_AT(FieldLimit, u.enumeration.u.enumNames, 16);
ZVI_AT(FieldLimit, u.enumeration.u.enumItems, 16);
ZVI_AT(FieldLimit, u.enumeration.u.enumQuery.formName, 16);
ZVI_AT(FieldLimit, u.enumeration.u.enumQuery.server, 271);
ZVI_AT(FieldLimit, u.enumeration.u.enumQuery.qualifier, 336);
ZVI_AT(FieldLimit, u.enumeration.u.enumQuery.words, 360);
ZVI_AT(FieldLimit, u.decimal.highText, 16);
ZVI_AT(FieldLimit, u.decimal.precision, 24);
ZVI_AT(FieldLimit, u.attachment.words, 8);
ZVI_AT(FieldLimit, u.currency, 8);
ZVI_AT(FieldLimit, u.date.words, 8);
ZVI_AT(FieldLimit, u.qualified.qualifier, 16);
ZVI_AT(FieldLimit, u.qualified.word2, 40);
ZVI_AT(FieldLimit, u.qualified.name1, 44);
ZVI_AT(FieldLimit, u.qualified.server1, 299);
ZVI_AT(FieldLimit, u.qualified.name2, 364);
ZVI_AT(FieldLimit, u.qualified.server2, 619);
ZVI_AT(FieldLimit, u.type34.words, 8);
ZVI_AT(FieldLimit, u.type43.words, 8);

ZVI_COUNTED_LIST(FieldLimitList, FieldLimit);

ZVI_EXTERN_C_END

#endif
