// Helpers of the operation tests: caller values, compressed entry data, the status
// list of a result, and what a call handed its caller.
#pragma once
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "tests/support/fixtures.h"

namespace testing_support {

inline FieldValue textValue(uint32_t id, char* text) {
    FieldValue v{};
    v.fieldId = id;
    v.value.dataType = ZVI_DATA_TEXT;
    v.value.payload.text = text;
    return v;
}

// An RFC 1950 stream of text, as the host stores compressed entry data.
inline std::string deflated(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text.data()), text.size());
    out.resize(size);
    return out;
}

// The status list of a result record.
inline StatusList& statusAt(void* result, uint32_t offset) {
    return *reinterpret_cast<StatusList*>(static_cast<char*>(result) + offset);
}

// What a call handed its caller, noted before it was released.
struct Got {
    void* items = nullptr;   // the host's block the caller received as it is
    uint32_t value = 0;      // a single value handed back (a call id)
    char id[16] = "";        // a new entry's identifier
};

}  // namespace testing_support
