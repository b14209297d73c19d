// Name and text lists between the host's form (a heap text with its length per name)
// and the caller's (255-byte names, or text pointers). The conversions work in place
// on the 16-byte holder inside a request or result record, and free the form they
// leave as soon as it has been copied.
//
// Host lengths are not trusted: a name is read up to its terminator but never beyond
// the length the host gives (a length without the terminator counted reads the same
// name), so a length longer than the text, or a text without a terminator, is never
// read out of bounds. A caller's name without a terminator in its 255 bytes is packed
// as its first 254 characters.
#include <cstdlib>
#include <cstring>

#include "types/definitions.h"
#include "types/helpers.h"

namespace zvi {
namespace {

constexpr uint32_t kNameMax = ZVI_NAME_SIZE - 1;  // characters of a name

}  // namespace

uint32_t ConvertNameList(NameListHolder* holder) {
    if (!holder) return 0;
    const uint32_t count = holder->host.numItems;
    CountedText* host = holder->host.items;
    if (count == 0 || !host) return 0;
    auto* names = static_cast<ObjectName*>(std::calloc(count, sizeof(ObjectName)));
    uint32_t code = names ? 0 : kNameListNoMemory;
    for (uint32_t i = 0; names && i < count; ++i) {
        const CountedText& item = host[i];
        if (item.length > kNameMax) {
            code = kNameTooLong;
            break;
        }
        if (item.length && item.text) std::memcpy(names[i], item.text, strnlen(item.text, item.length));
    }
    // A text whose length is 0 is not the list's to free.
    for (uint32_t i = 0; i < count; ++i)
        if (host[i].length && host[i].text) std::free(host[i].text);
    std::free(host);
    if (code) {
        std::free(names);
        zeroRecord(holder->names);
        return code;
    }
    holder->names = NameList{count, names};
    return 0;
}

uint32_t PackNameList(NameListHolder* holder) {
    if (!holder) return 0;
    const uint32_t count = holder->names.numItems;
    ObjectName* names = holder->names.items;
    if (count == 0 || !names) return 0;
    auto* items = static_cast<CountedText*>(std::calloc(count, sizeof(CountedText)));
    uint32_t made = 0;
    for (; items && made < count; ++made) {
        const size_t length = strnlen(names[made], kNameMax);
        auto* text = static_cast<char*>(std::malloc(length + 1));
        if (!text) break;  // its length stays 0
        std::memcpy(text, names[made], length);
        text[length] = '\0';
        items[made] = {static_cast<uint32_t>(length + 1), text};
    }
    std::free(names);
    if (items && made == count) {
        holder->host = CountedTextList{count, items};
        return 0;
    }
    for (uint32_t i = 0; i < made; ++i) std::free(items[i].text);
    std::free(items);
    zeroRecord(holder->host);
    return kNameListNoMemory;
}

namespace {

NameListHolder* formsOf(WorkflowConnect* connect) {
    if (!connect || connect->connectType != ZVI_CONNECT_FORMS) return nullptr;
    return reinterpret_cast<NameListHolder*>(connect->u.nameList);
}

}  // namespace

uint32_t ConvertWorkflowConnect(WorkflowConnect* connect) { return ConvertNameList(formsOf(connect)); }
uint32_t PackWorkflowConnect(WorkflowConnect* connect) { return PackNameList(formsOf(connect)); }

uint32_t ConvertWorkflowConnectList(WorkflowConnectList* list) {
    if (!list || !list->items) return 0;
    for (uint32_t i = 0; i < list->numItems; ++i) {
        const uint32_t code = ConvertWorkflowConnect(&list->items[i]);
        if (code == 0) continue;
        for (uint32_t j = i + 1; j < list->numItems; ++j)
            if (NameListHolder* rest = formsOf(&list->items[j])) ReleaseCountedTextList(&rest->host, 0);
        return code;
    }
    return 0;
}

// A host list without items gives an empty caller list (an array the host left with a
// count of 0 is freed). Without a caller's list the host's texts are released.
uint32_t ConvertTextList(CountedTextList* host, TextList* caller) {
    if (!host) {
        if (caller) zeroRecord(*caller);
        return 0;
    }
    if (!caller) {
        ReleaseCountedTextList(host, 0);
        return 0;
    }
    const uint32_t count = host->items ? host->numItems : 0;
    char** texts = nullptr;
    if (count) {
        texts = static_cast<char**>(std::calloc(count, sizeof(char*)));
        if (!texts) {
            ReleaseCountedTextList(host, 0);
            zeroRecord(*caller);
            return kCopyNoMemory;
        }
        for (uint32_t i = 0; i < count; ++i) {
            texts[i] = host->items[i].text;
            host->items[i] = CountedText{};
        }
    }
    std::free(host->items);
    host->items = nullptr;  // the host's count stays
    *caller = TextList{count, texts};
    return 0;
}

void ReleaseCountedTextList(CountedTextList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](CountedText* t) { freeMember(t->text); });
}

void ReleaseTextList(TextList* list, uint8_t freeHolder) {
    releaseList(list, freeHolder, [](char** t) { freeMember(*t); });
}

}  // namespace zvi
