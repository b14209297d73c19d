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
namespace Transfer { constexpr size_t flags = 4, target = 8, numbers = 264, name = 304; }
namespace HostTransfer { constexpr size_t options = 4, targetKind = 8, target = 16, numbers = 272, name = 312; }
struct Schema {  // Set and Create: name, typeInfo, five lists, transfer, tracking, four texts, properties
    size_t name, typeInfo, lists[5], transfer, tracking, texts[4], objectProperties, end;
};
constexpr Schema SetSchema{168, 192, {2520, 2536, 2552, 2568, 2584}, 2600, 3168, {3464, 3472, 3480, 3488}, 3496, 3536};
constexpr Schema CreateSchema{168, 176, {2504, 2520, 2536, 2552, 2568}, 2584, 3152, {3448, 3456, 3464, 3472}, 3480,
                              3512};
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
constexpr size_t kItemSizes[5] = {8, 4, 20, 8, 328};  // permissions, admin groups, list fields, sort, indexes
char formName[] = "HelpDesk";

// The caller's arguments of Set and Create.
struct Args {
    char newName[6] = "Desk2", texts[4][8] = {"second", "help", "owner", "diary"};
    char target[7] = "target", propText[5] = "prop";
    copies::Record<2312> typeInfo{3};
    copies::Record<296> tracking{5};
    Permission perms[2] = {{1, 2}, {3, 4}};
    uint32_t groups[1] = {7};
    EntryListField fields[1] = {{1, 20, "|"}};
    SortItem sorts[1] = {{3, 1}};
    IndexDef indexDefs[1] = {};
    PermissionList permissions{2, perms};
    IdList adminGroups{1, groups};
    EntryListFieldList listFields{1, fields};
    SortList sortOrder{1, sorts};
    IndexList indexes{1, indexDefs};
    const void* lists[5] = {&permissions, &adminGroups, &listFields, &sortOrder, &indexes};
    Prop props[1] = {{9, textValue(0, propText).value}};
    PropList properties{1, props};
    TransferSettings transfer{};
    Args() {
        // The list field's padding (bytes 18 and 19) written, so that the copy, which
        // clears it, compares equal byte for byte.
        raw::put<uint16_t>(&fields[0], 18, 0);
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
    bool all = true;
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetSchema(c, formName, newName, given(typeInfo.as<FormTypeInfo>()), nullptr,
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
};

// The host takes the copy of a text target over.
void takeTarget(void* q, size_t transfer) {
    if (raw::u32(q, transfer + at::HostTransfer::targetKind) & 12) std::free(raw::ptr(q, transfer + at::HostTransfer::target));
}

// What Set and Create send: the caller's pointers and bytes, copies of its lists, its
// transfer settings in the host's form or, for what is not given, zero bytes and empty
// texts of the library's own (both are always given a help text).
void expectSchemaRequest(void* q, const at::Schema& at, const Args& a) {
    EXPECT_EQ(raw::text(q, at.name), formName);
    EXPECT_TRUE(a.all ? !std::memcmp(raw::bytes(q, at.typeInfo), a.typeInfo.bytes, 2312)
                      : raw::zero(q, at.typeInfo, at.typeInfo + 2312));
    for (size_t i = 0; i < 5; ++i) {
        const raw::List sent = raw::list(q, at.lists[i]), given = raw::list(a.lists[i], 0);
        EXPECT_EQ(sent.count, a.all ? given.count : 0u) << i;
        EXPECT_TRUE(!a.all || !std::memcmp(sent.items, given.items, given.count * kItemSizes[i])) << i;
        EXPECT_NE(sent.items, given.items) << i;
    }
    const raw::List props = raw::list(q, at.objectProperties);
    EXPECT_EQ(props.count, a.all ? 1u : 0u);
    if (a.all) {
        EXPECT_STREQ(raw::text(props.items, 16), "prop");
        EXPECT_NE(raw::text(props.items, 16), a.propText) << "a deep copy";
    }
    const size_t t = at.transfer;
    EXPECT_EQ(raw::u32(q, t + at::HostTransfer::options), a.all ? 3u : 0u);
    EXPECT_EQ(raw::u32(q, t + at::HostTransfer::targetKind), a.all ? 6u : 0u);
    EXPECT_EQ(raw::u32(q, t + at::HostTransfer::numbers + 12), a.all ? 44u : 0u);
    EXPECT_STREQ(raw::inlineText(q, t + at::HostTransfer::name), a.all ? "Tname" : "");
    if (a.all) {
        EXPECT_NE(raw::text(q, t + at::HostTransfer::target), a.target);
        EXPECT_STREQ(raw::text(q, t + at::HostTransfer::target), "target");
    }
    takeTarget(q, t);
    EXPECT_TRUE(a.all ? !std::memcmp(raw::bytes(q, at.tracking), a.tracking.bytes, 296)
                      : raw::zero(q, at.tracking, at.tracking + 296));
    for (size_t i = 0; i < 4; ++i) {
        const bool given = a.all || i == 1;
        ASSERT_NE(raw::text(q, at.texts[i]), nullptr) << i;
        EXPECT_STREQ(raw::text(q, at.texts[i]), given ? a.texts[i] : "") << i;
        EXPECT_EQ(raw::text(q, at.texts[i]) == a.texts[i], given) << i;
    }
    EXPECT_TRUE(raw::zero(q, at.objectProperties + 16, at.end)) << "trailing bytes";
}

// Transfer settings as the host returns them: an odd seed a text target and option 2,
// an even one a form name target and option 1; the caller's flags say the same.
const OutKind transferKind{
    OutKind::Early,
    [](void* r, size_t at, const OutPart&, uint32_t seed) {
        raw::put(r, at + at::HostTransfer::options, 2 - seed % 2);
        raw::put(r, at + at::HostTransfer::targetKind, seed % 2 ? 8u : 1u | 2u);
        if (seed % 2) raw::put(r, at + at::HostTransfer::target, fake::text(seeded("target", seed).c_str()));
        else hostName(r, at + at::HostTransfer::target, "Inline");
        hostName(r, at + at::HostTransfer::name, "Tname");
    },
    [](const void* out, const OutPart&, uint32_t seed) {
        EXPECT_EQ(raw::u32(out, at::Transfer::flags), seed % 2 ? 8u | 32u : 1u | 2u | 64u);
        EXPECT_STREQ(seed % 2 ? raw::text(out, at::Transfer::target) : raw::inlineText(out, at::Transfer::target),
                     seed % 2 ? seeded("target", seed).c_str() : "Inline");
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
    [](const void* out, const OutPart&, uint32_t) {
        ASSERT_EQ(raw::u32(out, 0), 1u);
        EXPECT_EQ(raw::u32(raw::ptr(out, 8), 264), 2u);
    },
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
             {{168, 1, &kind::record, 2312},
              {2480, 0, &referencesKind},
              {2512, 2, &kind::list, 8},
              {2528, 4, &kind::list, 4},
              {2544, 8, &kind::list, 20},
              {2560, 16, &kind::list, 8},
              {2576, 32, &kind::list, 328},
              {2592, 512, &transferKind},
              {3160, 1024, &kind::record, 296},
              {3456, 0, &kind::name, 255},
              {3712, 64, &kind::text},
              {3728, 0, &kind::word},
              {3732, 2048, &kind::name, 255},
              {3987, 4096, &kind::name, 255},
              {4248, 128, &kind::text},
              {4264, 256, &kind::props}},
             [](ControlRecord* c, StatusList* s, Outs& o) {
                 return ZVIGetSchema(c, formName, o.p<FormTypeInfo>(0), o.p<FormReferenceList>(1),
                                     o.p<PermissionList>(2), o.p<IdList>(3), o.p<EntryListFieldList>(4),
                                     o.p<SortList>(5), o.p<IndexList>(6), o.p<TransferSettings>(7),
                                     o.p<TrackingSettings>(8), o.p<char>(9), o.p<char*>(10), o.p<uint32_t>(11),
                                     o.p<char>(12), o.p<char>(13), o.p<char*>(14), o.p<PropList>(15), s);
             },
             [](const void* q, void* r) {
                 EXPECT_EQ(raw::text(q, at::GetSchema::name), formName);
                 hostList(r, at::GetSchema::unusedPermissions, 1, 8);
             }};
    if (workflow)
        op.call = [](ControlRecord*, StatusList* s, Outs& o) {
            return ZVIWfGetSchema(formName, o.p<FormTypeInfo>(0), o.p<FormReferenceList>(1), o.p<PermissionList>(2),
                                  o.p<IdList>(3), o.p<EntryListFieldList>(4), o.p<SortList>(5), o.p<IndexList>(6),
                                  o.p<TransferSettings>(7), o.p<TrackingSettings>(8), o.p<char>(9),
                                  o.p<char*>(10), o.p<uint32_t>(11), o.p<char>(12), o.p<char>(13),
                                  o.p<char*>(14), o.p<PropList>(15), s);
        };
    return op;
}

// A name list as the host returns it.
void answerNames(void*, void* r, size_t at, uint32_t lengthOfSecond) {
    char* items = hostList(r, at, 2, 16);
    hostText(items, 0, "First");
    hostText(items, 16, "Second");
    raw::put(items, 16, lengthOfSecond);
}

// ZVIGetMultipleSchemas: its nineteen lists in result order (4: not an output, released
// by the library). The forms asked for by name and id, and the id filter, are sent only
// when the form names are asked for.
uint32_t filterIds[2] = {3, 4};
const GetOp kGetMultipleSchemas{
    kGetMultiple,
    at::GetMultipleSchemas::wantedMask,
    lists(at::GetMultipleSchemas::lists,
          {listPart(1, kind::flat, 1), listPart(2, kind::flat, 255), listPart(4, kind::flat, 2312),
           listPart(0, kind::list, 16, 16, 280), listPart(0, kind::flat, 0), listPart(8, kind::list, 16, 16, 8),
           listPart(16, kind::list, 16, 16, 4), listPart(32, kind::list, 16, 16, 20),
           listPart(64, kind::list, 16, 16, 8), listPart(128, kind::list, 16, 16, 8),
           listPart(32768, transferKind, 568, 560), listPart(65536, kind::flat, 296), listPart(256, kind::flat, 255),
           listPart(512, kind::text, 16, 8), listPart(1024, kind::flat, 4), listPart(2048, kind::flat, 255),
           listPart(4096, kind::flat, 255), listPart(8192, kind::text, 16, 8), listPart(16384, kind::props, 16)}),
    [](ControlRecord* c, StatusList* s, Outs& o) {
        ObjectName names[2] = {"Alpha", "Beta"};
        NameList forms{2, names};
        IdList ids{2, filterIds}, filter{2, filterIds};
        const bool sent = o.passed[1];
        return ZVIGetMultipleSchemas(
            c, 77, sent ? &ids : nullptr, sent ? &forms : nullptr, sent ? &filter : nullptr, o.p<FlagList>(0),
            o.p<NameList>(1), o.p<FormTypeInfoList>(2), o.p<FormReferenceListList>(3),
            o.p<PermissionListList>(5), o.p<IdListList>(6), o.p<EntryListFieldListList>(7),
            o.p<SortListList>(8), o.p<IndexListList>(9), o.p<TransferSettingsList>(10),
            o.p<TrackingSettingsList>(11), o.p<NameList>(12), o.p<TextList>(13), o.p<UintList>(14),
            o.p<NameList>(15), o.p<NameList>(16), o.p<TextList>(17), o.p<PropListList>(18), s);
    },
    [](const void* q, void* r) {
        namespace M = at::GetMultipleSchemas;
        const bool sent = raw::u32(q, M::wantedMask) != 1;
        EXPECT_EQ(raw::u32(q, M::sinceTime), 77u);
        for (size_t list : {M::names, M::ids}) EXPECT_EQ(raw::list(q, list).count, sent ? 2u : 0u);
        const void* filter = raw::ptr(q, M::idFilter);
        EXPECT_EQ(filter != nullptr, sent);
        if (filter) {
            EXPECT_NE(raw::list(filter, 0).items, filterIds);
        }
        hostList(hostList(r, M::lists + 16 * 4, 1, 16), 0, 1, 8);
    }};

class FormsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
    uint32_t filterIds[2] = {3, 4};
    IdList idFilter{2, filterIds};
    Prop filterProps[1] = {{1, textValue(0, a.propText).value}};
    PropList propertyFilter{1, filterProps};
    ObjectName names[2] = {"Alpha", "Beta"};
    NameList nameList{2, names};
};

std::vector<DefinitionOp> FormsTest::ops() {
    auto getList = [this](bool workflow) {
        return [this, workflow](ControlRecord* c, StatusList* s) {
            NameList got{};
            const uint32_t rc = workflow ? ZVIWfGetListSchema(1, 2, nullptr, &idFilter, &propertyFilter, &got, s)
                                         : ZVIGetListSchema(c, 1, 2, nullptr, &idFilter, &propertyFilter, &got, s);
            std::free(got.items);
            return rc;
        };
    };
    auto names = [](void* q, void* r) { answerNames(q, r, at::GetListSchema::names, 7); };
    return {
        getRow("ZVIGetSchema", 7, at::GetSchema::status, getSchema(false)),
        getRow("ZVIWfGetSchema", ZVI_NO_HOOKS, at::GetSchema::status, getSchema(true)),
        {"ZVISetSchema", kSet, 8, true, "ZVISetSchema", 168,
         [](void* q, void*) { takeTarget(q, at::SetSchema.transfer); },
         [this](ControlRecord* c, StatusList* s) { return a.set(c, s); }, {0, 300}},
        {"ZVICreateSchema", kCreate, 9, true, "ZVICreateSchema", 168,
         [](void* q, void*) { takeTarget(q, at::CreateSchema.transfer); },
         [this](ControlRecord* c, StatusList* s) { return a.create(c, s); }, {0, 300}},
        {"ZVIDeleteSchema", kDelete, 10, true, "ZVIDeleteSchema", 168, [](void*, void*) {},
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteSchema(c, formName, 3, s); }, {0}},
        {"ZVIGetListSchema", kGetList, 11, false, "ZVIGetListSchema", at::GetListSchema::status, names,
         getList(false), {0, 2, 300}},
        {"ZVIWfGetListSchema", kWfGetList, ZVI_NO_HOOKS, false, "ZVIWfGetListSchema", at::GetListSchema::status,
         names, getList(true), {0, 2, 300}},
        getRow("ZVIGetMultipleSchemas", 86, at::GetMultipleSchemas::status, kGetMultipleSchemas,
               "ZVIGetMulitpleSchemas", {0, 2, 300}),
    };
}

}  // namespace

