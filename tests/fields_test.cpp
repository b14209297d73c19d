// Field operations: the bytes the host receives and what the caller gets back; the checks made
// before the host is called; the frame of each operation and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/copies.h"
#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Field {  // Set and Create alike from 464 on
constexpr size_t formName = 168, fieldId = 176, entryOption = 464, creationOption = 468, extraOption = 472,
                 defaultValue = 480, permissions = 496, limits = 512, display = 1200, helpText = 1232, owner = 1240,
                 changeDiary = 1248, objectProperties = 1256;
}
namespace SetField { constexpr size_t newFieldName = 184, changeMask = 192, mapping = 196; }
namespace CreateField { constexpr size_t fieldIdFlag = 180, fieldName = 184, mapping = 192, dataType = 460; }
namespace GetField { constexpr size_t formName = 168, fieldId = 176, wantedMask = 180, status = 2048; }
namespace GetListField { constexpr size_t formName = 168, listKind = 176, sinceTime = 180, propertyFilter = 192; }
constexpr size_t charPattern = 280, assignedId = 168;
}  // namespace at

constexpr uint32_t kGet = 12344, kSet = 12352, kCreate = 12360, kGetList = 12376, kWfGet = 13600, kWfGetList = 13616;
char formName[] = "HelpDesk";

// ZVIGetField's outputs (and, but the last, its workflow variant's) in argument order,
// at the offsets of its result; the host's unused permissions are always released.
GetRow getField(bool workflow) {
    GetRow g{"ZVIGetField", kGet, 12, at::GetField::wantedMask, {0},
             {{168, 0, 'n'}, {424, 1, 'W'}, {692, 0, 'w'}, {696, 0, 'w'}, {700, 0, 'w'}, {704, 0, 'w'},
              {712, 2, 'W'}, {728, 0, 'D', 8}, {744, 4, 'l', 8}, {760, 8, 'W'}, {1448, 16, 'l', 24},
              {1480, 32, 't'}, {1496, 0, 'w'}, {1500, 128, 'n'}, {1755, 256, 'n'}, {2016, 64, 't'}, {2032, 0, 'p', 24},
              {at::GetField::status, 0, 'S'}},
             pass<0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16>(ZVIGetField, formName, 8u),
             [](const void* q) {
                 EXPECT_EQ(raw::text(q, at::GetField::formName), formName);
                 EXPECT_EQ(raw::u32(q, at::GetField::fieldId), 8u);
             }};
    if (!workflow) return g;
    g.outs.erase(g.outs.end() - 2);
    return direct(g, "ZVIWfGetField", kWfGet,
                  pass<0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15>(
                      [](ControlRecord*, char* form, uint32_t id, auto... a) { return ZVIWfGetField(form, id, a...); },
                      formName, 8u));
}

class FieldsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    // The id lists: ZVIGetListField (the caller's property filter holder), its workflow
    // variant (no control record, no filter), ZVIGetListFieldName.
    std::vector<GetRow> lists() {
        const std::vector<Out> outs{{168, 0, 'l', 4}, {184, 0, 'S'}};
        return {{"ZVIGetListField", kGetList, 15, 0, {0}, outs, pass<0>(ZVIGetListField, formName, 1u, 2u, &properties),
                 [this](const void* q) {
                     namespace L = at::GetListField;
                     EXPECT_EQ(raw::text(q, L::formName), formName);
                     EXPECT_EQ(raw::u32(q, L::listKind) * 10 + raw::u32(q, L::sinceTime), 12u);
                     EXPECT_EQ(raw::list(q, L::propertyFilter).items, props);
                 }},
                {"ZVIWfGetListField", kWfGetList, ZVI_NO_HOOKS, 0, {0}, outs,
                 pass<0>([](ControlRecord*, auto... a) { return ZVIWfGetListField(a...); }, formName, 1u, 2u),
                 [](const void* q) {
                     EXPECT_TRUE(raw::zero(q, 0, 168) && raw::zero(q, at::GetListField::propertyFilter, 208));
                 }},
                {"ZVIGetListFieldName", 12384, 60, 0, {0}, outs, pass<0>(ZVIGetListFieldName, formName)}};
    }
    // What Set and Create send; Create's id, type and options, and a help text, always.
    std::vector<InPart> parts(bool create) {
        namespace F = at::Field;
        namespace C = at::CreateField;
        std::vector<InPart> p{{InPart::Borrowed, F::formName, 0, formName, true},
                              {InPart::Word, F::fieldId, 0, create ? &fieldId : &options[3], true},
                              {InPart::Text, create ? C::fieldName : at::SetField::newFieldName, 1, texts[0]},
                              {InPart::Word, create ? C::mapping : at::SetField::mapping, 1024, mapping.bytes},
                              {InPart::Word, F::entryOption, 2, &options[0], create},
                              {InPart::Word, F::creationOption, 4, &options[1], create},
                              {InPart::Word, F::extraOption, 2048, &options[2], create},
                              {InPart::Copied, F::defaultValue, 8, &defaultValue},
                              {InPart::Copied, F::permissions, 16, &permissions},
                              {InPart::Copied, F::limits, 32, &limits, false, at::charPattern},
                              {InPart::Copied, F::display, 64, &display},
                              {InPart::Text, F::helpText, 128, texts[1], true},
                              {InPart::Text, F::owner, 256, texts[2]},
                              {InPart::Text, F::changeDiary, 512, texts[3]},
                              {InPart::Copied, F::objectProperties, 8192, &properties}};
        if (create) p.push_back({InPart::Word, C::fieldIdFlag, 0, &flag[0], true});
        p.push_back(create ? InPart{InPart::Word, C::dataType, 0, &flag[1], true} : InPart{InPart::Flag, 0, 4096, 0});
        return p;
    }
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetField(c, formName, 8, given(texts[0]), given(mapping.as<FieldMapping>()), given(&options[0]),
                           given(&options[1]), given(&options[2]), given(&defaultValue), given(&permissions),
                           given(&limits), given(&display), texts[1], given(texts[2]), given(texts[3]), all ? 1 : 0,
                           given(&properties), s);
    }
    uint32_t create(ControlRecord* c, StatusList* s) {
        return ZVICreateField(c, formName, &fieldId, 1, given(texts[0]), given(mapping.as<FieldMapping>()),
                              ZVI_DATA_TEXT, options[0], options[1], options[2], given(&defaultValue),
                              given(&permissions), given(&limits), given(&display), texts[1], given(texts[2]),
                              given(texts[3]), given(&properties), s);
    }
    char texts[4][8] = {"name", "help", "owner", "diary"}, value[4] = "abc", pattern[4] = "[a]";
    copies::Record<268> mapping{7};
    uint32_t options[4] = {4, 2, 99, 8}, fieldId = 536870913, flag[2] = {1, ZVI_DATA_TEXT};
    Value defaultValue = textValue(0, value).value;
    Permission perms[1] = {{1, 2}};
    PermissionList permissions{1, perms};
    FieldLimit limits{ZVI_DATA_TEXT, {}};
    Prop props[1] = {{5, textValue(0, value).value}};
    PropList properties{1, props};
    DisplayInstance instances[1] = {{3, properties}};
    DisplayInstanceList display{properties, 1, instances};
};

// Each operation with every argument, and Set and Create with only a help text.
std::vector<DefinitionOp> FieldsTest::ops() {
    limits.u.text.charPattern = pattern;
    std::vector<DefinitionOp> rows{
        frameRow(getField(false)),
        frameRow(getField(true)),
        {"ZVIDeleteField", 12368, 43, true, "ZVIDeleteField", 168,
         [](void* q, void*) { EXPECT_EQ(raw::u32(q, 176) * 10 + raw::u32(q, 180), 82u); },
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteField(c, formName, 8, 2, s); }, {0}},
        frameRow(lists()[0]), frameRow(lists()[1]), frameRow(lists()[2])};
    for (bool create : {false, true}) {
        const DefinitionOp op{create ? "ZVICreateField" : "ZVISetField", create ? kCreate : kSet, create ? 14u : 13u,
                              true, create ? "ZVICreateField" : "ZVISetField", create ? 176u : 168u,
                              [create](void*, void* r) { create ? raw::put(r, at::assignedId, 536870999u) : void(); },
                              [this, create](ControlRecord* c, StatusList* s) {
                                  fieldId = 536870913;
                                  const uint32_t rc = create ? this->create(c, s) : set(c, s);
                                  EXPECT_EQ(fieldId, create && rc < 2 ? 536870999u : 536870913u) << "assigned";
                                  return rc;
                              },
                              {0, 300}};
        addSentRows(rows, op, create ? 0 : at::SetField::changeMask, all, [=] { return parts(create); });
    }
    return rows;
}

}  // namespace

