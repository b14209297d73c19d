// Field operations: the bytes the host receives and what the caller gets back, read at
// the offsets of the record tables; the checks made before the host is called; the
// frame variant of each operation and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/copies.h"
#include "tests/support/definitions.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Field {  // Set and Create alike from 464 on
constexpr size_t formName = 168, fieldId = 176, entryOption = 464, creationOption = 468, extraOption = 472,
                 defaultValue = 480, permissions = 496, limits = 512, display = 1200, texts = 1232 /* three */,
                 objectProperties = 1256, size = 1272;
}
namespace SetField { constexpr size_t newFieldName = 184, changeMask = 192, mapping = 196; }
namespace CreateField { constexpr size_t fieldIdFlag = 180, fieldName = 184, mapping = 192, dataType = 460; }
namespace GetField { constexpr size_t formName = 168, fieldId = 176, wantedMask = 180, status = 2048; }
namespace GetListField { constexpr size_t formName = 168, listKind = 176, sinceTime = 180, propertyFilter = 192; }
constexpr size_t charPattern = 280;  // of a character limit
}  // namespace at

constexpr uint32_t kGet = 12344, kSet = 12352, kCreate = 12360, kDelete = 12368, kGetList = 12376, kNames = 12384,
                   kWfGet = 13600, kWfGetList = 13616;
char formName[] = "HelpDesk";

// The caller's arguments of Set and Create.
struct Args {
    char texts[4][8] = {"name", "help", "owner", "diary"}, value[4] = "abc", pattern[4] = "[a]", prop[5] = "prop";
    copies::Record<268> mapping{7};
    uint32_t options[3] = {4, 2, 99};  // entry, creation, extra
    Value defaultValue = textValue(0, value).value;
    Permission perms[1] = {{1, 2}};
    PermissionList permissions{1, perms};
    FieldLimit limits{};
    Prop props[1] = {{5, textValue(0, prop).value}};
    PropList properties{1, props};
    DisplayInstance instances[1] = {{3, properties}};
    DisplayInstanceList display{properties, 1, instances};
    bool all = true;
    uint32_t fieldId = 536870913;
    Args() {
        limits.dataType = ZVI_DATA_TEXT;
        limits.u.text.charPattern = pattern;
    }
    template <class T>
    T* given(T* arg) const {
        return all ? arg : nullptr;
    }
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetField(c, formName, 8, given(texts[0]), given(mapping.as<FieldMapping>()), given(&options[0]),
                           given(&options[1]), given(&options[2]), given(&defaultValue), given(&permissions),
                           given(&limits), given(&display), texts[1], given(texts[2]), given(texts[3]), all ? 1 : 0,
                           given(&properties), s);
    }
    uint32_t create(ControlRecord* c, StatusList* s, uint32_t dataType = ZVI_DATA_TEXT) {
        return ZVICreateField(c, formName, &fieldId, 1, given(texts[0]), given(mapping.as<FieldMapping>()), dataType,
                              options[0], options[1], options[2], given(&defaultValue), given(&permissions),
                              given(&limits), given(&display), texts[1], given(texts[2]), given(texts[3]),
                              given(&properties), s);
    }
};

// The field's attributes as Set and Create send them (both always get a help text).
void expectAttributes(void* q, const Args& a, const uint32_t* options) {
    EXPECT_EQ(raw::text(q, at::Field::formName), formName);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(raw::u32(q, at::Field::entryOption + 4 * i), options[i]) << i;
    const size_t v = at::Field::defaultValue;
    EXPECT_EQ(raw::u32(q, v), a.all ? uint32_t{ZVI_DATA_TEXT} : 0u);
    EXPECT_TRUE(!a.all || raw::text(q, v + 8) != a.value) << "a deep copy";
    EXPECT_STREQ(a.all ? raw::text(q, v + 8) : "", a.all ? "abc" : "");
    EXPECT_EQ(raw::list(q, at::Field::permissions).count, a.all ? 1u : 0u);
    EXPECT_NE(raw::list(q, at::Field::permissions).items, a.perms);
    EXPECT_EQ(raw::u32(q, at::Field::limits), a.all ? uint32_t{ZVI_DATA_TEXT} : 0u);
    if (a.all) {
        EXPECT_STREQ(raw::text(q, at::Field::limits + at::charPattern), "[a]");
    }
    EXPECT_NE(raw::text(q, at::Field::limits + at::charPattern), a.pattern);
    EXPECT_EQ(raw::u32(q, at::Field::display + 16), a.all ? 1u : 0u);
    EXPECT_EQ(raw::u32(q, at::Field::objectProperties), a.all ? 1u : 0u);
    for (size_t i = 1; i < 4; ++i) {
        ASSERT_NE(raw::text(q, at::Field::texts + 8 * (i - 1)), nullptr);
        EXPECT_STREQ(raw::text(q, at::Field::texts + 8 * (i - 1)), a.all || i == 1 ? a.texts[i] : "") << i;
    }
}

