// View operations: the bytes the host receives and what the caller gets back; the checks; the
// frame of each operation and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Get { constexpr size_t formName = 168, viewId = 176, wantedMask = 180, status = 1080; }
namespace View {  // Set and Create
constexpr size_t formName = 168, viewId = 176, name = 184, viewLabel = 192, viewKind = 200, changeMask = 204,
                 displayProperties = 208, objectProperties = 224, helpText = 240, owner = 248, changeDiary = 256,
                 assignedId = 168;
}
namespace GetList { constexpr size_t formName = 168, sinceTime = 176, reserved = 180, propertyFilter = 184; }
namespace GetMultiple {
constexpr size_t formName = 168, filter = 176, wantedMask = 192, sinceTime = 196, lists = 168, status = 360;
}
}  // namespace at

constexpr uint32_t kGet = 12744, kSet = 12752, kCreate = 12760, kGetMultiple = 12992;
char formName[] = "HelpDesk";

uint32_t filterIds[2] = {3, 4};
IdList filter{2, filterIds};

const GetRow kGetVUI{"ZVIGetVUI", kGet, 62, at::Get::wantedMask, {0},
                     {{168, 0, 'n'}, {423, 0, 'n', 65}, {488, 0, 'w'}, {496, 1, 'l', 24}, {512, 2, 't'}, {528, 0, 'w'},
                      {532, 8, 'n'}, {787, 16, 'n'}, {1048, 4, 't'}, {1064, 32, 'p', 24}, {at::Get::status, 0, 'S'}},
                     pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9>(ZVIGetVUI, formName, 9u), [](const void* q) {
                         EXPECT_EQ(raw::text(q, at::Get::formName), formName);
                         EXPECT_EQ(raw::u32(q, at::Get::viewId), 9u);
                     }};
const GetRow kGetMultipleVUIs{
    "ZVIGetMultipleVUIs", kGetMultiple, 88, at::GetMultiple::wantedMask, {0, 2, 300},
    get::resultLists(at::GetMultiple::lists, "ffffffTfffTfS", {1, 4, 255, 65, 4, 16, 0, 4, 255, 255, 0, 16, 0},
                     {1024, 1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 2048, 0}),
    pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11>(ZVIGetMultipleVUIs, formName, &filter, 77u), [](const void* q) {
        EXPECT_EQ(raw::text(q, at::GetMultiple::formName), formName);
        EXPECT_EQ(raw::list(q, at::GetMultiple::filter).count, 2u);
        EXPECT_EQ(raw::u32(q, at::GetMultiple::sinceTime), 77u);
    }};

class ViewsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    GetRow getListVUI() {
        return {"ZVIGetListVUI", 12776, 66, 0, {0}, {{168, 0, 'l', 4}, {184, 0, 'S'}},
                pass<0>(ZVIGetListVUI, formName, 5u, &displayProperties), [this](const void* q) {
                    EXPECT_EQ(raw::text(q, at::GetList::formName), formName);
                    EXPECT_EQ(raw::u32(q, at::GetList::sinceTime), 5u);
                    EXPECT_EQ(raw::u32(q, at::GetList::reserved), 0u);
                    EXPECT_EQ(raw::list(q, at::GetList::propertyFilter).items, props) << "the caller's holder";
                }};
    }
    // Set's arguments, or Create's (its id and kind always given); a help text always.
    std::vector<InPart> parts(bool create) {
        namespace V = at::View;
        return {{InPart::Borrowed, V::formName, 0, formName, true}, {InPart::Text, V::name, 1, name},
                {InPart::Word, V::viewId, 0, create ? &createdId : &viewId, true},
                {InPart::Word, V::viewKind, 64, &viewKind, create}, {InPart::Text, V::viewLabel, 32, label},
                {InPart::Copied, V::displayProperties, 2, &displayProperties},
                {InPart::Copied, V::objectProperties, 128, &objectProperties},
                {InPart::Text, V::helpText, 4, texts[0], true}, {InPart::Text, V::owner, 8, texts[1]},
                {InPart::Text, V::changeDiary, 16, texts[2]}};
    }
    char name[5] = "Main", label[6] = "Label", texts[3][6] = {"help", "Owner", "diary"}, propText[5] = "prop";
    Prop props[3] = {{5, textValue(0, propText).value}, {6, textValue(0, propText).value}, {7, {}}};
    PropList displayProperties{1, props}, objectProperties{2, props + 1};
    uint32_t viewKind = 4, viewId = 9, createdId = 12;
};

// Each operation with every argument, and Set and Create with only a help text.
std::vector<DefinitionOp> ViewsTest::ops() {
    std::vector<DefinitionOp> rows{frameRow(kGetVUI), frameRow(kGetMultipleVUIs), frameRow(getListVUI())};
    for (bool create : {false, true}) {
        const DefinitionOp op{
            create ? "ZVICreateVUI" : "ZVISetVUI", create ? kCreate : kSet, create ? 64u : 63u, true,
            create ? "ZVICreateVUI" : "ZVISetVUI", create ? 176u : 168u,
            [create](void*, void* r) { create ? raw::put(r, at::View::assignedId, 13u) : void(); },
            [this, create](ControlRecord* c, StatusList* s) {
                if (!create)
                    return ZVISetVUI(c, formName, viewId, given(name), given(label), given(&viewKind),
                                     given(&displayProperties), texts[0], given(texts[1]), given(texts[2]),
                                     given(&objectProperties), s);
                uint32_t id = createdId;
                const uint32_t rc = ZVICreateVUI(c, formName, &id, given(name), given(label), viewKind,
                                                 given(&displayProperties), texts[0], given(texts[1]),
                                                 given(texts[2]), given(&objectProperties), s);
                EXPECT_EQ(id, rc < 2 ? 13u : 12u) << "the id the host assigned";
                return rc;
            },
            {0, 300}};
        addSentRows(rows, op, create ? 0 : at::View::changeMask, all, [=] { return parts(create); });
    }
    rows.push_back({"ZVIDeleteVUI", 12768, 65, true, "ZVIDeleteVUI", 168,
                    [](void* q, void*) { EXPECT_EQ(raw::u32(q, at::View::viewId), 9u); },
                    [](ControlRecord* c, StatusList* s) { return ZVIDeleteVUI(c, formName, 9, s); }, {0}});
    return rows;
}

}  // namespace

TEST_F(ViewsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ViewsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

TEST_F(ViewsTest, GetsHandOverWhatTheyAskFor) {
    for (const GetRow& g : {kGetVUI, kGetMultipleVUIs, getListVUI()}) checkOutputs(g);
}

// A new name is sent as given, even the view's current name (bit 1).
TEST_F(ViewsTest, ArgumentsAreCheckedBeforeTheHostIsCalled) {
    host.on(kSet, [&](void* q, void*) { return raw::u32(q, at::View::changeMask) == 1u ? 1u : 0u; });
    expectSaid({
        {[&] { return ZVISetVUI(&control, formName, 9, 0, 0, 0, 0, 0, 0, 0, 0, &status); }, "1:54"},
        {[&] { return ZVISetVUI(&control, formName, 9, formName, 0, 0, 0, 0, 0, 0, 0, &status); }, ""},
        {[&] { return ZVICreateVUI(&control, formName, 0, name, 0, 0, 0, 0, 0, 0, 0, &status); }, "2:178"},
        {[&] { return ZVIGetMultipleVUIs(&control, 0, &filter, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, &status); },
         "2:233"},
    });
}
