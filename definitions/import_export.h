// The two pieces of definition export and import that read bytes of unknown shape:
// the export data block the host returns and the head of an import text.
#pragma once
#include <cstdint>

#include "zvi/host.h"

namespace zvi {

// The export text of the host's data block (8-byte header: flag and text size in
// network byte order, then the text). *text is a new heap text of at most the
// declared size and never more than the block holds, or null when the block is
// shorter than its header; *headerFlag is the header's flag (0 without a header).
// The block is freed and the result's fields cleared in every case. False when the
// text cannot be allocated.
bool takeExportText(ExportResult& result, char** text, uint32_t* headerFlag);

// The character set an import text is in: the set it declares (through the
// character-set routines, or on a "char-set:" line before its first line that is
// neither empty nor a comment), else the server's.
uint32_t importCharSet(const char* text);

}  // namespace zvi