// ZVIGetField's outputs in argument order, at the offsets of its result; the host's
// unused permissions are always released.
GetOp getField(uint32_t fieldId = 8) {
    return {kGet,
            at::GetField::wantedMask,
            {{168, 0, &kind::name, 255},
             {424, 1, &kind::record, 268},
             {692, 0, &kind::word},
             {696, 0, &kind::word},
             {700, 0, &kind::word},
             {704, 0, &kind::word},
             {712, 2, &kind::tagged, 8},
             {744, 4, &kind::list, 8},
             {760, 8, &kind::tagged, at::charPattern},
             {1448, 16, &kind::display},
             {1480, 32, &kind::text},
             {1496, 0, &kind::word},
             {1500, 128, &kind::name, 255},
             {1755, 256, &kind::name, 255},
             {2016, 64, &kind::text},
             {2032, 0, &kind::props, 0, true}},
            [fieldId](ControlRecord* c, StatusList* s, Outs& o) {
                return ZVIGetField(c, formName, fieldId, o.p<char>(0), o.p<FieldMapping>(1), o.p<uint32_t>(2),
                                   o.p<uint32_t>(3), o.p<uint32_t>(4), o.p<uint32_t>(5), o.p<Value>(6),
                                   o.p<PermissionList>(7), o.p<FieldLimit>(8), o.p<DisplayInstanceList>(9),
                                   o.p<char*>(10), o.p<uint32_t>(11), o.p<char>(12), o.p<char>(13), o.p<char*>(14),
                                   o.p<PropList>(15), s);
            },
            [fieldId](const void* q, void* r) {
                EXPECT_EQ(raw::text(q, at::GetField::formName), formName);
                EXPECT_EQ(raw::u32(q, at::GetField::fieldId), fieldId);
                hostList(r, 728, 1, 8);
            }};
}
// The workflow variant: the same outputs but the object properties (released).
GetOp wfGetField() {
    GetOp op = getField();
    op.slot = kWfGet;
    op.parts.pop_back();
    op.call = [](ControlRecord*, StatusList* s, Outs& o) {
        return ZVIWfGetField(formName, 8, o.p<char>(0), o.p<FieldMapping>(1), o.p<uint32_t>(2), o.p<uint32_t>(3),
                             o.p<uint32_t>(4), o.p<uint32_t>(5), o.p<Value>(6), o.p<PermissionList>(7),
                             o.p<FieldLimit>(8), o.p<DisplayInstanceList>(9), o.p<char*>(10), o.p<uint32_t>(11),
                             o.p<char>(12), o.p<char>(13), o.p<char*>(14), s);
    };
    return op;
}

// A list of identifiers or names as the host returns it.
void answerList(void*, void* r) { hostList(r, 168, 3, 4); }

class FieldsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
    PropList filter{1, a.props};
};

