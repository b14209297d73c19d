// View operations: the bytes the host receives (checked by each operation's host
// routine whenever it is called) and what the caller gets back, read at the offsets of
// the record tables; the checks; the frame of each operation and every allocation
// failure.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Get {
constexpr size_t formName = 168, viewId = 176, wantedMask = 180, viewName = 168, viewLabel = 423, viewKind = 488,
                 displayProperties = 496, helpText = 512, timestamp = 528, owner = 532, lastChangedBy = 787,
                 changeDiary = 1048, objectProperties = 1064, status = 1080;
}
namespace View {  // Set and Create
constexpr size_t formName = 168, viewId = 176, name = 184, viewLabel = 192, viewKind = 200, changeMask = 204,
                 displayProperties = 208, objectProperties = 224, texts = 240 /* three */, assignedId = 168;
}
namespace GetList { constexpr size_t formName = 168, sinceTime = 176, reserved = 180, propertyFilter = 184; }
namespace GetMultiple { constexpr size_t formName = 168, filter = 176, wantedMask = 192, sinceTime = 196, status = 360; }
}  // namespace at

constexpr uint32_t kGet = 12744, kSet = 12752, kCreate = 12760, kGetMultiple = 12992;
char formName[] = "HelpDesk";

void answerGet(void* q, void* r) {
    namespace G = at::Get;
    EXPECT_EQ(raw::text(q, G::formName), formName);
    EXPECT_EQ(raw::u32(q, G::viewId), 9u);
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

// The outputs of ZVIGetVUI: every one, or the view's name alone. What the host sends
// is handed over (a name alone: nothing else asked for, the rest released).
struct GetOutputs {
    char viewName[255], viewLabel[65], owner[255], lastChangedBy[255];
    uint32_t viewKind, timestamp;
    PropList displayProperties, objectProperties;
    char *helpText, *changeDiary;
    GetOutputs() { std::memset(static_cast<void*>(this), 0xAB, sizeof *this); }
    uint32_t get(ControlRecord* c, StatusList* s, bool all = true) {
        const uint32_t rc =
            all ? ZVIGetVUI(c, formName, 9, viewName, viewLabel, &viewKind, &displayProperties, &helpText, &timestamp,
                            owner, lastChangedBy, &changeDiary, &objectProperties, s)
                : ZVIGetVUI(c, formName, 9, viewName, 0, 0, 0, 0, 0, 0, 0, 0, 0, s);
        if (rc > 1) return rc;  // nothing handed over
        EXPECT_STREQ(viewName, "Main view");
        if (!all) return rc;
        EXPECT_EQ(std::string(viewLabel), std::string(64, 'l')) << "never read past the host's buffer";
        EXPECT_EQ(viewKind + timestamp + displayProperties.numItems, 3u + 1234u + 2u);
        EXPECT_EQ(std::string(helpText) + owner + lastChangedBy + changeDiary, "helpOwnerChangerdiary");
        EXPECT_STREQ(objectProperties.items[0].value.payload.text, "prop");
        zvi::ReleasePropList(&displayProperties, 0);
        zvi::ReleasePropList(&objectProperties, 0);
        for (char* text : {helpText, changeDiary}) std::free(text);
        return rc;
    }
};

// ZVIGetMultipleVUIs: twelve lists of two items (the help texts and diaries as
// counted texts, the property lists with one property each).
constexpr size_t kItemSizes[12] = {1, 4, 255, 65, 4, 16, 16, 4, 255, 255, 16, 16};
void answerMultiple(void* q, void* r) {
    namespace M = at::GetMultiple;
    EXPECT_EQ(raw::text(q, M::formName), formName);
    EXPECT_EQ(raw::list(q, M::filter).count, 2u);
    EXPECT_EQ(raw::u32(q, M::wantedMask), 4095u);
    EXPECT_EQ(raw::u32(q, M::sinceTime), 77u);
    hostLists(r, 168, kItemSizes, 2, [](size_t i, char* item, uint32_t k) {
        if (i == 6 || i == 10) hostText(item, 0, k ? "second" : "first");
        else if (i == 5 || i == 11) hostList(item, 0, 1, 24);
    });
}
struct MultipleOutputs : ListOutputs<12> {
    uint32_t get(ControlRecord* c, StatusList* s, char* form, IdList* filter) {
        return ZVIGetMultipleVUIs(c, form, filter, 77, out<FlagList>(0), out<IdList>(1), out<NameList>(2),
                                  out<ViewLabelList>(3), out<UintList>(4), out<PropListList>(5), out<TextList>(6),
                                  out<UintList>(7), out<NameList>(8), out<NameList>(9), out<TextList>(10),
                                  out<PropListList>(11), s);
    }
    uint32_t release(uint32_t rc) {
        for (size_t i = 0; rc < 2 && i < 12; ++i) EXPECT_EQ(l[i].count, 2u) << i;
        if (rc < 2) {
            EXPECT_EQ(std::string(static_cast<char**>(l[6].items)[1]) + static_cast<char**>(l[10].items)[0], "secondfirst");
        }
        for (size_t i : {5, 11}) zvi::ReleasePropListList(out<PropListList>(i), 0);
        for (size_t i : {6, 10}) zvi::ReleaseTextList(out<TextList>(i), 0);
        for (raw::List& list : l) std::free(list.items);
        return rc;
    }
};

class ViewsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    // What Set and Create send: the caller's texts, copies of its property lists, and for
    // what is not given empty texts of the library's own and empty lists.
    void expectView(void* q, bool create, bool all) {
        namespace V = at::View;
        EXPECT_EQ(raw::text(q, V::formName), formName);
        EXPECT_EQ(raw::u32(q, V::viewId), create ? 12u : 9u);
        EXPECT_STREQ(raw::text(q, V::name), all ? "Main" : "");
        EXPECT_EQ(raw::text(q, V::viewLabel) == label, all) << "the caller's pointer";
        EXPECT_EQ(raw::u32(q, V::viewKind), create || all ? 4u : 0u);
        EXPECT_EQ(raw::u32(q, V::changeMask), create ? 0u : all ? 255u : 4u);
        for (size_t list : {V::displayProperties, V::objectProperties}) {
            EXPECT_EQ(raw::list(q, list).count, all ? 1u : 0u);
            EXPECT_NE(raw::list(q, list).items, props);
        }
        if (all) {
            EXPECT_STREQ(raw::text(raw::list(q, V::objectProperties).items, 16), "prop");
        }
        for (size_t i = 0; i < 3; ++i) EXPECT_STREQ(raw::text(q, V::texts + 8 * i), all || !i ? texts[i] : "") << i;
    }
    template <class T>
    T* given(T* arg) {
        return all ? arg : nullptr;
    }
    char name[5] = "Main", label[6] = "Label", texts[3][6] = {"help", "Owner", "diary"}, propText[5] = "prop";
    Prop props[1] = {{5, textValue(0, propText).value}};
    PropList properties{1, props};
    uint32_t filterIds[2] = {3, 4}, kind = 4;
    IdList filter{2, filterIds};
    bool all = true;  // false: Set and Create with a help text only
};

