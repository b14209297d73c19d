// View operations: the bytes the host receives and what the caller gets back, read at
// the offsets of the record tables; the checks; the frame of each operation and every
// allocation failure.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Get { constexpr size_t formName = 168, viewId = 176, wantedMask = 180; }
namespace GetResult {
constexpr size_t viewName = 168, viewLabel = 423, viewKind = 488, displayProperties = 496, helpText = 512,
                 timestamp = 528, owner = 532, lastChangedBy = 787, changeDiary = 1048, objectProperties = 1064,
                 status = 1080;
}
namespace View {  // Set and Create
constexpr size_t formName = 168, viewId = 176, name = 184, viewLabel = 192, viewKind = 200, changeMask = 204,
                 displayProperties = 208, objectProperties = 224, texts = 240 /* three */, size = 264;
}
namespace GetList { constexpr size_t formName = 168, sinceTime = 176, reserved = 180, propertyFilter = 184; }
namespace GetMultiple {
constexpr size_t formName = 168, filter = 176, wantedMask = 192, sinceTime = 196, lists = 168 /* twelve */,
                 status = 360;
}
}  // namespace at

constexpr uint32_t kGet = 12744, kSet = 12752, kCreate = 12760, kDelete = 12768, kGetList = 12776,
                   kGetMultiple = 12992;
char formName[] = "HelpDesk";

void answerGet(void*, void* r) {
    namespace G = at::GetResult;
    hostName(r, G::viewName, "Main view");
    std::memset(static_cast<char*>(r) + G::viewLabel, 'l', 65);  // no terminator in the buffer
    raw::put(r, G::viewKind, 3u);
    hostList(r, G::displayProperties, 2, 24);
    hostText(r, G::helpText, "help");
    raw::put(r, G::timestamp, 1234u);
    hostName(r, G::owner, "Owner");
    hostName(r, G::lastChangedBy, "Changer");
    hostText(r, G::changeDiary, "diary");
    raw::put(hostList(r, G::objectProperties, 1, 24), 8, textValue(0, fake::text("prop")).value);
}

// Every output of ZVIGetVUI, and their release by the caller.
struct GetOutputs {
    char viewName[255], viewLabel[65], owner[255], lastChangedBy[255];
    uint32_t viewKind, timestamp;
    PropList displayProperties, objectProperties;
    char *helpText, *changeDiary;
    GetOutputs() { std::memset(static_cast<void*>(this), 0xAB, sizeof *this); }
    uint32_t get(ControlRecord* c, StatusList* s) {
        return ZVIGetVUI(c, formName, 9, viewName, viewLabel, &viewKind, &displayProperties, &helpText, &timestamp,
                         owner, lastChangedBy, &changeDiary, &objectProperties, s);
    }
    uint32_t release(uint32_t rc) {
        zvi::ReleasePropList(&displayProperties, 0);
        zvi::ReleasePropList(&objectProperties, 0);
        for (char* text : {helpText, changeDiary}) std::free(text);
        return rc;
    }
};

// ZVIGetMultipleVUIs: twelve lists of two items (the help texts and diaries as
// counted texts, the property lists with one property each).
constexpr size_t kItemSizes[12] = {1, 4, 255, 65, 4, 16, 16, 4, 255, 255, 16, 16};
void answerMultiple(void*, void* r) {
    for (size_t i = 0; i < 12; ++i) {
        char* items = hostList(r, at::GetMultiple::lists + 16 * i, 2, kItemSizes[i]);
        for (size_t k = 0; k < 2 && kItemSizes[i] == 16; ++k) {
            if (i == 6 || i == 10) hostText(items, 16 * k, k ? "second" : "first");
            else hostList(items + 16 * k, 0, 1, 24);
        }
    }
}
struct MultipleOutputs {
    raw::List l[12] = {};
    template <class List>
    List* out(size_t i) {
        return reinterpret_cast<List*>(&l[i]);
    }
    uint32_t get(ControlRecord* c, StatusList* s, char* form, IdList* filter) {
        return ZVIGetMultipleVUIs(c, form, filter, 77, out<FlagList>(0), out<IdList>(1), out<NameList>(2),
                                  out<ViewLabelList>(3), out<UintList>(4), out<PropListList>(5), out<TextList>(6),
                                  out<UintList>(7), out<NameList>(8), out<NameList>(9), out<TextList>(10),
                                  out<PropListList>(11), s);
    }
    uint32_t release(uint32_t rc) {
        for (size_t i : {5, 11}) zvi::ReleasePropListList(out<PropListList>(i), 0);
        for (size_t i : {6, 10}) zvi::ReleaseTextList(out<TextList>(i), 0);
        for (raw::List& list : l) std::free(list.items);
        return rc;
    }
};

class ViewsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    uint32_t create(uint32_t* id, bool all = true) {
        return ZVICreateVUI(&control, formName, id, all ? name : nullptr, all ? label : nullptr, 4,
                            all ? &display : nullptr, all ? help : nullptr, all ? owner : nullptr, nullptr,
                            all ? &properties : nullptr, &status);
    }
    char name[5] = "Main", label[6] = "Label", help[5] = "help", owner[6] = "Owner", propText[5] = "prop";
    Prop props[1] = {{5, textValue(0, propText).value}};
    PropList display{1, props}, properties{1, props};
    uint32_t filterIds[2] = {3, 4};
    IdList filter{2, filterIds};
};

std::vector<DefinitionOp> ViewsTest::ops() {
    auto nothing = [](void*, void*) {};
    return {
        {"ZVIGetVUI", kGet, 62, false, "ZVIGetVUI", at::GetResult::status, answerGet,
         [](ControlRecord* c, StatusList* s) {
             GetOutputs o;
             const uint32_t rc = o.get(c, s);
             return rc < 2 ? o.release(rc) : rc;
         },
         {0}},
        {"ZVISetVUI", kSet, 63, true, "ZVISetVUI", 168, nothing,
         [this](ControlRecord* c, StatusList* s) {
             return ZVISetVUI(c, formName, 9, name, label, nullptr, &display, help, owner, nullptr, &properties, s);
         },
         {0, 300}},
        {"ZVICreateVUI", kCreate, 64, true, "ZVICreateVUI", 176, nothing,
         [this](ControlRecord* c, StatusList* s) {
             uint32_t id = 0;
             return ZVICreateVUI(c, formName, &id, name, label, 4, &display, help, owner, nullptr, &properties, s);
         },
         {0, 300}},
        {"ZVIDeleteVUI", kDelete, 65, true, "ZVIDeleteVUI", 168, nothing,
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteVUI(c, formName, 9, s); }, {0}},
        {"ZVIGetListVUI", kGetList, 66, false, "ZVIGetListVUI", 184, [](void*, void* r) { hostList(r, 168, 3, 4); },
         [this](ControlRecord* c, StatusList* s) {
             IdList ids{};
             const uint32_t rc = ZVIGetListVUI(c, formName, 5, &properties, &ids, s);
             return std::free(ids.items), rc;
         },
         {0}},
        {"ZVIGetMultipleVUIs", kGetMultiple, 88, false, "ZVIGetMultipleVUIs", at::GetMultiple::status,
         answerMultiple,
         [this](ControlRecord* c, StatusList* s) {
             MultipleOutputs o;
             return o.release(o.get(c, s, formName, &filter));
         },
         {0, 2, 300}},
    };
}

}  // namespace

