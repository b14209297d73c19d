// Form operations: the bytes the host receives and what the caller gets back; the frame of each
// operation, its checks and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/copies.h"
#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
struct Schema {  // Set and Create: name, typeInfo, five lists, transfer, tracking, four texts, properties
    size_t name, typeInfo, lists[5], transfer, tracking, texts[4], objectProperties;
};
constexpr Schema SetSchema{168, 192, {2520, 2536, 2552, 2568, 2584}, 2600, 3168, {3464, 3472, 3480, 3488}, 3496};
constexpr Schema CreateSchema{168, 176, {2504, 2520, 2536, 2552, 2568}, 2584, 3152, {3448, 3456, 3464, 3472}, 3480};
constexpr size_t setChangeMask = 176, setNewName = 184;
namespace GetSchema { constexpr size_t name = 168, wantedMask = 176, status = 4280; }
namespace DeleteSchema { constexpr size_t name = 168, deleteOption = 176; }
namespace GetListSchema {
constexpr size_t sinceTime = 168, nameFilter = 176, listKind = 184, idFilter = 192, propertyFilter = 208,
                 last = 224, names = 168, status = 184;
}
namespace GetMultipleSchemas {
constexpr size_t names = 168, wantedMask = 184, sinceTime = 188, ids = 192, idFilter = 208, lists = 168, status = 472;
}
}  // namespace at

constexpr uint32_t kGet = 12304, kSet = 12312, kCreate = 12320, kDelete = 12328, kGetList = 12336, kWfGet = 13608,
                   kWfGetList = 13624, kGetMultiple = 13008;
char formName[] = "HelpDesk";
uint32_t filterIds[2] = {3, 4};
IdList idList{2, filterIds};

// The caller's arguments of Set and Create: each list's first word its own.
struct Args : Giving {
    char newName[6] = "Desk2", texts[4][8] = {"second", "help", "owner", "diary"}, target[7] = "target";
    copies::Record<2312> typeInfo{3};
    copies::Record<296> tracking{5};
    Permission perms[2] = {{11, 2}, {3, 4}};
    uint32_t groups[1] = {12};
    EntryListField fields[1] = {{13, 20, "|"}};
    SortItem sorts[1] = {{14, 1}};
    IndexDef indexDefs[1] = {{15, {}, 0, "", {}}};
    PermissionList permissions{2, perms};
    IdList adminGroups{1, groups};
    EntryListFieldList listFields{1, fields};
    SortList sortOrder{1, sorts};
    IndexList indexes{1, indexDefs};
    Prop props[1] = {{9, textValue(0, texts[0]).value}};
    PropList properties{1, props};
    TransferSettings transfer{};
    Args() {
        transfer.flags = ZVI_TRANSFER_TARGET_TEXT | ZVI_TRANSFER_NO_TARGET | ZVI_TRANSFER_OPTION_A |
                         ZVI_TRANSFER_OPTION_B;
        transfer.target.text = target;
        transfer.numbers[3] = 44;
        std::strcpy(transfer.name, "Tname");
    }
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetSchema(c, formName, given(newName), given(typeInfo.as<FormTypeInfo>()), nullptr,
                            given(&permissions), given(&adminGroups), given(&listFields), given(&sortOrder),
                            given(&indexes), given(&transfer), given(tracking.as<TrackingSettings>()),
                            given(texts[0]), texts[1], given(texts[2]), given(texts[3]), given(&properties), nullptr,
                            s);
    }
    uint32_t create(ControlRecord* c, StatusList* s) {
        return ZVICreateSchema(c, formName, given(typeInfo.as<FormTypeInfo>()), nullptr, given(&permissions),
                               given(&adminGroups), given(&listFields), given(&sortOrder), given(&indexes),
                               given(&transfer), given(tracking.as<TrackingSettings>()), given(texts[0]),
                               texts[1], given(texts[2]), given(texts[3]), given(&properties), s);
    }
    // What Set and Create send (Set's new name aside); the transfer settings in the
    // host's form, whose text target the host takes over.
    std::vector<InPart> parts(const at::Schema& at) const {
        std::vector<InPart> p{{InPart::Borrowed, at.name, 0, formName, true},
                              {InPart::Word, at.typeInfo, 2, typeInfo.bytes},
                              {InPart::Word, at.tracking, 8192, tracking.bytes},
                              {InPart::Copied, at.objectProperties, 1024, &properties}};
        const void* lists[5] = {&permissions, &adminGroups, &listFields, &sortOrder, &indexes};
        for (size_t i = 0; i < 5; ++i) p.push_back({InPart::Copied, at.lists[i], 4u << i, lists[i]});
        const uint32_t textBits[4] = {2048, 128, 256, 512};
        for (size_t i = 0; i < 4; ++i) p.push_back({InPart::Text, at.texts[i], textBits[i], texts[i], i == 1});
        if (at.name == at::SetSchema.name && at.typeInfo == at::SetSchema.typeInfo)
            p.insert(p.end(), {{InPart::Text, at::setNewName, 1, newName}, {InPart::Flag, 0, 4096, nullptr}});
        return p;
    }
    void expectTransfer(void* q, size_t t, bool check) const {
        namespace H = get::HostTransfer;
        const char* text = raw::text(q, t + H::target);
        EXPECT_TRUE(!check || text != target);
        EXPECT_TRUE(!check || std::to_string(raw::u32(q, t + H::options)) + " " +
                                      std::to_string(raw::u32(q, t + H::targetKind)) + " " +
                                      std::to_string(raw::u32(q, t + H::numbers + 12)) + " " +
                                      raw::inlineText(q, t + H::name) + " " + (text ? text : "null") ==
                                  (all ? "3 6 44 Tname target" : "0 0 0  null"));
        std::free(raw::ptr(q, t + H::target));
    }
};

