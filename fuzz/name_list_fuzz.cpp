// Fuzz target: name lists between the host's form and the caller's. The input builds a
// host list of random count, lengths and texts (lengths that lie, texts without a
// terminator within their length, texts of length 0) and a caller's list of raw
// 255-byte names; both are converted and packed back and forth. A crash, an
// out-of-bounds read, a leak or a broken invariant is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "types/definitions.h"

using namespace zvi;

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t byte() {
        if (!size) return 0;
        --size;
        return *data++;
    }
    uint32_t word() { return byte() | uint32_t{byte()} << 8; }
};

[[noreturn]] void finding(const char* what) {
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

// The name a host item should give: at most its length and 254 characters, up to the
// first terminator.
std::string expected(const std::vector<uint8_t>& text, uint32_t length) {
    size_t n = 0;
    while (n < text.size() && n < length && text[n]) ++n;
    return std::string(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

void hostList(Input& in) {
    const uint32_t count = in.byte() % 40;
    auto* items = static_cast<CountedText*>(std::calloc(count ? count : 1, sizeof(CountedText)));
    std::vector<std::vector<uint8_t>> texts(count);
    std::vector<uint32_t> lengths(count);
    std::vector<char*> unowned;  // texts of length 0 stay the host's
    bool tooLong = false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t shape = in.byte();
        uint32_t length = shape & 0x80 ? 0xFFFFFFFFu - in.byte() : in.word() % 300;
        const size_t textSize = in.byte();
        for (size_t k = 0; k < textSize; ++k) texts[i].push_back(in.byte());
        const bool terminated = shape & 1;
        if (!terminated && length > textSize) length = static_cast<uint32_t>(textSize);  // the host's one promise
        lengths[i] = length;
        tooLong = tooLong || length > 254;
        if (shape & 2) {  // no text at all
            items[i] = {length, nullptr};
            texts[i].clear();
            continue;
        }
        auto* text = static_cast<char*>(std::malloc(textSize + terminated + 1));
        if (textSize) std::memcpy(text, texts[i].data(), textSize);
        if (terminated) text[textSize] = '\0';
        items[i] = {length, text};
        if (length == 0) unowned.push_back(text);
    }
    NameListHolder holder{};
    holder.host = {count, items};
    const uint32_t code = ConvertNameList(&holder);
    for (char* t : unowned) std::free(t);
    if (count == 0) {
        std::free(items);
        return;
    }
    if (code == kNameTooLong && !tooLong) finding("103 without a long name");
    if (code == 0 && tooLong) finding("a long name converted");
    if (code != 0 && code != kNameTooLong && code != kNameListNoMemory) finding("unknown code");
    if (code) {
        if (holder.names.numItems || holder.names.items) finding("a failed conversion is not empty");
        return;
    }
    if (holder.names.numItems != count) finding("count");
    for (uint32_t i = 0; i < count; ++i) {
        const char* name = holder.names.items[i];
        if (strnlen(name, ZVI_NAME_SIZE) > ZVI_NAME_SIZE - 1) finding("a name without a terminator");
        if (name != expected(texts[i], lengths[i])) finding("a name differs from its text");
    }
    // Back to the host's form, and once more to names: the same names.
    std::vector<std::string> before;
    for (uint32_t i = 0; i < count; ++i) before.emplace_back(holder.names.items[i]);
    if (PackNameList(&holder) != 0) finding("packing failed");
    for (uint32_t i = 0; i < count; ++i)
        if (holder.host.items[i].length != before[i].size() + 1) finding("packed length");
    const uint32_t again = ConvertNameList(&holder);
    if (again == 0) {
        for (uint32_t i = 0; i < count; ++i)
            if (before[i] != holder.names.items[i]) finding("round trip");
        ReleaseNameList(&holder.names, 0);
    } else if (again != kNameTooLong) {
        finding("second conversion");
    }
}

// A caller's list of raw 255-byte names, terminated or not.
void callerList(Input& in) {
    const uint32_t count = in.byte() % 20;
    if (!count) return;
    auto* names = static_cast<ObjectName*>(std::calloc(count, sizeof(ObjectName)));
    for (uint32_t i = 0; i < count; ++i) {
        const size_t size = in.byte() % (ZVI_NAME_SIZE + 1);
        for (size_t k = 0; k < size; ++k) names[i][k] = static_cast<char>(in.byte() | 1);
    }
    std::vector<std::string> before;
    for (uint32_t i = 0; i < count; ++i) before.emplace_back(names[i], strnlen(names[i], ZVI_NAME_SIZE - 1));
    NameListHolder holder{};
    holder.names = {count, names};
    if (PackNameList(&holder) != 0) finding("packing failed");
    for (uint32_t i = 0; i < count; ++i)
        if (before[i] != holder.host.items[i].text) finding("packed text");
    const uint32_t code = ConvertNameList(&holder);
    if (code == 0) ReleaseNameList(&holder.names, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    if (in.byte() & 1) {
        callerList(in);
    } else {
        hostList(in);
    }
    return 0;
}