std::vector<DefinitionOp> FieldsTest::ops() {
    auto getList = [this](bool workflow) {
        return [this, workflow](ControlRecord* c, StatusList* s) {
            IdList ids{};
            const uint32_t rc = workflow ? ZVIWfGetListField(formName, 1, 2, &ids, s)
                                         : ZVIGetListField(c, formName, 1, 2, &filter, &ids, s);
            return std::free(ids.items), rc;
        };
    };
    auto nothing = [](void*, void*) {};
    return {
        getRow("ZVIGetField", 12, at::GetField::status, getField()),
        getRow("ZVIWfGetField", ZVI_NO_HOOKS, at::GetField::status, wfGetField()),
        {"ZVISetField", kSet, 13, true, "ZVISetField", 168, nothing,
         [this](ControlRecord* c, StatusList* s) { return a.set(c, s); }, {0, 300}},
        {"ZVICreateField", kCreate, 14, true, "ZVICreateField", 176, nothing,
         [this](ControlRecord* c, StatusList* s) { return a.create(c, s); }, {0, 300}},
        {"ZVIDeleteField", kDelete, 43, true, "ZVIDeleteField", 168, nothing,
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteField(c, formName, 8, 2, s); }, {0}},
        {"ZVIGetListField", kGetList, 15, false, "ZVIGetListField", 184, answerList, getList(false), {0}},
        {"ZVIWfGetListField", kWfGetList, ZVI_NO_HOOKS, false, "ZVIWfGetListField", 184, answerList,
         getList(true), {0}},
        {"ZVIGetListFieldName", kNames, 60, false, "ZVIGetListFieldName", 184, answerList,
         [](ControlRecord* c, StatusList* s) {
             FieldNameList names{};
             const uint32_t rc = ZVIGetListFieldName(c, formName, &names, s);
             return std::free(names.items), rc;
         },
         {0}},
    };
}

}  // namespace

