/* Lists of names and texts in the host's form and in the caller's. The host keeps a
 * text with its length (the terminator counted); the caller keeps names in 255-byte
 * buffers and lists of texts as pointers. Both forms of a list have the same 16-byte
 * holder. */
#ifndef ZVI_NAMELISTS_H
#define ZVI_NAMELISTS_H

#include "zvi/base.h"

ZVI_EXTERN_C_BEGIN

typedef struct CountedText {
    uint32_t length;
    char* text;
} CountedText;
ZVI_SIZE(CountedText, 16);
ZVI_AT(CountedText, text, 8);

ZVI_COUNTED_LIST(CountedTextList, CountedText);
ZVI_COUNTED_LIST(TextList, char*);
ZVI_COUNTED_LIST(UintList, uint32_t);

/* A name list in either form; the conversions change it in place. */
typedef union NameListHolder {
    CountedTextList host;
    NameList names;
} NameListHolder;
ZVI_SIZE(NameListHolder, 16);

ZVI_EXTERN_C_END

#endif