// ZVIGetSchema's outputs (and its workflow variant's) in argument order, at the offsets
// of its result; the host's unused permissions are always released.
GetRow getSchema(bool workflow) {
    GetRow g{"ZVIGetSchema", kGet, 7, at::GetSchema::wantedMask, {0},
             {{168, 1, 'W'}, {2480, 0, 'l', 280}, {2496, 0, 'D', 8}, {2512, 2, 'l', 8}, {2528, 4, 'l', 4},
              {2544, 8, 'l', 20}, {2560, 16, 'l', 8}, {2576, 32, 'l', 328}, {2592, 512, 'x'}, {3160, 1024, 'W', 296},
              {3456, 0, 'n'}, {3712, 64, 't'}, {3728, 0, 'w'}, {3732, 2048, 'n'}, {3987, 4096, 'n'}, {4248, 128, 't'},
              {4264, 256, 'l', 24}, {at::GetSchema::status, 0, 'S'}},
             pass<0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16>(ZVIGetSchema, formName),
             [](const void* q) { EXPECT_EQ(raw::text(q, at::GetSchema::name), formName); }};
    return !workflow ? g : direct(g, "ZVIWfGetSchema", kWfGet,
                                  pass<0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16>(
                                      [](ControlRecord*, char* form, auto... a) { return ZVIWfGetSchema(form, a...); },
                                      formName));
}

// ZVIGetMultipleSchemas: its nineteen lists in result order (4: not an output, released
// by the library).
ObjectName formNames[2] = {"Alpha", "Beta"};
NameList formList{2, formNames};
const GetRow kGetMultipleSchemas{
    "ZVIGetMulitpleSchemas", kGetMultiple, 86, at::GetMultipleSchemas::wantedMask, {0, 2, 300},
    get::resultLists(at::GetMultipleSchemas::lists, "ffffDfffffXffTfffTfS",
                     {1, 255, 2312, 16, 16, 16, 16, 16, 16, 16, 0, 296, 255, 0, 4, 255, 255, 0, 16, 0},
                     {1, 2, 4, 0, 0, 8, 16, 32, 64, 128, 32768, 65536, 256, 512, 1024, 2048, 4096, 8192, 16384, 0}),
    pass<0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18>(ZVIGetMultipleSchemas, 77u, &idList,
                                                                        &formList, &idList),
    [](const void* q) {
        namespace M = at::GetMultipleSchemas;
        EXPECT_EQ(raw::u32(q, M::sinceTime), 77u);
        for (size_t list : {M::names, M::ids}) EXPECT_EQ(raw::list(q, list).count, 2u);
        EXPECT_NE(raw::list(raw::ptr(q, M::idFilter), 0).items, filterIds);
    }};

