// Form operations: the bytes the host receives and what the caller gets back, read at
// the offsets of the record tables; the frame variant of each operation, its checks,
// and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/copies.h"
#include "tests/support/definitions.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Transfer { constexpr size_t flags = 4, target = 8, name = 304; }
namespace HostTransfer { constexpr size_t options = 4, targetKind = 8, target = 16, numbers = 272, name = 312; }
struct Schema {  // Set and Create: name, typeInfo, five lists, transfer, tracking, four texts, properties
    size_t name, typeInfo, lists[5], transfer, tracking, texts[4], objectProperties;
};
constexpr Schema SetSchema{168, 192, {2520, 2536, 2552, 2568, 2584}, 2600, 3168, {3464, 3472, 3480, 3488}, 3496};
constexpr Schema CreateSchema{168, 176, {2504, 2520, 2536, 2552, 2568}, 2584, 3152, {3448, 3456, 3464, 3472}, 3480};
constexpr size_t setChangeMask = 176, setNewName = 184;
namespace GetSchema { constexpr size_t name = 168, wantedMask = 176, unusedPermissions = 2496, status = 4280; }
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

// The caller's arguments of Set and Create: each list's first word its own.
struct Args {
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
    bool all = true;  // false: a help text only
    Args() {
        transfer.flags = ZVI_TRANSFER_TARGET_TEXT | ZVI_TRANSFER_NO_TARGET | ZVI_TRANSFER_OPTION_A |
                         ZVI_TRANSFER_OPTION_B;
        transfer.target.text = target;
        transfer.numbers[3] = 44;
        std::strcpy(transfer.name, "Tname");
    }
    template <class T>
    T* given(T* arg) const {
        return all ? arg : nullptr;
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
        if (check) {
            EXPECT_EQ(raw::u32(q, t + at::HostTransfer::options), all ? 3u : 0u);
            EXPECT_EQ(raw::u32(q, t + at::HostTransfer::targetKind), all ? 6u : 0u);
            EXPECT_EQ(raw::u32(q, t + at::HostTransfer::numbers + 12), all ? 44u : 0u);
            EXPECT_STREQ(raw::inlineText(q, t + at::HostTransfer::name), all ? "Tname" : "");
            EXPECT_STREQ(all ? raw::text(q, t + at::HostTransfer::target) : "target", "target");
            EXPECT_NE(raw::text(q, t + at::HostTransfer::target), target);
        }
        std::free(raw::ptr(q, t + at::HostTransfer::target));
    }
};

// Transfer settings as the host returns them: an odd k a text target and option 1, an
// even one a form name, no target and option 2; the caller's flags say the same.
const OutKind transferKind{
    OutKind::Early,
    [](void* r, size_t at, const OutPart&, uint32_t k) {
        raw::put(r, at + at::HostTransfer::options, 2 - k % 2);
        raw::put(r, at + at::HostTransfer::targetKind, k % 2 ? 8u : 1u | 2u);
        if (k % 2) raw::put(r, at + at::HostTransfer::target, fake::text(seeded("target", k).c_str()));
        else hostName(r, at + at::HostTransfer::target, "Inline");
        hostName(r, at + at::HostTransfer::name, "Tname");
    },
    [](const void* out, const OutPart&, uint32_t k) {
        EXPECT_EQ(raw::u32(out, at::Transfer::flags), k % 2 ? 8u | 32u : 1u | 2u | 64u);
        EXPECT_STREQ(k % 2 ? raw::text(out, at::Transfer::target) : raw::inlineText(out, at::Transfer::target),
                     k % 2 ? seeded("target", k).c_str() : "Inline");
        EXPECT_STREQ(raw::inlineText(out, at::Transfer::name), "Tname");
    },
    [](void* out, const OutPart&) {
        if (raw::u32(out, at::Transfer::flags) & 12) std::free(raw::ptr(out, at::Transfer::target));
    },
    [](const void* out, const OutPart&) { return raw::zero(out, 0, 560); }};
// A form's references: one, with two details.
const OutKind referencesKind{
    OutKind::Early,
    [](void* r, size_t at, const OutPart&, uint32_t) { hostList(hostList(r, at, 1, 280), 264, 2, 552); },
    [](const void* out, const OutPart&, uint32_t) { EXPECT_EQ(raw::u32(raw::ptr(out, 8), 264), 2u); },
    [](void* out, const OutPart&) {
        if (raw::ptr(out, 8)) std::free(raw::ptr(raw::ptr(out, 8), 272));
        std::free(raw::ptr(out, 8));
    },
    kind::zeroWord};

