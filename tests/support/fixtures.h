// Shared fixture: a fresh fake host handed to the library, the server character set
// already discovered, and helpers to read status lists.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/control.h"
#include "bridge/status.h"
#include "tests/host/fake_host.h"
#include "tests/support/alloc_injector.h"
#include "zvi/zvi.h"

namespace testing_support {

struct Message {
    uint32_t type;
    uint32_t number;
    std::string text;
    std::string detail;
    bool hasDetail;
    bool operator==(const Message& o) const {
        return type == o.type && number == o.number && text == o.text && detail == o.detail && hasDetail == o.hasDetail;
    }
};

inline std::vector<Message> messages(const StatusList& list) {
    std::vector<Message> out;
    for (uint32_t i = 0; i < list.numItems; ++i) {
        const StatusEntry& e = list.entries[i];
        out.push_back({e.messageType, e.messageNum, e.messageText ? e.messageText : "",
                       e.appendedText ? e.appendedText : "", e.appendedText != nullptr});
    }
    return out;
}

// Message with the catalog text of its number.
inline Message catalogMessage(uint32_t type, uint32_t number, const char* detail = nullptr) {
    char text[256];
    zvi::lookupMessageText(number, text);
    return {type, number, text, detail ? detail : "", detail != nullptr};
}

inline std::ostream& operator<<(std::ostream& os, const Message& m) {
    return os << "{" << m.type << ", " << m.number << ", \"" << m.text << "\", \"" << m.detail << "\"}";
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host.initialize(), 0u);
        zvi::serverCharSetCode = 6;  // discovered (UTF-8); tests of the discovery unset it
    }
    void TearDown() override { zvi::releaseStatusList(&status, 0); }

    fake::Host host;
    StatusList status{};
    ControlRecord control{};
};

}  // namespace testing_support