TEST_F(FieldsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(FieldsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// The checks of Set and Create, in their order; a text-typed default without its text
// is sent as an empty value (a host that sees a text default fails).
TEST_F(FieldsTest, ArgumentsAreCheckedBeforeTheHostIsCalled) {
    std::string text255(255, 'x'), text256(256, 'x');
    auto set = [this](uint32_t* entry, uint32_t* creation, Value* value, uint32_t setOptions, PropList* props) {
        return [=] {
            return ZVISetField(&control, formName, 8, nullptr, nullptr, entry, creation, nullptr, value, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, setOptions, props, &status);
        };
    };
    auto create = [this](uint32_t* id, uint32_t dataType, uint32_t entry, uint32_t creation, Value* value) {
        return [=] {
            return ZVICreateField(&control, formName, id, 0, nullptr, nullptr, dataType, entry, creation, 0, value,
                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status);
        };
    };
    uint32_t zero = 0, one = 1, three = 3, four = 4, five = 5, id = 9;
    Value long4 = textValue(0, &text256[0]).value, long43 = long4, ok43 = textValue(0, &text255[0]).value;
    long43.dataType = ok43.dataType = ZVI_DATA_TEXT_43;
    Value integer{ZVI_DATA_INTEGER, {}}, keyword{ZVI_DATA_KEYWORD, {}}, nullText{ZVI_DATA_TEXT, {}};
    host.on(kSet, [](void* q, void*) { return raw::u32(q, at::Field::defaultValue) != ZVI_DATA_TEXT ? 1u : 0u; });
    host.on(kCreate, [](void* q, void*) { return raw::u32(q, at::Field::defaultValue) != ZVI_DATA_TEXT ? 1u : 0u; });
    expectSaid({
        {set(nullptr, nullptr, nullptr, 1, &properties), "1:54"},
        {set(&zero, &three, nullptr, 0, nullptr), "2:118"},
        {set(&five, nullptr, nullptr, 0, nullptr), "2:118"},
        {set(&four, &three, nullptr, 0, nullptr), "2:119"},
        {set(&four, &one, &long4, 0, nullptr), "2:180"},
        {set(nullptr, nullptr, &long43, 0, nullptr), ""},
        {set(nullptr, nullptr, &nullText, 0, nullptr), ""},
        {create(nullptr, 1, 0, 0, nullptr), "2:178"},
        {create(&id, 1, 0, 0, nullptr), "2:110"},
        {create(&id, 44, 1, 1, nullptr), "2:110"},
        {create(&id, 43, 0, 1, nullptr), "2:118"},
        {create(&id, 43, 4, 0, nullptr), "2:119"},
        {create(&id, 11, 4, 2, &integer), "2:111"},
        {create(&id, 43, 4, 2, &long43), "2:180"},
        {create(&id, 43, 4, 2, &ok43), ""},
        {create(&id, ZVI_DATA_TEXT, 4, 2, &integer), "2:166"},
        {create(&id, ZVI_DATA_INTEGER, 4, 2, &keyword), ""},
        {create(&id, ZVI_DATA_TEXT, 4, 2, &nullText), ""},
    });
}

// A field the host leaves unnamed is named by its id.
TEST_F(FieldsTest, GetsHandOverWhatTheyAskFor) {
    checkOutputs(getField(false));
    for (const GetRow& g : lists()) checkOutputs(g);
    char name[255];
    for (uint32_t id : {536870913u, 0u}) {
        host.on(kGet, [id](void* q, void*) { return raw::u32(q, at::GetField::fieldId) == id ? 1u : 0u; });
        EXPECT_EQ(ZVIGetField(&control, formName, id, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status),
                  0u);
        EXPECT_EQ(std::string(name), std::to_string(id));
    }
}
