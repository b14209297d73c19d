// Container operations: the bytes the host receives and what the caller gets back, read
// at the offsets of the record tables; checks, frames and every allocation failure.
// The rows' host answers check every request sent with all arguments given.
#include <gtest/gtest.h>

#include "tests/support/workflow_rows.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
struct Def { size_t lists[3], label, description, type, references, removeFlag, texts[3], objectProperties, end; };
constexpr Def SetContainer{{192, 208, 224}, 240, 248, 256, 264, 280, {288, 296, 304}, 312, 344},
              CreateContainer{{184, 200, 216}, 232, 240, 248, 256, 272, {280, 288, 296}, 304, 336};
constexpr size_t name = 168, setChangeMask = 176, setNewName = 184;
namespace Get {
constexpr size_t wantedMask = 176, referenceTypes = 184, unusedPermissions = 168, lists = 184 /* three */,
                 label = 232, description = 248, type = 264, references = 272, helpText = 288, timestamp = 304,
                 owner = 308, lastChangedBy = 563, changeDiary = 824, objectProperties = 840, status = 856;
}
namespace GetList { constexpr size_t sinceTime = 168, types = 176, attributeMask = 192, owners = 200, properties = 216, last = 232, end = 240, containers = 168, status = 184; }
namespace GetMultiple { constexpr size_t types = 192, attributeMask = 208, owners = 216, referenceTypes = 232; }
namespace Reference { constexpr size_t label = 0, description = 8, groups = 32, value = 48; }
}  // namespace at

constexpr uint32_t kGet = 12840, kSet = 12848, kCreate = 12856, kDelete = 12864, kGetList = 12872, kGetMultiple = 13016;
constexpr size_t kListItems[3] = {8, 4, 260};  // permissions, groups, owners
char containerName[] = "Tools";

// The caller's arguments of Set and Create.
struct Args {
    char newName[6] = "Kit", texts[5][12] = {"label", "description", "help", "owner", "diary"}, value[6] = "value";
    Permission perms[2] = {{1, 2}, {3, 4}};
    uint32_t groups[1] = {7}, type = 5;
    ContainerOwner owners[1] = {{2, "Owner form"}};
    PermissionList permissions{2, perms};
    IdList groupList{1, groups};
    ContainerOwnerList ownerObjects{1, owners};
    const void* lists[3] = {&permissions, &groupList, &ownerObjects};
    ContainerReference refs[1] = {{texts[0], texts[1], 3, 0, ZVI_REFERENCE_EXTERNAL, {}}};
    ContainerReferenceList references{1, refs};
    Prop props[1] = {{9, {ZVI_DATA_INTEGER, {.i = 4}}}};
    PropList properties{1, props};
    bool all = true;
    Args() { refs[0].u.external = {groupList, {ZVI_DATA_TEXT, {.text = value}}}; }
    template <class T>
    T* given(T* arg) const { return all ? arg : nullptr; }
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetContainer(c, containerName, newName, given(&permissions), given(&groupList), given(&ownerObjects),
                               given(texts[0]), given(texts[1]), &type, given(&references), 1, texts[2],
                               given(texts[3]), given(texts[4]), given(&properties), s);
    }
    uint32_t create(ControlRecord* c, StatusList* s) {
        return ZVICreateContainer(c, containerName, given(&permissions), given(&groupList), given(&ownerObjects),
                                  given(texts[0]), given(texts[1]), type, given(&references), 1, texts[2],
                                  given(texts[3]), given(texts[4]), given(&properties), s);
    }
};