// ZVIGetListSchema (and its workflow variant): the request, and the host's names as a NameList.
Prop filterProps[1] = {{9, {}}};
PropList propertyFilter{1, filterProps};
GetRow getListSchema(bool workflow) {
    return {workflow ? "ZVIWfGetListSchema" : "ZVIGetListSchema", workflow ? kWfGetList : kGetList,
            workflow ? ZVI_NO_HOOKS : 11u, 0, {0, 2, 300},
            {{at::GetListSchema::names, 0, 'L'}, {at::GetListSchema::status, 0, 'S'}},
            workflow ? pass<0>([](ControlRecord*, auto... a) { return ZVIWfGetListSchema(a...); }, 1u, 2u, nullptr,
                               &idList, &propertyFilter)
                     : pass<0>(ZVIGetListSchema, 1u, 2u, nullptr, &idList, &propertyFilter),
            [](const void* q) {
                namespace L = at::GetListSchema;
                EXPECT_EQ(raw::u32(q, L::sinceTime) * 10 + raw::u32(q, L::listKind), 12u);
                EXPECT_STREQ(raw::text(q, L::nameFilter), "");
                EXPECT_EQ(raw::list(q, L::idFilter).count, 2u);
                EXPECT_NE(raw::list(q, L::idFilter).items, filterIds);
                EXPECT_NE(raw::list(q, L::propertyFilter).items, filterProps);
                EXPECT_TRUE(raw::zero(q, L::last, 232));
            }};
}

class FormsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
};

// Each operation with every argument, and Set and Create with only a help text.
std::vector<DefinitionOp> FormsTest::ops() {
    std::vector<DefinitionOp> rows{
        frameRow(getSchema(false)),
        frameRow(getSchema(true)),
        {"ZVIDeleteSchema", kDelete, 10, true, "ZVIDeleteSchema", 168,
         [](void* q, void*) {
             EXPECT_EQ(raw::text(q, at::DeleteSchema::name), formName);
             EXPECT_EQ(raw::u32(q, at::DeleteSchema::deleteOption), 3u);
         },
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteSchema(c, formName, 3, s); }, {0}},
        frameRow(getListSchema(false)),
        frameRow(getListSchema(true)),
        frameRow(kGetMultipleSchemas)};
    for (bool create : {false, true}) {
        const at::Schema& schema = create ? at::CreateSchema : at::SetSchema;
        const DefinitionOp op{create ? "ZVICreateSchema" : "ZVISetSchema", create ? kCreate : kSet, create ? 9u : 8u,
                              true, create ? "ZVICreateSchema" : "ZVISetSchema", 168,
                              [this, &schema](void* q, void*) { a.expectTransfer(q, schema.transfer, !sweeping); },
                              [this, create](ControlRecord* c, StatusList* s) {
                                  return create ? a.create(c, s) : a.set(c, s);
                              },
                              {0, 300}};
        addSentRows(rows, op, create ? 0 : at::setChangeMask, a.all, [this, &schema] { return a.parts(schema); });
    }
    return rows;
}

}  // namespace

TEST_F(FormsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(FormsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

TEST_F(FormsTest, GetsHandOverWhatTheyAskFor) {
    for (const GetRow& g : {getSchema(false), kGetMultipleSchemas, getListSchema(false), getListSchema(true)})
        checkOutputs(g);
}

// A name the host says is 255 characters long ends the call; nothing is handed over.
TEST_F(FormsTest, GetListSchemaRefusesANameOver254Characters) {
    host.on(kGetList, [](void*, void* r) {
        char* items = hostList(r, at::GetListSchema::names, 2, 16);
        hostText(items, 0, "First");
        hostText(items, 16, "Second");
        return raw::put(items, 16, 255u), 1u;
    });
    Slots o(0xAB);
    expectSaid([&] { return getListSchema(false).call(o, &control, &status); }, "2:103", true);
    EXPECT_EQ(raw::u32(o.at(0), 0), 0u);
}