TEST_F(ViewsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ViewsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Set and Create send the caller's texts, copies of its property lists, and for what
// is not given empty texts of the library's own and empty lists.
TEST_F(ViewsTest, SetAndCreateSendTheCallersArgumentsOrTheirDefaults) {
    uint32_t kind = 6, id = 12;
    auto expectView = [this](void* q, bool all) {
        namespace V = at::View;
        EXPECT_EQ(raw::text(q, V::formName), formName);
        EXPECT_STREQ(raw::text(q, V::viewLabel), all ? "Label" : "");
        EXPECT_EQ(raw::text(q, V::viewLabel) == label, all) << "the caller's pointer";
        for (size_t list : {V::displayProperties, V::objectProperties}) {
            EXPECT_EQ(raw::list(q, list).count, all ? 1u : 0u);
            EXPECT_NE(raw::list(q, list).items, props);
        }
        for (size_t i = 0; i < 3; ++i) EXPECT_STREQ(raw::text(q, V::texts + 8 * i), all && i < 2 ? (i ? owner : help) : "");
        if (all) {
            EXPECT_STREQ(raw::text(raw::list(q, V::objectProperties).items, 16), "prop");
            EXPECT_NE(raw::text(raw::list(q, V::objectProperties).items, 16), propText) << "a deep copy";
        }
    };
    host.on(kSet, [&](void* q, void*) {
        EXPECT_EQ(raw::u32(q, at::View::viewId), 9u);
        EXPECT_STREQ(raw::text(q, at::View::name), "");
        EXPECT_EQ(raw::u32(q, at::View::viewKind), 6u);
        EXPECT_EQ(raw::u32(q, at::View::changeMask), 2u | 4u | 32u | 64u | 128u);
        EXPECT_STREQ(raw::text(q, at::View::texts + 8), "") << "owner not given";
        return 1u;
    });
    EXPECT_EQ(ZVISetVUI(&control, formName, 9, nullptr, label, &kind, &display, help, nullptr, nullptr, &properties,
                        &status),
              0u);
    for (bool all : {true, false}) {
        host.on(kCreate, [&](void* q, void* r) {
            expectView(q, all);
            EXPECT_EQ(raw::u32(q, at::View::viewId), 12u);
            EXPECT_STREQ(raw::text(q, at::View::name), all ? "Main" : "");
            EXPECT_EQ(raw::u32(q, at::View::viewKind), 4u);
            EXPECT_TRUE(raw::zero(q, at::View::changeMask, at::View::changeMask + 4));
            raw::put(r, 168, 13u);
            return 1u;
        });
        id = 12;
        EXPECT_EQ(create(&id, all), 0u);
        EXPECT_EQ(id, 13u) << "the id the host assigned";
    }
    host.on(kSet, [&](void* q, void*) { return raw::u32(q, at::View::changeMask) == 1u ? 1u : 0u; });
    EXPECT_EQ(ZVISetVUI(&control, formName, 9, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        &status),
              0u)
        << "a new name is a change, whatever the current name";
}

// Set with nothing given and Create without an id pointer never reach the host.
TEST_F(ViewsTest, SetWithoutChangesAndCreateWithoutAnIdAreRefused) {
    EXPECT_EQ(ZVISetVUI(&control, formName, 9, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        &status),
              1u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_WARNING, 54)});
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(create(nullptr), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 178)});
    EXPECT_TRUE(host.events().empty()) << "not even the control record is converted";
}