TEST_F(FormsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(FormsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Set and Create with every argument, and without them (Set keeps a help text and a
// new name equal to the form's name, so that it changes something).
TEST_F(FormsTest, SetAndCreateSendTheCallersArgumentsOrTheirDefaults) {
    for (bool all : {true, false}) {
        a.all = all;
        uint32_t mask = 0;
        host.on(kSet, [&](void* q, void*) {
            expectSchemaRequest(q, at::SetSchema, a);
            mask = raw::u32(q, at::setChangeMask);
            EXPECT_STREQ(raw::text(q, at::setNewName), all ? "Desk2" : "");
            EXPECT_NE(raw::text(q, at::setNewName), nullptr);
            return 1u;
        });
        host.on(kCreate, [&](void* q, void*) { return expectSchemaRequest(q, at::CreateSchema, a), 1u; });
        if (!all) std::strcpy(a.newName, formName);
        EXPECT_EQ(a.set(&control, &status), 0u);
        EXPECT_EQ(mask, all ? 16383u : 128u);
        EXPECT_EQ(a.create(&control, &status), 0u);
        EXPECT_EQ(host.calls(kSet) + host.calls(kCreate), all ? 2 : 4);
    }
    host.on(kDelete, [](void* q, void*) {
        EXPECT_EQ(raw::text(q, at::DeleteSchema::name), formName);
        return raw::u32(q, at::DeleteSchema::deleteOption) == 3 ? 1u : 0u;
    });
    EXPECT_EQ(ZVIDeleteSchema(&control, formName, 3, &status), 0u);
}

// What counts as a change: warning 54 before anything reaches the host; transfer
// settings alone, with a form name as target.
TEST_F(FormsTest, SetChangesOnlyWhatItIsGiven) {
    char empty[] = "", same[] = "HelpDesk";
    FormReferenceList references{};
    int reserved = 0;
    for (char* newName : {static_cast<char*>(nullptr), empty, same}) {
        EXPECT_EQ(ZVISetSchema(&control, formName, newName, nullptr, &references, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &reserved,
                               &status),
                  1u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_WARNING, 54)});
        zvi::releaseStatusList(&status, 0);
    }
    EXPECT_TRUE(host.events().empty()) << "not even the control record is converted";
    TransferSettings inlineName{};
    inlineName.flags = ZVI_TRANSFER_TARGET_NAME | ZVI_TRANSFER_OPTION_B;
    std::strcpy(inlineName.target.name, "Target form");
    host.on(kSet, [](void* q, void*) {
        const size_t t = at::SetSchema.transfer;
        EXPECT_EQ(raw::u32(q, t + at::HostTransfer::options), 2u);
        EXPECT_EQ(raw::u32(q, t + at::HostTransfer::targetKind), 1u);
        EXPECT_STREQ(raw::inlineText(q, t + at::HostTransfer::target), "Target form");
        return raw::u32(q, at::setChangeMask) == 4096u ? 1u : 0u;
    });
    EXPECT_EQ(ZVISetSchema(&control, formName, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &inlineName, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status),
              0u);
}

TEST_F(FormsTest, GetsHandOverWhatTheyAskFor) {
    checkGet(getSchema(false));
    checkGet(getSchema(true));
    checkGetMultiple(kGetMultipleSchemas);
}

TEST_F(FormsTest, GetListSchemaConvertsTheHostsNamesIntoANameList) {
    for (uint32_t length : {7u, 254u, 255u}) {
        host.on(kGetList, [&](void* q, void* r) {
            namespace L = at::GetListSchema;
            EXPECT_EQ(raw::u32(q, L::sinceTime), 1u);
            EXPECT_STREQ(raw::text(q, L::nameFilter), "");
            EXPECT_EQ(raw::u32(q, L::listKind), 2u);
            EXPECT_EQ(raw::list(q, L::idFilter).count, 2u);
            EXPECT_NE(raw::list(q, L::idFilter).items, filterIds);
            EXPECT_NE(raw::list(q, L::propertyFilter).items, filterProps);
            EXPECT_TRUE(raw::zero(q, L::last, 232));
            return answerNames(q, r, L::names, length), 1u;
        });
        NameList got{9, nullptr};
        EXPECT_EQ(ZVIGetListSchema(&control, 1, 2, nullptr, &idFilter, &propertyFilter, &got, &status),
                  length > 254 ? 2u : 0u);
        EXPECT_EQ(got.numItems, length > 254 ? 0u : 2u);
        if (length < 255) {
            EXPECT_STREQ(got.items[1], "Second");
        }
        EXPECT_EQ(messages(status), length > 254 ? std::vector<Message>{catalogMessage(ZVI_ERROR, 103)}
                                                 : std::vector<Message>{});
        std::free(got.items);
        zvi::releaseStatusList(&status, 0);
    }
    host.clearEvents();
    for (bool workflow : {false, true}) {
        EXPECT_EQ(workflow ? ZVIWfGetListSchema(0, 0, nullptr, nullptr, nullptr, nullptr, &status)
                           : ZVIGetListSchema(&control, 0, 0, nullptr, nullptr, nullptr, nullptr, &status),
                  2u);
        EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
        zvi::releaseStatusList(&status, 0);
    }
    NameList got{9, nullptr};
    EXPECT_EQ(ZVIGetListSchema(&control, 0, 0, nullptr, nullptr, nullptr, &got, nullptr), 4u);
    EXPECT_EQ(got.numItems, 0u) << "emptied before the status list is tested";
    EXPECT_TRUE(host.events().empty());
}