// What Set and Create send: copies of the lists (a reference's texts, groups and value
// deeply), the caller's texts or empty ones of the library's own, the words as given.
void expectDefinition(void* q, const at::Def& at, const Args& a) {
    EXPECT_EQ(raw::text(q, at::name), containerName);
    for (size_t i = 0; i < 3; ++i) {
        const raw::List sent = raw::list(q, at.lists[i]), given = raw::list(a.lists[i], 0);
        EXPECT_EQ(sent.count, a.all ? given.count : 0u) << i;
        EXPECT_NE(sent.items, given.items) << i;
        EXPECT_TRUE(!a.all || !std::memcmp(sent.items, given.items, given.count * kListItems[i])) << i;
    }
    const raw::List refs = raw::list(q, at.references);
    EXPECT_EQ(refs.count, a.all ? 1u : 0u);
    if (a.all) {
        namespace R = at::Reference;
        for (size_t text : {R::label, R::description}) EXPECT_NE(raw::text(refs.items, text), raw::text(a.refs, text));
        EXPECT_STREQ(raw::text(refs.items, R::description), "description");
        EXPECT_NE(raw::list(refs.items, R::groups).items, a.groups);
        EXPECT_STREQ(raw::text(refs.items, R::value + 8), "value");
        EXPECT_NE(raw::text(refs.items, R::value + 8), a.value);
    }
    EXPECT_EQ(raw::u32(q, at.type), a.type);
    EXPECT_EQ(raw::u8(q, at.removeFlag), 1u);
    const size_t texts[5] = {at.label, at.description, at.texts[0], at.texts[1], at.texts[2]};
    for (size_t i = 0; i < 5; ++i) {
        const bool given = a.all || i == 2;
        EXPECT_EQ(raw::text(q, texts[i]) == a.texts[i], given) << i;
        EXPECT_STREQ(raw::text(q, texts[i]), given ? a.texts[i] : "") << i;
    }
    EXPECT_EQ(raw::list(q, at.objectProperties).count, a.all ? 1u : 0u);
    EXPECT_NE(raw::list(q, at.objectProperties).items, a.props);
    EXPECT_TRUE(raw::zero(q, at.objectProperties + 16, at.end));
}

void answerGet(void* r) {
    using namespace at::Get;
    hostList(r, unusedPermissions, 1, 8);
    for (size_t i = 0; i < 3; ++i) hostList(r, lists + 16 * i, 2, kListItems[i]);
    hostText(r, label, "label");
    hostText(r, description, "description");
    raw::put(r, type, 5u);
    raw::put(hostList(r, references, 1, 288), at::Reference::label, fake::text("ref"));
    hostText(r, helpText, "help");
    raw::put(r, timestamp, 77u);
    hostName(r, owner, "Owner");
    hostName(r, lastChangedBy, "Changer");
    hostText(r, changeDiary, "diary");
    hostList(r, objectProperties, 2, 24);
}

// Every output of ZVIGetContainer, and their release by the caller.
struct GetOutputs {
    raw::List lists[3], references, properties;
    char *texts[4], owner[255], lastChangedBy[255];  // label, description, help text, change diary
    uint32_t type, timestamp = 9;
    explicit GetOutputs(int fill) { std::memset(static_cast<void*>(this), fill, sizeof *this); }
    uint32_t get(ControlRecord* c, StatusList* s, IdList* referenceTypes) {
        return ZVIGetContainer(c, containerName, referenceTypes, reinterpret_cast<PermissionList*>(&lists[0]),
                               reinterpret_cast<IdList*>(&lists[1]), reinterpret_cast<ContainerOwnerList*>(&lists[2]),
                               &texts[0], &texts[1], &type, reinterpret_cast<ContainerReferenceList*>(&references),
                               &texts[2], owner, &timestamp, lastChangedBy, &texts[3],
                               reinterpret_cast<PropList*>(&properties), s);
    }
    void expectAll() {
        for (const raw::List& list : lists) EXPECT_EQ(list.count, 2u);
        EXPECT_STREQ(raw::text(references.items, at::Reference::label), "ref");
        EXPECT_EQ(std::vector<std::string>(texts, texts + 4),
                  (std::vector<std::string>{"label", "description", "help", "diary"}));
        EXPECT_EQ(type + timestamp + properties.count, 5u + 77u + 2u);
        EXPECT_STREQ(owner, "Owner");
        EXPECT_STREQ(lastChangedBy, "Changer");
    }
    uint32_t release(uint32_t rc) {
        zvi::ReleaseContainerReferenceList(reinterpret_cast<ContainerReferenceList*>(&references), 0);
        for (raw::List& list : lists) std::free(list.items);
        for (char* text : texts) std::free(text);
        std::free(properties.items);
        return rc;
    }
};