// ZVIGetSchema's outputs (and its workflow variant's) in argument order, at the offsets
// of its result; the host's unused permissions are always released.
GetOp getSchema(bool workflow) {
    GetOp op{workflow ? kWfGet : kGet,
             at::GetSchema::wantedMask,
             {{168, 1, &kind::record}, {2480, 0, &referencesKind}, {2512, 2, &kind::list, 8},
              {2528, 4, &kind::list, 4}, {2544, 8, &kind::list, 20}, {2560, 16, &kind::list, 8},
              {2576, 32, &kind::list, 328}, {2592, 512, &transferKind}, {3160, 1024, &kind::record},
              {3456, 0, &kind::name, 255}, {3712, 64, &kind::text}, {3728, 0, &kind::word},
              {3732, 2048, &kind::name, 255}, {3987, 4096, &kind::name, 255}, {4248, 128, &kind::text},
              {4264, 256, &kind::released<PropList, zvi::ReleasePropList>, 24}},
             [](ControlRecord* c, StatusList* s, Outs& o) { return o.call(ZVIGetSchema, s, c, formName); },
             [](const void* q, void* r) {
                 EXPECT_EQ(raw::text(q, at::GetSchema::name), formName);
                 hostList(r, at::GetSchema::unusedPermissions, 1, 8);
             }};
    if (workflow) op.call = [](ControlRecord*, StatusList* s, Outs& o) { return o.call(ZVIWfGetSchema, s, formName); };
    return op;
}

// ZVIGetMultipleSchemas: its nineteen lists in result order (4: not an output, released
// by the library).
const GetOp kGetMultipleSchemas{
    kGetMultiple,
    at::GetMultipleSchemas::wantedMask,
    lists(at::GetMultipleSchemas::lists,
          {{1, &kind::flat, 1}, {2, &kind::flat, 255}, {4, &kind::flat, 2312}, {0, &kind::list, 16, 16, 280},
           {0, nullptr}, {8, &kind::list, 16, 16, 8}, {16, &kind::list, 16, 16, 4},
           {32, &kind::list, 16, 16, 20}, {64, &kind::list, 16, 16, 8}, {128, &kind::list, 16, 16, 8},
           {32768, &transferKind, 568, 560}, {65536, &kind::flat, 296}, {256, &kind::flat, 255},
           {512, &kind::text, 16, 8}, {1024, &kind::flat, 4}, {2048, &kind::flat, 255}, {4096, &kind::flat, 255},
           {8192, &kind::text, 16, 8}, {16384, &kind::released<PropList, zvi::ReleasePropList>, 16, 16, 24}}),
    [](ControlRecord* c, StatusList* s, Outs& o) {
        IdList ids{2, filterIds}, filter{2, filterIds};
        ObjectName names[2] = {"Alpha", "Beta"};
        NameList forms{2, names};
        return o.call(ZVIGetMultipleSchemas, s, c, 77, &ids, &forms, &filter);
    },
    [](const void* q, void* r) {
        namespace M = at::GetMultipleSchemas;
        EXPECT_EQ(raw::u32(q, M::sinceTime), 77u);
        for (size_t list : {M::names, M::ids}) EXPECT_EQ(raw::list(q, list).count, 2u);
        EXPECT_NE(raw::list(raw::ptr(q, M::idFilter), 0).items, filterIds);
        hostList(hostList(r, M::lists + 16 * 4, 1, 16), 0, 1, 8);
    }};

// A name list as the host returns it, the second name's length given.
void answerNames(void* r, uint32_t lengthOfSecond) {
    char* items = hostList(r, at::GetListSchema::names, 2, 16);
    hostText(items, 0, "First");
    hostText(items, 16, "Second");
    raw::put(items, 16, lengthOfSecond);
}

class FormsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    uint32_t getList(bool workflow, NameList* got, StatusList* s, ControlRecord* c = nullptr) {
        return workflow ? ZVIWfGetListSchema(1, 2, nullptr, &idFilter, &a.properties, got, s)
                        : ZVIGetListSchema(c ? c : &control, 1, 2, nullptr, &idFilter, &a.properties, got, s);
    }
    Args a;
    IdList idFilter{2, filterIds};
};