TEST_F(FieldsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(FieldsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Set and Create with every argument, and with only a help text.
TEST_F(FieldsTest, SetAndCreateSendTheCallersArgumentsOrTheirDefaults) {
    for (bool all : {true, false}) {
        a.all = all;
        const uint32_t notSent[3] = {};
        host.on(kSet, [&](void* q, void*) {
            expectAttributes(q, a, all ? a.options : notSent);
            EXPECT_EQ(raw::u32(q, at::Field::fieldId), 8u);
            EXPECT_EQ(raw::u32(q, at::SetField::changeMask), all ? 16383u : 128u);
            EXPECT_STREQ(raw::text(q, at::SetField::newFieldName), all ? "name" : "");
            return 1u;
        });
        host.on(kCreate, [&](void* q, void* r) {
            expectAttributes(q, a, a.options);
            EXPECT_EQ(raw::u32(q, at::Field::fieldId), 536870913u);
            EXPECT_EQ(raw::u8(q, at::CreateField::fieldIdFlag), 1u);
            EXPECT_STREQ(raw::text(q, at::CreateField::fieldName), all ? "name" : "");
            EXPECT_EQ(raw::u32(q, at::CreateField::dataType), uint32_t{ZVI_DATA_TEXT});
            EXPECT_TRUE(all ? !std::memcmp(raw::bytes(q, at::CreateField::mapping), a.mapping.bytes, 268)
                            : raw::zero(q, at::CreateField::mapping, at::CreateField::mapping + 268));
            raw::put(r, 168, 536870999u);
            return 1u;
        });
        EXPECT_EQ(a.set(&control, &status), 0u);
        EXPECT_EQ(a.create(&control, &status), 0u);
        EXPECT_EQ(a.fieldId, 536870999u) << "the id the host assigned";
        a.fieldId = 536870913;
    }
}

// The checks of Set and Create, in their order; a text-typed default without its text
// is sent as an empty value.
TEST_F(FieldsTest, ArgumentsAreCheckedBeforeTheHostIsCalled) {
    std::string text255(255, 'x'), text256(256, 'x');
    struct Row {
        std::function<uint32_t()> call;
        uint32_t type, number;  // 0, 0: reaches the host
    };
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
    Value integer{ZVI_DATA_INTEGER, {}}, keyword{ZVI_DATA_KEYWORD, {}}, none{};
    Value nullText{ZVI_DATA_TEXT, {}};
    const std::vector<Row> rows = {
        {set(nullptr, nullptr, nullptr, 1, &a.properties), ZVI_WARNING, 54},
        {set(&zero, &three, nullptr, 0, nullptr), ZVI_ERROR, 118},
        {set(&five, nullptr, nullptr, 0, nullptr), ZVI_ERROR, 118},
        {set(&four, &three, nullptr, 0, nullptr), ZVI_ERROR, 119},
        {set(&four, &one, &long4, 0, nullptr), ZVI_ERROR, 180},
        {set(nullptr, nullptr, &long43, 0, nullptr), 0, 0},
        {set(nullptr, nullptr, &nullText, 0, nullptr), 0, 0},
        {create(nullptr, 1, 0, 0, nullptr), ZVI_ERROR, 178},
        {create(&id, 1, 0, 0, nullptr), ZVI_ERROR, 110},
        {create(&id, 44, 1, 1, nullptr), ZVI_ERROR, 110},
        {create(&id, 43, 0, 1, nullptr), ZVI_ERROR, 118},
        {create(&id, 43, 4, 0, nullptr), ZVI_ERROR, 119},
        {create(&id, 11, 4, 2, &integer), ZVI_ERROR, 111},
        {create(&id, 11, 4, 2, &none), 0, 0},
        {create(&id, 43, 4, 2, &long43), ZVI_ERROR, 180},
        {create(&id, 43, 4, 2, &ok43), 0, 0},
        {create(&id, ZVI_DATA_TEXT, 4, 2, &integer), ZVI_ERROR, 166},
        {create(&id, ZVI_DATA_INTEGER, 4, 2, &keyword), 0, 0},
        {create(&id, ZVI_DATA_TEXT, 4, 2, &nullText), 0, 0},
    };
    host.on(kSet, [](void* q, void*) { return raw::u32(q, at::Field::defaultValue) != ZVI_DATA_TEXT ? 1u : 0u; });
    host.on(kCreate, [](void* q, void*) { return raw::u32(q, at::Field::defaultValue) != ZVI_DATA_TEXT ? 1u : 0u; });
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        host.clearEvents();
        EXPECT_EQ(rows[i].call(), rows[i].type);
        EXPECT_EQ(messages(status), rows[i].number ? std::vector<Message>{catalogMessage(rows[i].type, rows[i].number)}
                                                   : std::vector<Message>{});
        EXPECT_EQ(host.events().empty(), rows[i].number != 0) << "not even the control record is converted";
        zvi::releaseStatusList(&status, 0);
    }
}

// Both variants; a field the host leaves unnamed is named by its id.
TEST_F(FieldsTest, GetFieldHandsOverWhatItAsksFor) {
    checkGet(getField());
    checkGet(wfGetField());
    char name[255];
    for (uint32_t id : {536870913u, 0u}) {
        host.on(kGet, [id](void* q, void*) { return raw::u32(q, at::GetField::fieldId) == id ? 1u : 0u; });
        EXPECT_EQ(ZVIGetField(&control, formName, id, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status),
                  0u);
        EXPECT_EQ(std::string(name), std::to_string(id));
    }
}

TEST_F(FieldsTest, ListsOfFieldsAreMovedToTheCaller) {
    host.on(kGetList, [this](void* q, void* r) {
        EXPECT_EQ(raw::text(q, at::GetListField::formName), formName);
        EXPECT_EQ(raw::u32(q, at::GetListField::listKind), 1u);
        EXPECT_EQ(raw::u32(q, at::GetListField::sinceTime), 2u);
        EXPECT_EQ(raw::list(q, at::GetListField::propertyFilter).items, a.props) << "the caller's holder";
        return answerList(q, r), 1u;
    });
    host.on(kWfGetList, [](void* q, void* r) {
        EXPECT_TRUE(raw::zero(q, 0, 168) && raw::zero(q, at::GetListField::propertyFilter, 208));
        return answerList(q, r), 1u;
    });
    for (bool workflow : {false, true}) {
        IdList ids{7, nullptr};
        EXPECT_EQ(workflow ? ZVIWfGetListField(formName, 1, 2, &ids, &status)
                           : ZVIGetListField(&control, formName, 1, 2, &filter, &ids, &status),
                  0u);
        EXPECT_EQ(ids.numItems, 3u);
        std::free(ids.items);
        EXPECT_EQ(workflow ? ZVIWfGetListField(formName, 1, 2, nullptr, &status)
                           : ZVIGetListField(&control, formName, 1, 2, &filter, nullptr, &status),
                  2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
        zvi::releaseStatusList(&status, 0);
    }
    FieldNameList names{5, nullptr};
    EXPECT_EQ(ZVIGetListFieldName(&control, formName, nullptr, &status), 2u);
    EXPECT_EQ(ZVIGetListFieldName(&control, formName, &names, nullptr), 4u);
    EXPECT_EQ(names.numItems, 0u) << "emptied before the status list is tested";
    EXPECT_EQ(host.calls(kNames), 0);
}
