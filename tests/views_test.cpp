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
namespace Get { constexpr size_t formName = 168, viewId = 176, wantedMask = 180, status = 1080; }
namespace View {  // Set and Create
constexpr size_t formName = 168, viewId = 176, name = 184, viewLabel = 192, viewKind = 200, changeMask = 204,
                 displayProperties = 208, objectProperties = 224, texts = 240 /* three */, assignedId = 168;
}
namespace GetList { constexpr size_t formName = 168, sinceTime = 176, reserved = 180, propertyFilter = 184; }
namespace GetMultiple {
constexpr size_t formName = 168, filter = 176, wantedMask = 192, sinceTime = 196, lists = 168, status = 360;
}
}  // namespace at

constexpr uint32_t kGet = 12744, kSet = 12752, kCreate = 12760, kGetMultiple = 12992;
char formName[] = "HelpDesk";

// ZVIGetVUI's outputs in argument order, at the offsets of its result.
const GetOp kGetVUI{kGet,
                    at::Get::wantedMask,
                    {{168, 0, &kind::name, 255},
                     {423, 0, &kind::name, 65},
                     {488, 0, &kind::word},
                     {496, 1, &kind::props},
                     {512, 2, &kind::text},
                     {528, 0, &kind::word},
                     {532, 8, &kind::name, 255},
                     {787, 16, &kind::name, 255},
                     {1048, 4, &kind::text},
                     {1064, 32, &kind::props, 0, true}},
                    [](ControlRecord* c, StatusList* s, Outs& o) {
                        return ZVIGetVUI(c, formName, 9, o.p<char>(0), o.p<char>(1), o.p<uint32_t>(2),
                                         o.p<PropList>(3), o.p<char*>(4), o.p<uint32_t>(5), o.p<char>(6),
                                         o.p<char>(7), o.p<char*>(8), o.p<PropList>(9), s);
                    },
                    [](const void* q, void*) {
                        EXPECT_EQ(raw::text(q, at::Get::formName), formName);
                        EXPECT_EQ(raw::u32(q, at::Get::viewId), 9u);
                    }};

// ZVIGetMultipleVUIs: its twelve lists in result order.
const GetOp kGetMultipleVUIs{
    kGetMultiple,
    at::GetMultiple::wantedMask,
    lists(at::GetMultiple::lists,
          {listPart(1024, kind::flat, 1), listPart(1, kind::flat, 4), listPart(2, kind::flat, 255),
           listPart(4, kind::flat, 65), listPart(8, kind::flat, 4), listPart(16, kind::props, 16),
           listPart(32, kind::text, 16, 8), listPart(64, kind::flat, 4), listPart(128, kind::flat, 255),
           listPart(256, kind::flat, 255), listPart(512, kind::text, 16, 8), listPart(2048, kind::props, 16)}),
    [](ControlRecord* c, StatusList* s, Outs& o) {
        uint32_t ids[2] = {3, 4};
        IdList filter{2, ids};
        return ZVIGetMultipleVUIs(c, formName, &filter, 77, o.p<FlagList>(0), o.p<IdList>(1),
                                  o.p<NameList>(2), o.p<ViewLabelList>(3), o.p<UintList>(4),
                                  o.p<PropListList>(5), o.p<TextList>(6), o.p<UintList>(7),
                                  o.p<NameList>(8), o.p<NameList>(9), o.p<TextList>(10),
                                  o.p<PropListList>(11), s);
    },
    [](const void* q, void*) {
        EXPECT_EQ(raw::text(q, at::GetMultiple::formName), formName);
        EXPECT_EQ(raw::list(q, at::GetMultiple::filter).count, 2u);
        EXPECT_EQ(raw::u32(q, at::GetMultiple::sinceTime), 77u);
    }};

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
            const bool display = list == V::displayProperties;
            EXPECT_EQ(raw::list(q, list).count, all ? (display ? 1u : 2u) : 0u);
            EXPECT_NE(raw::list(q, list).items, display ? props : props + 1);
        }
        if (all) {
            EXPECT_STREQ(raw::text(raw::list(q, V::displayProperties).items, 16), "prop");
            EXPECT_STREQ(raw::text(raw::list(q, V::objectProperties).items, 16), "prop");
        }
        for (size_t i = 0; i < 3; ++i) EXPECT_STREQ(raw::text(q, V::texts + 8 * i), all || !i ? texts[i] : "") << i;
    }
    template <class T>
    T* given(T* arg) {
        return all ? arg : nullptr;
    }
    char name[5] = "Main", label[6] = "Label", texts[3][6] = {"help", "Owner", "diary"}, propText[5] = "prop";
    Prop props[3] = {{5, textValue(0, propText).value}, {6, textValue(0, propText).value}, {7, {}}};
    PropList displayProperties{1, props}, objectProperties{2, props + 1};
    uint32_t filterIds[2] = {3, 4}, kind = 4;
    IdList filter{2, filterIds};
    bool all = true;  // false: Set and Create with a help text only
};

