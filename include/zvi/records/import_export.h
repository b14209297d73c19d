/* Request and result records of definition export and import. */
#ifndef ZVI_RECORDS_IMPORT_EXPORT_H
#define ZVI_RECORDS_IMPORT_EXPORT_H

#include "zvi/host.h"
#include "zvi/import_export.h"

ZVI_EXTERN_C_BEGIN

typedef struct ExportRequest {
    RequestControl control; /* words 152 and 156 stay 0 */
    ExportItemList items;   /* deep copy; sub-names in the host's form (CountedTextList) */
    const char* exportText; /* the caller's, or an empty text of the library's */
    uint32_t exportFlags;
    uint32_t optionKind;    /* 0 without an option */
    char optionText[32];    /* at most 31 characters; empty without an option */
    uint32_t reserved;      /* always 0 */
} ExportRequest;
ZVI_SIZE(ExportRequest, 240);
ZVI_AT(ExportRequest, items, 168);
ZVI_AT(ExportRequest, exportText, 184);
ZVI_AT(ExportRequest, exportFlags, 192);
ZVI_AT(ExportRequest, optionKind, 196);
ZVI_AT(ExportRequest, optionText, 200);
ZVI_AT(ExportRequest, reserved, 232);

/* The data block: an 8-byte header of two words in network byte order (a flag, the
 * text's size), then the text. */
typedef struct ExportResult {
    ResultControl control;
    uint32_t dataLength;
    uint8_t* data;
    StatusList status;
} ExportResult;
ZVI_SIZE(ExportResult, 200);
ZVI_AT(ExportResult, dataLength, 168);
ZVI_AT(ExportResult, data, 176);
ZVI_AT(ExportResult, status, 184);

enum { ZVI_EXPORT_HEADER_SIZE = 8 };

/* The server reads 224 bytes; the fields end at 204 and the rest stays zero. */
typedef struct ImportRequest {
    RequestControl control; /* words 152 and 156 are 0, byte 160 is 1 */
    ExportItemList items;   /* as in ExportRequest; zero when none are given */
    uint32_t textLength;    /* the text's length with its terminator */
    const char* text;       /* the caller's text, or its conversion */
    uint32_t importOption;
    uint8_t reserved[20];
} ImportRequest;
ZVI_SIZE(ImportRequest, 224);
ZVI_AT(ImportRequest, items, 168);
ZVI_AT(ImportRequest, textLength, 184);
ZVI_AT(ImportRequest, text, 192);
ZVI_AT(ImportRequest, importOption, 200);
ZVI_AT(ImportRequest, reserved, 204);
typedef StatusResult ImportResult;

ZVI_EXTERN_C_END

#endif