const MultipleShape kMultiple{
    "FFDNNNTTF*TFFFTNS", {1, 255, 8, 8, 8, 8, 0, 0, 4, 16, 0, 4, 255, 255, 0, 24},
    [](char* item) { hostList(item, 0, 1, 288); },
    [](void* item) { zvi::ReleaseContainerReferenceList(static_cast<ContainerReferenceList*>(item), 0); }};

class ContainersTest : public WorkflowRowsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
    const MultipleRow multiple{
        "ZVIGetMultipleContainers", kGetMultiple, 85, kMultiple,
        [this](ListsOut& o, ControlRecord* c, StatusList* s, NameList* names) {
            IdList* ids = names ? &a.groupList : nullptr;  // owners before timestamps
            return ZVIGetMultipleContainers(c, 77, names, ids, 6, names ? &a.ownerObjects : nullptr, ids, o[0], o[1],
                                            o[3], o[4], o[5], o[6], o[7], o[8], o[9], o[10], o[12], o[11], o[13],
                                            o[14], o[15], s);
        },
        [this](const void* q) {
            namespace M = at::GetMultiple;
            EXPECT_EQ(raw::u32(q, M::attributeMask), 6u);
            for (size_t list : {M::types, M::owners, M::referenceTypes}) EXPECT_EQ(raw::list(q, list).count, 1u);
            EXPECT_NE(raw::list(q, M::owners).items, a.owners);
        }};
};

std::vector<DefinitionOp> ContainersTest::ops() {
    return {
        {"ZVIGetContainer", kGet, 74, false, "ZVIGetContainer", at::Get::status,
         [this](void* q, void* r) {
             EXPECT_EQ(raw::text(q, at::name), containerName);
             EXPECT_EQ(raw::u32(q, at::Get::wantedMask), 4095u);
             EXPECT_EQ(raw::list(q, at::Get::referenceTypes).count, 1u);
             EXPECT_NE(raw::list(q, at::Get::referenceTypes).items, a.groups);
             answerGet(r);
         },
         [this](ControlRecord* c, StatusList* s) {
             GetOutputs o(0);
             const uint32_t rc = o.get(c, s, &a.groupList);
             if (rc < 2) o.expectAll();
             return o.release(rc);
         },
         {0, 300}},
        {"ZVISetContainer", kSet, 75, true, "ZVISetContainer", 168,
         [this](void* q, void*) {
             expectDefinition(q, at::SetContainer, a);
             EXPECT_STREQ(raw::text(q, at::setNewName), a.all ? "Kit" : "");
             EXPECT_EQ(raw::u32(q, at::setChangeMask), a.all ? 4095u : 256u | 16u);
         },
         [this](ControlRecord* c, StatusList* s) { return a.set(c, s); }, {0, 300}},
        {"ZVICreateContainer", kCreate, 76, true, "ZVICreateContainer", 168,
         [this](void* q, void*) {
             EXPECT_TRUE(raw::zero(q, at::name + 8, at::CreateContainer.lists[0]));
             expectDefinition(q, at::CreateContainer, a);
         },
         [this](ControlRecord* c, StatusList* s) { return a.create(c, s); }, {0, 300}},
        deleteOp("ZVIDeleteContainer", kDelete, 77, ZVIDeleteContainer, containerName),
        {"ZVIGetListContainer", kGetList, 78, false, "ZVIGetListContainer", at::GetList::status,
         [this](void* q, void* r) {
             namespace L = at::GetList;
             EXPECT_EQ(raw::u32(q, L::sinceTime) + raw::u32(q, L::attributeMask), 1u + 2u);
             for (size_t list : {L::types, L::owners, L::properties}) EXPECT_EQ(raw::list(q, list).count, 1u);
             EXPECT_NE(raw::list(q, L::owners).items, a.owners);
             EXPECT_TRUE(raw::zero(q, L::last, L::end));
             hostList(r, L::containers, 3, 40);
         },
         [this](ControlRecord* c, StatusList* s) {
             ContainerInfoList got{};
             const uint32_t rc = ZVIGetListContainer(c, 1, &a.groupList, 2, &a.ownerObjects, &a.properties, &got, s);
             EXPECT_EQ(got.numItems, rc < 2 ? 3u : 0u);
             return std::free(got.items), rc;
         },
         {0, 300}},
        op(multiple),
    };
}

}  // namespace

