/* Server information and utility operations: server information values and
 * properties, the server's character set, keyword test, processes and direct SQL on
 * the server, and the server's trace log. */
#ifndef ZVI_SERVER_H
#define ZVI_SERVER_H

#include "zvi/values.h"

ZVI_EXTERN_C_BEGIN

enum {
    ZVI_SERVER_INFO_CHARSET = 55, /* information identifier of the character-set name */
    ZVI_CHARSET_NAME_SIZE = 33    /* a character-set name and its terminator */
};

/* One server-information value: identifier, then the value at byte 8. */
typedef struct ServerInfo {
    uint32_t infoId;
    Value value;
} ServerInfo;
ZVI_SIZE(ServerInfo, 24);
ZVI_AT(ServerInfo, value, 8);
ZVI_COUNTED_LIST(ServerInfoList, ServerInfo);

/* Rows of a direct SQL query, one list of column values per row. */
ZVI_COUNTED_LIST(ValueListList, ValueList);

/* Records the server interprets; the library passes their 16 bytes unchanged. */
typedef struct TraceRecord {
    uint64_t words[2];
} TraceRecord;
typedef struct KeywordRecord {
    uint64_t words[2];
} KeywordRecord;

/* serverInfo (optional) receives the host's list; its numItems is set to 0 first. */
ZVI_API uint32_t ZVIGetServerInfo(ControlRecord* control, IdList* requestList, ServerInfoList* serverInfo,
                                  StatusList* status);
/* Writes the server's character-set name into charSet (ZVI_CHARSET_NAME_SIZE bytes);
 * always returns 0 and neither reads nor changes control or status. */
ZVI_API uint32_t ZVIGetServerCharSet(ControlRecord* control, char* charSet, StatusList* status);
/* The answer is the return value and the messages added to status (which is not
 * reset). word is required. */
ZVI_API uint32_t ZVICheckStringForKeyword(uint64_t value, const KeywordRecord* record, const uint64_t* word,
                                          StatusList* status);
/* Runs command on the server; returnStatus and returnText are optional outputs, the
 * caller frees returnText. */
ZVI_API uint32_t ZVIExecuteProcess(ControlRecord* control, char* command, uint32_t* returnStatus,
                                   char** returnText, StatusList* status);
/* rows is required; numMatches is optional. */
ZVI_API uint32_t ZVIGetListSQL(ControlRecord* control, char* sqlCommand, uint32_t maxRetrieve, ValueListList* rows,
                               uint32_t* numMatches, StatusList* status);
/* Formats the trace text with printf rules (at most strlen(format) + 999 characters)
 * and hands it to the server's trace log. status is not reset. */
ZVI_API uint32_t ZVIWriteTraceLog(ControlRecord* control, uint32_t traceValue1, uint32_t traceValue2,
                                  uint8_t traceFlag1, const TraceRecord* traceRecord, uint8_t traceFlag2,
                                  StatusList* status, const char* format, ...)
    __attribute__((format(printf, 8, 9)));
/* props (optional) receives the host's property list. The context words are not
 * written back. */
ZVI_API uint32_t ZVIGetServerProps(ControlRecord* control, IdList* propIds, PropList* props, StatusList* status);

ZVI_EXTERN_C_END

#endif