// Each operation with every argument, and Get, Set and Create with only a name or a help
// text. The host routines check the requests; the calls check what they hand back.
std::vector<DefinitionOp> ViewsTest::ops() {
    std::vector<DefinitionOp> rows;
    for (bool every : {true, false}) {
        rows.push_back({"ZVIGetVUI", kGet, 62, false, "ZVIGetVUI", at::Get::status,
                        [every](void* q, void* r) {
                            EXPECT_EQ(raw::u32(q, at::Get::wantedMask), every ? 63u : 0u);
                            answerGet(q, r);
                        },
                        [every](ControlRecord* c, StatusList* s) { return GetOutputs().get(c, s, every); }, {0}});
        rows.push_back({"ZVISetVUI", kSet, 63, true, "ZVISetVUI", 168,
                        [this, every](void* q, void*) { expectView(q, false, every); },
                        [this, every](ControlRecord* c, StatusList* s) {
                            all = every;
                            return ZVISetVUI(c, formName, 9, given(name), given(label), given(&kind),
                                             given(&properties), texts[0], given(texts[1]), given(texts[2]),
                                             given(&properties), s);
                        },
                        {0, every ? 300u : 0u}});
        rows.push_back({"ZVICreateVUI", kCreate, 64, true, "ZVICreateVUI", 176,
                        [this, every](void* q, void* r) {
                            expectView(q, true, every);
                            raw::put(r, at::View::assignedId, 13u);
                        },
                        [this, every](ControlRecord* c, StatusList* s) {
                            all = every;
                            uint32_t id = 12;
                            const uint32_t rc = ZVICreateVUI(c, formName, &id, given(name), given(label), 4,
                                                             given(&properties), texts[0], given(texts[1]),
                                                             given(texts[2]), given(&properties), s);
                            EXPECT_EQ(id, rc < 2 ? 13u : 12u) << "the id the host assigned";
                            return rc;
                        },
                        {0, every ? 300u : 0u}});
    }
    rows.push_back({"ZVIDeleteVUI", 12768, 65, true, "ZVIDeleteVUI", 168,
                    [](void* q, void*) { EXPECT_EQ(raw::u32(q, at::View::viewId), 9u); },
                    [](ControlRecord* c, StatusList* s) { return ZVIDeleteVUI(c, formName, 9, s); }, {0}});
    rows.push_back({"ZVIGetListVUI", 12776, 66, false, "ZVIGetListVUI", 184,
                    [this](void* q, void* r) {
                        EXPECT_EQ(raw::text(q, at::GetList::formName), formName);
                        EXPECT_EQ(raw::u32(q, at::GetList::sinceTime), 5u);
                        EXPECT_EQ(raw::u32(q, at::GetList::reserved), 0u);
                        EXPECT_EQ(raw::list(q, at::GetList::propertyFilter).items, props) << "the caller's holder";
                        hostList(r, 168, 3, 4);
                    },
                    [this](ControlRecord* c, StatusList* s) {
                        IdList ids{7, nullptr};
                        const uint32_t rc = ZVIGetListVUI(c, formName, 5, &properties, &ids, s);
                        EXPECT_EQ(ids.numItems, rc < 2 ? 3u : 0u) << "emptied first";
                        return std::free(ids.items), rc;
                    },
                    {0}});
    rows.push_back({"ZVIGetMultipleVUIs", kGetMultiple, 88, false, "ZVIGetMultipleVUIs", at::GetMultiple::status,
                    answerMultiple,
                    [this](ControlRecord* c, StatusList* s) {
                        MultipleOutputs o;
                        return o.release(o.get(c, s, formName, &filter));
                    },
                    {0, 2, 300}});
    return rows;
}

}  // namespace