TEST_F(ContainersTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ContainersTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// With a help text and a container type of 0 only (Set then with a new name equal to
// the name): empty texts and lists, the words as given; the checks before anything
// reaches the host.
TEST_F(ContainersTest, SetAndCreateSendTheirDefaults) {
    a.all = false;
    a.type = 0;
    std::strcpy(a.newName, containerName);
    for (const DefinitionOp& op : ops())
        if (op.slot == kSet || op.slot == kCreate) {
            serve(op, 1, false);
            EXPECT_EQ(op.call(&control, &status), 0u) << op.name;
        }
    host.clearEvents();
    EXPECT_EQ(ZVISetContainer(&control, containerName, a.newName, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, 1, nullptr, nullptr, nullptr, nullptr, &status), 1u) << "removeFlag is no change";
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_WARNING, 54)});
    zvi::releaseStatusList(&status, 0);
    EXPECT_EQ(ZVIGetListContainer(&control, 0, nullptr, 0, nullptr, nullptr, nullptr, &status), 2u);
    EXPECT_EQ(messages(status), std::vector<Message>{catalogMessage(ZVI_ERROR, 105)});
    ContainerInfoList none{4, nullptr};
    EXPECT_EQ(ZVIGetListContainer(&control, 0, nullptr, 0, nullptr, nullptr, &none, nullptr), 4u);
    EXPECT_EQ(none.numItems, 0u) << "emptied before the status list is tested";
    EXPECT_TRUE(host.events().empty());
}

// Only the owner and the timestamp (an owner list the host gives with a count of 0 is
// freed all the same); without a status list the lists' counts, the texts and the
// type are emptied, the names are not.
TEST_F(ContainersTest, GetAsksForWhatItIsGivenAndEmptiesItsOutputs) {
    uint32_t mask = 0;
    host.on(kGet, [&](void* q, void* r) {
        mask = raw::u32(q, at::Get::wantedMask);
        EXPECT_EQ(raw::list(q, at::Get::referenceTypes).count, 0u);
        answerGet(r);
        raw::put(r, at::Get::lists + 32, 0u);
        return 1u;
    });
    alloc::Window window;
    char owner[255];
    uint32_t timestamp = 0;
    EXPECT_EQ(ZVIGetContainer(&control, containerName, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, owner, &timestamp, nullptr, nullptr, nullptr, &status), 0u);
    EXPECT_EQ(mask, 1024u);
    EXPECT_EQ(window.liveBlocks(), 0u);
    GetOutputs failed(0xAB);
    EXPECT_EQ(failed.get(&control, nullptr, nullptr), 4u);
    for (const raw::List& list : {failed.lists[0], failed.lists[1], failed.lists[2], failed.references, failed.properties})
        EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(std::vector<char*>(failed.texts, failed.texts + 4), std::vector<char*>(4, nullptr));
    EXPECT_EQ(failed.type, 0u);
    EXPECT_EQ(uint8_t(failed.owner[0]), 0xABu);
    EXPECT_EQ(failed.timestamp, 0xABABABABu);
}

TEST_F(ContainersTest, GetMultipleHandsOverEachList) { checkMultiple(multiple); }