// Each operation with every argument, and Set and Create with only a help text. The
// host routines check the requests; the calls check what they hand back.
std::vector<DefinitionOp> ViewsTest::ops() {
    std::vector<DefinitionOp> rows{getRow("ZVIGetVUI", 62, at::Get::status, kGetVUI),
                                   getRow("ZVIGetMultipleVUIs", 88, at::GetMultiple::status, kGetMultipleVUIs,
                                          "ZVIGetMultipleVUIs", {0, 2, 300})};
    for (bool every : {true, false}) {
        rows.push_back({"ZVISetVUI", kSet, 63, true, "ZVISetVUI", 168,
                        [this, every](void* q, void*) { expectView(q, false, every); },
                        [this, every](ControlRecord* c, StatusList* s) {
                            all = every;
                            return ZVISetVUI(c, formName, 9, given(name), given(label), given(&kind),
                                             given(&displayProperties), texts[0], given(texts[1]), given(texts[2]),
                                             given(&objectProperties), s);
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
                                                             given(&displayProperties), texts[0], given(texts[1]),
                                                             given(texts[2]), given(&objectProperties), s);
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
                        const uint32_t rc = ZVIGetListVUI(c, formName, 5, &displayProperties, &ids, s);
                        EXPECT_EQ(ids.numItems, rc < 2 ? 3u : 0u) << "emptied first";
                        return std::free(ids.items), rc;
                    },
                    {0}});
    return rows;
}

}  // namespace

TEST_F(ViewsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ViewsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

TEST_F(ViewsTest, GetsHandOverWhatTheyAskFor) {
    checkGet(kGetVUI);
    checkGetMultiple(kGetMultipleVUIs);
}

// Set with a new name only sends bit 1, whatever the current name.
TEST_F(ViewsTest, SetSendsANewNameAsGiven) {
    host.on(kSet, [&](void* q, void*) { return raw::u32(q, at::View::changeMask) == 1u ? 1u : 0u; });
    EXPECT_EQ(ZVISetVUI(&control, formName, 9, formName, 0, 0, 0, 0, 0, 0, 0, &status), 0u);
}

TEST_F(ViewsTest, ArgumentsAreCheckedBeforeTheHostIsCalled) {
    const std::pair<std::function<uint32_t()>, Message> rows[] = {
        {[&] { return ZVISetVUI(&control, formName, 9, 0, 0, 0, 0, 0, 0, 0, 0, &status); }, catalogMessage(ZVI_WARNING, 54)},
        {[&] { return ZVICreateVUI(&control, formName, 0, name, 0, 0, 0, 0, 0, 0, 0, &status); }, catalogMessage(ZVI_ERROR, 178)},
        {[&] { return ZVIGetListVUI(&control, formName, 0, 0, 0, &status); }, catalogMessage(ZVI_ERROR, 105)},
        {[&] { return ZVIGetMultipleVUIs(&control, 0, &filter, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, &status); },
         catalogMessage(ZVI_ERROR, 233)},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.first(), row.second.type);
        EXPECT_EQ(messages(status), std::vector<Message>{row.second});
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_EQ(host.events(), (std::vector<fake::Event>{{fake::Event::CallerInfo, 1}}));
}