TEST_F(ViewsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ViewsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Set with a new name only sends bit 1, whatever the current name.
TEST_F(ViewsTest, SetSendsANewNameAsGiven) {
    host.on(kSet, [&](void* q, void*) { return raw::u32(q, at::View::changeMask) == 1u ? 1u : 0u; });
    EXPECT_EQ(ZVISetVUI(&control, formName, 9, formName, 0, 0, 0, 0, 0, 0, 0, &status), 0u);
}

TEST_F(ViewsTest, ArgumentsAreCheckedBeforeTheHostIsCalled) {
    MultipleOutputs none;
    const std::pair<std::function<uint32_t()>, Message> rows[] = {
        {[&] { return ZVISetVUI(&control, formName, 9, 0, 0, 0, 0, 0, 0, 0, 0, &status); }, catalogMessage(ZVI_WARNING, 54)},
        {[&] { return ZVICreateVUI(&control, formName, 0, name, 0, 0, 0, 0, 0, 0, 0, &status); }, catalogMessage(ZVI_ERROR, 178)},
        {[&] { return ZVIGetListVUI(&control, formName, 0, 0, 0, &status); }, catalogMessage(ZVI_ERROR, 105)},
        {[&] { return none.release(none.get(&control, &status, 0, &filter)); }, catalogMessage(ZVI_ERROR, 233)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.first(), row.second.type);
        EXPECT_EQ(messages(status), std::vector<Message>{row.second});
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_EQ(host.events(), (std::vector<fake::Event>{{fake::Event::CallerInfo, 1}}));
}

// Outputs are emptied first: the property lists and texts before the status list is
// tested, the names the host writes on request and the object properties after it.
TEST_F(ViewsTest, GetVUIEmptiesItsOutputsFirst) {
    host.on(kGet, [](void*, void*) { return 0u; });
    for (StatusList* s : {static_cast<StatusList*>(nullptr), &status}) {
        GetOutputs e;
        EXPECT_EQ(e.get(&control, s), s ? 2u : 4u);
        EXPECT_TRUE(e.displayProperties.numItems == 0 && !e.helpText && !e.changeDiary);
        EXPECT_EQ(e.objectProperties.numItems == 0 && e.owner[0] == 0 && e.lastChangedBy[0] == 0, s != nullptr);
        EXPECT_EQ(uint8_t(e.viewName[0]), 0xABu);
    }
}
