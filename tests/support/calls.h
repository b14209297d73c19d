// Helpers of the operation tests: caller values, the copies a host should receive,
// field values on the heap as the host returns them, and a call's outcome in words.
#pragma once
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/support/fixtures.h"
#include "types/padding.h"

namespace testing_support {

inline FieldValue textValue(uint32_t id, char* text) {
    FieldValue v{};
    v.fieldId = id;
    v.value.dataType = ZVI_DATA_TEXT;
    v.value.payload.text = text;
    return v;
}

// A list copied for the host: the same items in a block of the library's own, with
// zeros where the caller's items have padding (whatever the caller left there).
template <class List>
void expectCopy(const List& got, const List& given) {
    using Item = std::remove_const_t<std::remove_pointer_t<decltype(given.items)>>;
    EXPECT_EQ(got.numItems, given.numItems);
    EXPECT_NE(got.items, given.items);
    const size_t size = given.numItems * sizeof(Item);
    std::vector<Item*> block(size / sizeof(Item*) + 1);  // aligned for any item
    auto* expected = reinterpret_cast<Item*>(block.data());
    std::memcpy(expected, given.items, size);
    zvi::clearPadding(expected, given.numItems);
    EXPECT_EQ(std::memcmp(got.items, expected, size), 0);
}

// A list of text field values copied deeply, texts included.
inline void expectValuesCopy(const FieldValueList& got, const FieldValueList& given) {
    ASSERT_EQ(got.numItems, given.numItems);
    EXPECT_NE(got.items, given.items);
    for (uint32_t i = 0; i < got.numItems; ++i) {
        EXPECT_EQ(got.items[i].fieldId, given.items[i].fieldId);
        EXPECT_NE(got.items[i].value.payload.text, given.items[i].value.payload.text);
        EXPECT_STREQ(got.items[i].value.payload.text, given.items[i].value.payload.text);
    }
}

inline FieldValueList hostValues(uint32_t n) {
    FieldValueList list{n, static_cast<FieldValue*>(std::calloc(n, sizeof(FieldValue)))};
    for (uint32_t i = 0; i < n; ++i) list.items[i] = textValue(1 + i, fake::text("host text"));
    return list;
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
    void* items = nullptr;
    uint32_t numItems = 0;
    uint32_t numMatches = 0;
    uint32_t value = 0;      // a single value handed back (a call id)
    char id[16] = "";        // a new entry's identifier

    // Notes a list, releases it and passes the call's code on.
    template <auto release, class List>
    uint32_t take(List& list, uint32_t rc) {
        items = list.items;
        numItems = list.numItems;
        release(&list, 0);
        return rc;
    }
    uint32_t takeId(uint32_t rc) {
        numItems = static_cast<uint32_t>(std::strlen(id));
        items = numItems ? id : nullptr;
        return rc;
    }
};

}  // namespace testing_support