// Each operation with every argument, and Set and Create with only a help text.
std::vector<DefinitionOp> FormsTest::ops() {
    auto names = [](void*, void* r) { answerNames(r, 7); };
    auto list = [this](bool workflow) {
        return [this, workflow](ControlRecord* c, StatusList* s) {
            NameList got{};
            const uint32_t rc = getList(workflow, &got, s, c);
            return std::free(got.items), rc;
        };
    };
    std::vector<DefinitionOp> rows{
        getRow("ZVIGetSchema", 7, at::GetSchema::status, getSchema(false)),
        getRow("ZVIWfGetSchema", ZVI_NO_HOOKS, at::GetSchema::status, getSchema(true)),
        {"ZVIDeleteSchema", kDelete, 10, true, "ZVIDeleteSchema", 168,
         [](void* q, void*) {
             EXPECT_EQ(raw::text(q, at::DeleteSchema::name), formName);
             EXPECT_EQ(raw::u32(q, at::DeleteSchema::deleteOption), 3u);
         },
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteSchema(c, formName, 3, s); }, {0}},
        {"ZVIGetListSchema", kGetList, 11, false, "ZVIGetListSchema", at::GetListSchema::status, names, list(false),
         {0, 2, 300}},
        {"ZVIWfGetListSchema", kWfGetList, ZVI_NO_HOOKS, false, "ZVIWfGetListSchema", at::GetListSchema::status,
         names, list(true), {0, 2, 300}},
        getRow("ZVIGetMultipleSchemas", 86, at::GetMultipleSchemas::status, kGetMultipleSchemas,
               "ZVIGetMulitpleSchemas", {0, 2, 300})};
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
    checkGet(getSchema(false));
    checkGet(kGetMultipleSchemas, true);
}

// What counts as a change: warning 54 before anything reaches the host (a new name
// null, empty or the form's own; references and the reserved argument are not sent);
// transfer settings alone, with a form name as target.
TEST_F(FormsTest, SetChangesOnlyWhatItIsGiven) {
    char empty[] = "";
    FormReferenceList references{};
    int reserved = 0;
    TransferSettings inlineName{};
    inlineName.flags = ZVI_TRANSFER_TARGET_NAME | ZVI_TRANSFER_OPTION_B;
    std::strcpy(inlineName.target.name, "Target form");
    auto set = [&](char* newName, TransferSettings* transfer) {
        return [=, &references, &reserved] {
            return ZVISetSchema(&control, formName, newName, nullptr, &references, nullptr, nullptr, nullptr, nullptr,
                                nullptr, transfer, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &reserved,
                                &status);
        };
    };
    host.on(kSet, [](void* q, void*) {
        const size_t t = at::SetSchema.transfer;
        EXPECT_EQ(raw::u32(q, t + at::HostTransfer::options), 2u);
        EXPECT_EQ(raw::u32(q, t + at::HostTransfer::targetKind), 1u);
        EXPECT_STREQ(raw::inlineText(q, t + at::HostTransfer::target), "Target form");
        return raw::u32(q, at::setChangeMask) == 4096u ? 1u : 0u;
    });
    checkArguments({{set(nullptr, nullptr), ZVI_WARNING, 54}, {set(empty, nullptr), ZVI_WARNING, 54},
                    {set(formName, nullptr), ZVI_WARNING, 54}, {set(nullptr, &inlineName), 0, 0},
                    {[&] { return getList(false, nullptr, &status); }, ZVI_ERROR, 105},
                    {[&] { return getList(true, nullptr, &status); }, ZVI_ERROR, 105}});
}

// The request, and the host's names converted; a name of 255 characters ends the call.
TEST_F(FormsTest, GetListSchemaConvertsTheHostsNamesIntoANameList) {
    for (uint32_t length : {7u, 255u}) {
        host.on(kGetList, [&](void* q, void* r) {
            namespace L = at::GetListSchema;
            EXPECT_EQ(raw::u32(q, L::sinceTime) * 10 + raw::u32(q, L::listKind), 12u);
            EXPECT_STREQ(raw::text(q, L::nameFilter), "");
            EXPECT_EQ(raw::list(q, L::idFilter).count, 2u);
            EXPECT_NE(raw::list(q, L::idFilter).items, filterIds);
            EXPECT_NE(raw::list(q, L::propertyFilter).items, a.props);
            EXPECT_TRUE(raw::zero(q, L::last, 232));
            return answerNames(r, length), 1u;
        });
        NameList got{9, nullptr};
        EXPECT_EQ(getList(false, &got, &status), length > 254 ? 2u : 0u);
        EXPECT_EQ(got.numItems, length > 254 ? 0u : 2u);
        EXPECT_STREQ(length > 254 ? "Second" : got.items[1], "Second");
        EXPECT_EQ(messages(status), length > 254 ? std::vector<Message>{catalogMessage(ZVI_ERROR, 103)}
                                                 : std::vector<Message>{});
        std::free(got.items);
        zvi::releaseStatusList(&status, 0);
    }
    NameList got{9, nullptr};
    EXPECT_EQ(getList(false, &got, nullptr), 4u);
    EXPECT_EQ(got.numItems, 0u) << "emptied before the status list is tested";
}
