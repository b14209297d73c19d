/* Definition export and import: the definitions of named objects as one text, in
 * memory or on a stream the caller opened, and a definition text handed to the server
 * (brought into the server's character set first). */
#ifndef ZVI_IMPORT_EXPORT_H
#define ZVI_IMPORT_EXPORT_H

#include <stdio.h>

#include "zvi/menus.h"

ZVI_EXTERN_C_BEGIN

/* A host option of an export: its kind and a text of at most 31 characters. */
typedef struct ExportOption {
    uint32_t optionKind;
    char optionText[32];
} ExportOption;
ZVI_SIZE(ExportOption, 36);
ZVI_AT(ExportOption, optionText, 4);

/* items names the objects (null: none); exportText and option may be null. The text
 * handed back in *exportedText is the caller's (free); *exportedText is null unless a
 * text was made. */
ZVI_API uint32_t ZVIExport(ControlRecord* control, ExportItemList* items, char* exportText, uint32_t exportFlags,
                           ExportOption* option, char** exportedText, StatusList* status);
/* The same text written to stream (open for writing) without its terminator; the
 * stream is neither flushed nor closed. */
ZVI_API uint32_t ZVIExportToFile(ControlRecord* control, ExportItemList* items, char* exportText,
                                 uint32_t exportFlags, ExportOption* option, FILE* stream, StatusList* status);
/* text: the definitions, required. A text that declares another character set than
 * the server's (a "char-set:" line before its first definition line, or an XML
 * encoding declaration) is converted before it is sent. */
ZVI_API uint32_t ZVIImport(ControlRecord* control, ExportItemList* items, char* text, uint32_t importOption,
                           StatusList* status);
/* The whole content of stream (open for reading, seekable) imported; left open. */
ZVI_API uint32_t ZVIImportFromFile(ControlRecord* control, ExportItemList* items, FILE* stream,
                                   uint32_t importOption, StatusList* status);

ZVI_EXTERN_C_END

#endif
