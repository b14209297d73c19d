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
namespace GetSchema {
constexpr size_t name = 168, wantedMask = 176, typeInfo = 168, references = 2480, unusedPermissions = 2496,
                 lists = 2512 /* five, 16 apart */, transfer = 2592, tracking = 3160, secondaryName = 3456,
                 helpText = 3712, timestamp = 3728, owner = 3732, lastChangedBy = 3987, changeDiary = 4248,
                 objectProperties = 4264, status = 4280;
}
namespace DeleteSchema { constexpr size_t name = 168, deleteOption = 176; }
namespace GetListSchema {
constexpr size_t sinceTime = 168, nameFilter = 176, listKind = 184, idFilter = 192, propertyFilter = 208,
                 last = 224, names = 168, status = 184;
}
namespace GetMultipleSchemas {
constexpr size_t names = 168, wantedMask = 184, sinceTime = 188, ids = 192, idFilter = 208,
                 lists = 168 /* nineteen, 16 apart */, status = 472;
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

// The host's text target in its transfer settings.
void hostTransfer(void* r, size_t at, uint32_t kind, uint32_t options) {
    raw::put(r, at + at::HostTransfer::options, options);
    raw::put(r, at + at::HostTransfer::targetKind, kind);
    if (kind & 12) raw::put(r, at + at::HostTransfer::target, fake::text("target"));
    else hostName(r, at + at::HostTransfer::target, "Inline");
    hostName(r, at + at::HostTransfer::name, "Tname");
}

void answerGet(void*, void* r) {
    using namespace at::GetSchema;
    raw::put(r, typeInfo, 3u);
    hostList(hostList(r, references, 1, 280), 264, 2, 552);
    hostList(r, unusedPermissions, 1, 8);
    for (size_t i = 0; i < 5; ++i) hostList(r, lists + 16 * i, 1, kItemSizes[i]);
    hostTransfer(r, transfer, 1 | 2, 2);
    raw::put(r, tracking, 9u);
    hostName(r, secondaryName, "Second");
    hostText(r, helpText, "help");
    raw::put(r, timestamp, 1234u);
    std::memset(static_cast<char*>(r) + owner, 'o', 255);  // no terminator in the buffer
    hostName(r, lastChangedBy, "Changer");
    hostText(r, changeDiary, "diary");
    raw::put(hostList(r, objectProperties, 1, 24), 8, textValue(0, fake::text("prop")).value);
}

// Every output of ZVIGetSchema, and their release by the caller.
struct GetOutputs {
    FormTypeInfo typeInfo;
    FormReferenceList references;
    PermissionList permissions;
    IdList adminGroups;
    EntryListFieldList listFields;
    SortList sortOrder;
    IndexList indexes;
    TransferSettings transfer;
    TrackingSettings tracking;
    char secondaryName[255], owner[255], lastChangedBy[255];
    char *helpText, *changeDiary;
    uint32_t timestamp;
    PropList properties;
    GetOutputs() { std::memset(static_cast<void*>(this), 0xAB, sizeof *this); }
    uint32_t get(ControlRecord* c, StatusList* s, bool workflow = false) {
        if (workflow)
            return ZVIWfGetSchema(formName, &typeInfo, &references, &permissions, &adminGroups, &listFields,
                                  &sortOrder, &indexes, &transfer, &tracking, secondaryName, &helpText, &timestamp,
                                  owner, lastChangedBy, &changeDiary, &properties, s);
        return ZVIGetSchema(c, formName, &typeInfo, &references, &permissions, &adminGroups, &listFields, &sortOrder,
                            &indexes, &transfer, &tracking, secondaryName, &helpText, &timestamp, owner,
                            lastChangedBy, &changeDiary, &properties, s);
    }
    uint32_t release(uint32_t rc) {
        for (uint32_t i = 0; i < references.numItems; ++i) std::free(references.items[i].details.items);
        for (void* list : std::initializer_list<void*>{&references, &permissions, &adminGroups, &listFields,
                                                       &sortOrder, &indexes})
            std::free(raw::ptr(list, 8));
        for (char* text : {helpText, changeDiary}) std::free(text);
        zvi::ReleasePropList(&properties, 0);
        return rc;
    }
};

// A name list as the host returns it.
void answerNames(void*, void* r, size_t at, uint32_t lengthOfSecond) {
    char* items = hostList(r, at, 2, 16);
    hostText(items, 0, "First");
    hostText(items, 16, "Second");
    raw::put(items, 16, lengthOfSecond);
}

// ZVIGetMultipleSchemas: each of the nineteen lists holds two items (the transfer
// settings with text targets, the help texts and diaries as counted texts).
constexpr size_t kMultipleItems[19] = {1, 255, 2312, 16, 16, 16, 16, 16, 16, 16, 568, 296, 255, 16, 4, 255, 255, 16, 16};
void answerMultiple(void*, void* r) {
    for (size_t i = 0; i < 19; ++i) {
        char* items = hostList(r, at::GetMultipleSchemas::lists + 16 * i, 2, kMultipleItems[i]);
        for (size_t k = 0; k < 2; ++k) {
            char* item = items + k * kMultipleItems[i];
            if (i == 10) hostTransfer(item, 0, 8, 1);
            else if (i == 13 || i == 17) hostText(item, 0, k ? "second text" : "first text");
            else if (kMultipleItems[i] == 16) hostList(item, 0, 1, i == 3 ? 280 : i == 18 ? 24 : 8);
        }
    }
}

// The nineteen lists of ZVIGetMultipleSchemas in result order (4: not an output).
struct MultipleOutputs {
    raw::List l[19] = {};
    bool all = true;
    template <class List>
    List* out(size_t i) {
        return all || i == 0 ? reinterpret_cast<List*>(&l[i]) : nullptr;
    }
    uint32_t get(ControlRecord* c, StatusList* s, IdList* ids, NameList* forms, IdList* filter) {
        return ZVIGetMultipleSchemas(
            c, 77, ids, forms, filter, out<FlagList>(0), out<NameList>(1), out<FormTypeInfoList>(2),
            out<FormReferenceListList>(3), out<PermissionListList>(5), out<IdListList>(6),
            out<EntryListFieldListList>(7), out<SortListList>(8), out<IndexListList>(9), out<TransferSettingsList>(10),
            out<TrackingSettingsList>(11), out<NameList>(12), out<TextList>(13), out<UintList>(14), out<NameList>(15),
            out<NameList>(16), out<TextList>(17), out<PropListList>(18), s);
    }
    uint32_t release(uint32_t rc) {
        for (size_t i = 0; i < 19; ++i) {
            for (uint32_t k = 0; l[i].items && k < l[i].count; ++k) {
                if (i == 3) std::free(raw::ptr(raw::ptr(l[i].items, 16 * k + 8), 264));  // a reference's details
                if (i == 18) zvi::ReleasePropList(static_cast<PropList*>(l[i].items) + k, 0);
                else if (i == 13 || i == 17) std::free(static_cast<char**>(l[i].items)[k]);
                else if (kMultipleItems[i] == 16 || i == 10) std::free(raw::ptr(l[i].items, (i == 10 ? 560 : 16) * k + 8));
            }
            std::free(l[i].items);
        }
        return rc;
    }
};

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
        {"ZVIGetSchema", kGet, 7, false, "ZVIGetSchema", at::GetSchema::status, answerGet,
         [](ControlRecord* c, StatusList* s) { GetOutputs o; const uint32_t rc = o.get(c, s); return rc < 2 ? o.release(rc) : rc; },
         {0}},
        {"ZVIWfGetSchema", kWfGet, ZVI_NO_HOOKS, false, "ZVIWfGetSchema", at::GetSchema::status, answerGet,
         [](ControlRecord* c, StatusList* s) { GetOutputs o; const uint32_t rc = o.get(c, s, true); return rc < 2 ? o.release(rc) : rc; },
         {0}},
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
        {"ZVIGetMultipleSchemas", kGetMultiple, 86, false, "ZVIGetMulitpleSchemas", at::GetMultipleSchemas::status,
         answerMultiple,
         [this](ControlRecord* c, StatusList* s) {
             MultipleOutputs o;
             return o.release(o.get(c, s, &idFilter, &nameList, &idFilter));
         },
         {0, 2, 300}},
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

TEST_F(FormsTest, GetSchemaAsksForWhatItIsGivenAndHandsItOver) {
    uint32_t mask = 0;
    host.on(kGet, [&](void* q, void* r) {
        EXPECT_EQ(raw::text(q, at::GetSchema::name), formName);
        mask = raw::u32(q, at::GetSchema::wantedMask);
        return answerGet(q, r), 1u;
    });
    GetOutputs o;
    EXPECT_EQ(o.get(&control, &status), 0u);
    EXPECT_EQ(mask, 8191u);
    EXPECT_EQ(o.typeInfo.formType, 3u);
    ASSERT_EQ(o.references.numItems, 1u);
    EXPECT_EQ(o.references.items[0].details.numItems, 2u);
    for (const void* list : {(void*)&o.permissions, (void*)&o.adminGroups, (void*)&o.listFields, (void*)&o.sortOrder,
                             (void*)&o.indexes})
        EXPECT_EQ(raw::u32(list, 0), 1u);
    EXPECT_EQ(raw::u32(&o.transfer, at::Transfer::flags), 3u | 64u);
    EXPECT_STREQ(raw::inlineText(&o.transfer, at::Transfer::target), "Inline");
    EXPECT_STREQ(raw::inlineText(&o.transfer, at::Transfer::name), "Tname");
    EXPECT_EQ(o.tracking.word0, 9u);
    EXPECT_STREQ(o.secondaryName, "Second");
    EXPECT_STREQ(o.helpText, "help");
    EXPECT_EQ(o.timestamp, 1234u);
    EXPECT_EQ(std::string(o.owner), std::string(254, 'o')) << "never read past the host's buffer";
    EXPECT_STREQ(o.lastChangedBy, "Changer");
    EXPECT_STREQ(o.changeDiary, "diary");
    EXPECT_STREQ(o.properties.items[0].value.payload.text, "prop");
    o.release(0);

    // Only the outputs without a bit: mask 0; what nobody takes is released.
    FormReferenceList references{};
    char second[255];
    uint32_t timestamp = 0;
    alloc::Window window;
    EXPECT_EQ(ZVIGetSchema(&control, formName, nullptr, &references, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, second, nullptr, &timestamp, nullptr, nullptr, nullptr, nullptr, &status),
              0u);
    EXPECT_EQ(mask, 0u);
    EXPECT_STREQ(second, "Second");
    EXPECT_EQ(timestamp, 1234u);
    std::free(references.items[0].details.items);
    std::free(references.items);
    EXPECT_EQ(window.liveBlocks(), 0u);
}

// Outputs are emptied before the status list is tested; the names the host writes on
// request after it; the others keep what they held when the host fails.
TEST_F(FormsTest, GetSchemaEmptiesItsOutputsFirst) {
    host.on(kGet, [](void*, void*) { return 0u; });
    for (StatusList* s : {static_cast<StatusList*>(nullptr), &status}) {
        GetOutputs o;
        EXPECT_EQ(o.get(&control, s), s ? 2u : 4u);
        for (const void* list : {(void*)&o.typeInfo, (void*)&o.references, (void*)&o.permissions,
                                 (void*)&o.adminGroups, (void*)&o.listFields, (void*)&o.sortOrder, (void*)&o.indexes,
                                 (void*)&o.properties})
            EXPECT_EQ(raw::u32(list, 0), 0u);
        EXPECT_TRUE(raw::zero(&o.transfer, 0, 560));
        EXPECT_TRUE(raw::zero(&o.tracking, 0, 296));
        EXPECT_EQ(o.helpText, nullptr);
        EXPECT_EQ(o.changeDiary, nullptr);
        EXPECT_EQ(o.owner[0] == 0 && o.lastChangedBy[0] == 0, s != nullptr);
        EXPECT_EQ(uint8_t(o.secondaryName[0]), 0xABu);
        EXPECT_EQ(o.timestamp, 0xABABABABu);
    }
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

TEST_F(FormsTest, GetMultipleSchemasSendsCopiesAndHandsOverParallelLists) {
    uint32_t mask = 0;
    IdList ids{2, filterIds};
    host.on(kGetMultiple, [&](void* q, void* r) {
        namespace M = at::GetMultipleSchemas;
        mask = raw::u32(q, M::wantedMask);
        EXPECT_EQ(raw::u32(q, M::sinceTime), 77u);
        for (size_t list : {M::names, M::ids}) EXPECT_EQ(raw::list(q, list).count, mask != 1 ? 2u : 0u);
        const void* filter = raw::ptr(q, M::idFilter);
        EXPECT_EQ(filter != nullptr, mask != 1);
        if (filter) {
            EXPECT_NE(raw::list(filter, 0).items, filterIds);
        }
        return answerMultiple(q, r), 1u;
    });
    MultipleOutputs o;
    EXPECT_EQ(o.get(&control, &status, &ids, &nameList, &idFilter), 0u);
    EXPECT_EQ(mask, 131071u);
    for (size_t i = 0; i < 19; ++i) EXPECT_EQ(o.l[i].count, i == 4 ? 0u : 2u) << i;
    const void* transfer = static_cast<char*>(o.l[10].items) + 560;  // the caller's form
    EXPECT_EQ(raw::u32(transfer, at::Transfer::flags), 8u | 32u);
    EXPECT_STREQ(raw::text(transfer, at::Transfer::target), "target");
    EXPECT_STREQ(static_cast<char**>(o.l[13].items)[1], "second text");
    EXPECT_STREQ(static_cast<char**>(o.l[17].items)[0], "first text");
    o.release(0);

    // Only the exist list: nothing to send, nothing else delivered, nothing left behind.
    alloc::Window window;
    MultipleOutputs exist;
    exist.all = false;
    EXPECT_EQ(exist.release(exist.get(&control, &status, nullptr, nullptr, nullptr)), 0u);
    EXPECT_EQ(mask, 1u);
    EXPECT_EQ(window.liveBlocks(), 0u);

    // Counts without items: nothing is read, the converted lists come back empty.
    host.on(kGetMultiple, [](void*, void* r) {
        for (size_t i : {10, 13, 17}) raw::putList(r, at::GetMultipleSchemas::lists + 16 * i, 3, nullptr);
        return 1u;
    });
    MultipleOutputs lying;
    EXPECT_EQ(lying.get(&control, &status, nullptr, nullptr, nullptr), 0u);
    for (size_t i : {10, 13, 17}) EXPECT_EQ(lying.l[i].count, 0u) << i;
    lying.release(0);
}