TEST_F(ViewsTest, GetVUIAsksForWhatItIsGivenAndHandsItOver) {
    uint32_t mask = 0;
    host.on(kGet, [&](void* q, void* r) {
        EXPECT_EQ(raw::text(q, at::Get::formName), formName);
        EXPECT_EQ(raw::u32(q, at::Get::viewId), 9u);
        mask = raw::u32(q, at::Get::wantedMask);
        return answerGet(q, r), 1u;
    });
    GetOutputs o;
    EXPECT_EQ(o.get(&control, &status), 0u);
    EXPECT_EQ(mask, 63u);
    EXPECT_STREQ(o.viewName, "Main view");
    EXPECT_EQ(std::string(o.viewLabel), std::string(64, 'l')) << "never read past the host's buffer";
    EXPECT_EQ(o.viewKind, 3u);
    EXPECT_EQ(o.displayProperties.numItems, 2u);
    EXPECT_STREQ(o.helpText, "help");
    EXPECT_EQ(o.timestamp, 1234u);
    EXPECT_STREQ(o.owner, "Owner");
    EXPECT_STREQ(o.lastChangedBy, "Changer");
    EXPECT_STREQ(o.changeDiary, "diary");
    EXPECT_STREQ(o.objectProperties.items[0].value.payload.text, "prop");
    o.release(0);

    // A name alone: mask 0, everything else released.
    char viewName[255];
    alloc::Window window;
    EXPECT_EQ(ZVIGetVUI(&control, formName, 9, viewName, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, &status),
              0u);
    EXPECT_EQ(mask, 0u);
    EXPECT_STREQ(viewName, "Main view");
    EXPECT_EQ(window.liveBlocks(), 0u);

    // Emptied first: the property lists and texts before the status list is tested, the
    // names the host writes on request and the object properties after it.
    host.on(kGet, [](void*, void*) { return 0u; });
    for (StatusList* s : {static_cast<StatusList*>(nullptr), &status}) {
        GetOutputs e;
        EXPECT_EQ(e.get(&control, s), s ? 2u : 4u);
        EXPECT_EQ(e.displayProperties.numItems, 0u);
        EXPECT_EQ(e.helpText, nullptr);
        EXPECT_EQ(e.changeDiary, nullptr);
        EXPECT_EQ(e.objectProperties.numItems == 0 && e.owner[0] == 0 && e.lastChangedBy[0] == 0, s != nullptr);
        EXPECT_EQ(uint8_t(e.viewName[0]), 0xABu);
    }
}

TEST_F(ViewsTest, GetListVUIMovesTheHostsIds) {
    host.on(kGetList, [this](void* q, void* r) {
        namespace L = at::GetList;
        EXPECT_EQ(raw::text(q, L::formName), formName);
        EXPECT_EQ(raw::u32(q, L::sinceTime), 5u);
        EXPECT_EQ(raw::u32(q, L::reserved), 0u);
        EXPECT_EQ(raw::list(q, L::propertyFilter).items, props) << "the caller's holder";
        hostList(r, 168, 3, 4);
        return 1u;
    });
    IdList ids{7, nullptr};
    EXPECT_EQ(ZVIGetListVUI(&control, formName, 5, &properties, &ids, &status), 0u);
    EXPECT_EQ(ids.numItems, 3u);
    std::free(ids.items);
    ids.numItems = 7;
    EXPECT_EQ(ZVIGetListVUI(&control, formName, 5, nullptr, &ids, nullptr), 4u);
    EXPECT_EQ(ids.numItems, 0u) << "emptied before the status list is tested";
    host.clearEvents();
    EXPECT_EQ(ZVIGetListVUI(&control, formName, 5, nullptr, nullptr, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
    EXPECT_TRUE(host.events().empty());
}

TEST_F(ViewsTest, GetMultipleVUIsHandsOverParallelLists) {
    uint32_t mask = 0;
    host.on(kGetMultiple, [&](void* q, void* r) {
        namespace M = at::GetMultiple;
        EXPECT_EQ(raw::text(q, M::formName), formName);
        EXPECT_EQ(raw::list(q, M::filter).count, 2u);
        EXPECT_NE(raw::list(q, M::filter).items, filterIds);
        mask = raw::u32(q, M::wantedMask);
        EXPECT_EQ(raw::u32(q, M::sinceTime), 77u);
        return answerMultiple(q, r), 1u;
    });
    MultipleOutputs o;
    EXPECT_EQ(o.get(&control, &status, formName, &filter), 0u);
    EXPECT_EQ(mask, 4095u);
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(o.l[i].count, 2u) << i;
    EXPECT_STREQ(static_cast<char**>(o.l[6].items)[1], "second");
    EXPECT_STREQ(static_cast<char**>(o.l[10].items)[0], "first");
    o.release(0);

    // No form name: refused once the control record is converted, never sent.
    host.clearEvents();
    MultipleOutputs none;
    EXPECT_EQ(none.release(none.get(&control, &status, nullptr, nullptr)), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 233)});
    EXPECT_EQ(host.events(), (std::vector<fake::Event>{{fake::Event::CallerInfo, 1}}));
}
