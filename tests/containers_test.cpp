// Container operations: the bytes the host receives and what the caller gets back, read
// at the offsets of the record tables; checks, frames and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/definitions.h"
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
namespace Delete { constexpr size_t deleteOption = 176; }
namespace GetList { constexpr size_t sinceTime = 168, types = 176, attributeMask = 192, owners = 200, properties = 216, last = 232, end = 240, containers = 168, status = 184; }
namespace GetMultiple { constexpr size_t names = 168, wantedMask = 184, sinceTime = 188, types = 192, attributeMask = 208, owners = 216, referenceTypes = 232, lists = 168 /* sixteen */, status = 424; }
namespace Reference { constexpr size_t label = 0, description = 8, dataKind = 24, groups = 32, value = 48; }
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

void answerGet(void*, void* r) {
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
    GetOutputs() { std::memset(static_cast<void*>(this), 0xAB, sizeof *this); }
    uint32_t get(ControlRecord* c, StatusList* s, IdList* referenceTypes) {
        return ZVIGetContainer(c, containerName, referenceTypes, reinterpret_cast<PermissionList*>(&lists[0]),
                               reinterpret_cast<IdList*>(&lists[1]), reinterpret_cast<ContainerOwnerList*>(&lists[2]),
                               &texts[0], &texts[1], &type, reinterpret_cast<ContainerReferenceList*>(&references),
                               &texts[2], owner, &timestamp, lastChangedBy, &texts[3],
                               reinterpret_cast<PropList*>(&properties), s);
    }
    uint32_t release(uint32_t rc) {
        zvi::ReleaseContainerReferenceList(reinterpret_cast<ContainerReferenceList*>(&references), 0);
        for (raw::List& list : lists) std::free(list.items);
        for (char* text : texts) std::free(text);
        std::free(properties.items);
        return rc;
    }
};

// ZVIGetMultipleContainers: the sixteen result lists with two items each (2: not an
// output), texts as counted texts; the outputs in argument order, owners before
// timestamps.
constexpr size_t kMultipleItems[16] = {1, 255, 16, 16, 16, 16, 16, 16, 4, 16, 16, 4, 255, 255, 16, 16};
constexpr bool isText(size_t i) { return i == 6 || i == 7 || i == 10 || i == 14; }
void answerMultiple(void*, void* r) {
    for (size_t i = 0; i < 16; ++i) {
        char* items = hostList(r, at::GetMultiple::lists + 16 * i, 2, kMultipleItems[i]);
        for (size_t k = 0; k < 2; ++k)
            if (isText(i)) hostText(items, 16 * k, k ? "second" : "first");
            else if (kMultipleItems[i] == 16) hostList(items, 16 * k, 1, i == 9 ? 288 : i == 15 ? 24 : 8);
    }
}

struct MultipleOutputs {
    raw::List l[16] = {};
    uint32_t wanted = 0xFFFF;  // the outputs passed, by result position
    template <class List>
    List* out(size_t i) { return wanted >> i & 1 ? reinterpret_cast<List*>(&l[i]) : nullptr; }
    uint32_t get(ControlRecord* c, StatusList* s, NameList* names, IdList* ids, ContainerOwnerList* owners) {
        return ZVIGetMultipleContainers(c, 4, names, ids, 6, owners, ids, out<FlagList>(0), out<NameList>(1),
                                        out<PermissionListList>(3), out<IdListList>(4), out<ContainerOwnerListList>(5),
                                        out<TextList>(6), out<TextList>(7), out<UintList>(8),
                                        out<ContainerReferenceListList>(9), out<TextList>(10), out<NameList>(12),
                                        out<UintList>(11), out<NameList>(13), out<TextList>(14), out<PropListList>(15), s);
    }
    uint32_t release(uint32_t rc) {
        for (size_t i = 0; i < 16; ++i) {
            for (uint32_t k = 0; l[i].items && k < l[i].count && (isText(i) || kMultipleItems[i] == 16); ++k)
                if (i == 9) zvi::ReleaseContainerReferenceList(static_cast<ContainerReferenceList*>(l[i].items) + k, 0);
                else std::free(raw::ptr(l[i].items, (isText(i) ? 8 : 16) * k + (isText(i) ? 0 : 8)));
            std::free(l[i].items);
        }
        return rc;
    }
};

class ContainersTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
};

std::vector<DefinitionOp> ContainersTest::ops() {
    auto none = [](void*, void*) {};
    return {
        {"ZVIGetContainer", kGet, 74, false, "ZVIGetContainer", at::Get::status, answerGet,
         [this](ControlRecord* c, StatusList* s) { GetOutputs o; const uint32_t rc = o.get(c, s, &a.groupList); return rc < 2 ? o.release(rc) : rc; },
         {0, 300}},
        {"ZVISetContainer", kSet, 75, true, "ZVISetContainer", 168, none,
         [this](ControlRecord* c, StatusList* s) { return a.set(c, s); }, {0, 300}},
        {"ZVICreateContainer", kCreate, 76, true, "ZVICreateContainer", 168, none,
         [this](ControlRecord* c, StatusList* s) { return a.create(c, s); }, {0, 300}},
        {"ZVIDeleteContainer", kDelete, 77, true, "ZVIDeleteContainer", 168, none,
         [](ControlRecord* c, StatusList* s) { return ZVIDeleteContainer(c, containerName, 3, s); }, {0}},
        {"ZVIGetListContainer", kGetList, 78, false, "ZVIGetListContainer", at::GetList::status,
         [](void*, void* r) { hostList(r, at::GetList::containers, 3, 40); },
         [this](ControlRecord* c, StatusList* s) {
             ContainerInfoList got{};
             const uint32_t rc = ZVIGetListContainer(c, 1, &a.groupList, 2, &a.ownerObjects, &a.properties, &got, s);
             return std::free(got.items), rc;
         },
         {0, 300}},
        {"ZVIGetMultipleContainers", kGetMultiple, 85, false, "ZVIGetMultipleContainers", at::GetMultiple::status,
         answerMultiple,
         [this](ControlRecord* c, StatusList* s) {
             MultipleOutputs o;
             return o.release(o.get(c, s, &nameList, &a.groupList, &a.ownerObjects));
         },
         {0, 2, 300}},
    };
}

}  // namespace

TEST_F(ContainersTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(ContainersTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Set and Create with every argument, and with a help text and a container type of 0
// only (Set then with a new name equal to the name).
TEST_F(ContainersTest, SetAndCreateSendCopiesAndTheirDefaults) {
    for (bool all : {true, false}) {
        a.all = all;
        a.type = all ? 5 : 0;
        uint32_t mask = 0;
        host.on(kSet, [&](void* q, void*) {
            expectDefinition(q, at::SetContainer, a);
            EXPECT_STREQ(raw::text(q, at::setNewName), all ? "Kit" : "");
            mask = raw::u32(q, at::setChangeMask);
            return 1u;
        });
        host.on(kCreate, [&](void* q, void*) {
            EXPECT_TRUE(raw::zero(q, at::name + 8, at::CreateContainer.lists[0]));
            return expectDefinition(q, at::CreateContainer, a), 1u;
        });
        if (!all) std::strcpy(a.newName, containerName);
        EXPECT_EQ(a.set(&control, &status), 0u);
        EXPECT_EQ(mask, all ? 4095u : 256u | 16u);
        EXPECT_EQ(a.create(&control, &status), 0u);
    }
    host.on(kDelete, [](void* q, void*) {
        return raw::text(q, at::name) == containerName && raw::u32(q, at::Delete::deleteOption) == 3 ? 1u : 0u;
    });
    EXPECT_EQ(ZVIDeleteContainer(&control, containerName, 3, &status), 0u);
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
    EXPECT_TRUE(host.events().empty()) << "each before anything reaches the host";
}

TEST_F(ContainersTest, GetAsksForWhatItIsGivenAndHandsItOver) {
    uint32_t mask = 0;
    host.on(kGet, [&](void* q, void* r) {
        mask = raw::u32(q, at::Get::wantedMask);
        EXPECT_EQ(raw::text(q, at::name), containerName);
        EXPECT_EQ(raw::list(q, at::Get::referenceTypes).count, mask ? 1u : 0u);
        EXPECT_NE(raw::list(q, at::Get::referenceTypes).items, a.groups);
        return answerGet(q, r), 1u;
    });
    GetOutputs o;
    EXPECT_EQ(o.get(&control, &status, &a.groupList), 0u);
    EXPECT_EQ(mask, 4095u);
    for (const raw::List& list : o.lists) EXPECT_EQ(list.count, 2u);
    EXPECT_STREQ(raw::text(o.references.items, at::Reference::label), "ref");
    EXPECT_EQ(std::vector<std::string>(o.texts, o.texts + 4), (std::vector<std::string>{"label", "description", "help", "diary"}));
    EXPECT_EQ(o.type, 5u);
    EXPECT_EQ(o.timestamp, 77u);
    EXPECT_STREQ(o.owner, "Owner");
    EXPECT_STREQ(o.lastChangedBy, "Changer");
    EXPECT_EQ(o.properties.count, 2u);
    o.release(0);

    // Only the owner and the timestamp; an owner list the host gives with a count of 0
    // is freed all the same.
    host.on(kGet, [&](void* q, void* r) {
        mask = raw::u32(q, at::Get::wantedMask);
        answerGet(q, r);
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

    // Emptied at entry: the lists' counts, the texts and the type before the status
    // list is tested, the names after it.
    GetOutputs failed;
    EXPECT_EQ(failed.get(&control, nullptr, nullptr), 4u);
    for (const raw::List& list : {failed.lists[0], failed.lists[1], failed.lists[2], failed.references, failed.properties})
        EXPECT_EQ(list.count, 0u);
    EXPECT_EQ(std::vector<char*>(failed.texts, failed.texts + 4), std::vector<char*>(4, nullptr));
    EXPECT_EQ(failed.type, 0u);
    EXPECT_EQ(uint8_t(failed.owner[0]), 0xABu);
    EXPECT_EQ(failed.timestamp, 0xABABABABu);
}

TEST_F(ContainersTest, GetListAndGetMultipleSendTheirSelectionsAndHandOverTheLists) {
    host.on(kGetList, [&](void* q, void* r) {
        namespace L = at::GetList;
        EXPECT_EQ(raw::u32(q, L::sinceTime) + raw::u32(q, L::attributeMask), 1u + 2u);
        for (size_t list : {L::types, L::owners, L::properties}) EXPECT_EQ(raw::list(q, list).count, 1u);
        EXPECT_NE(raw::list(q, L::owners).items, a.owners);
        EXPECT_TRUE(raw::zero(q, L::last, L::end));
        return hostList(r, L::containers, 3, 40), 1u;
    });
    ContainerInfoList got{};
    EXPECT_EQ(ZVIGetListContainer(&control, 1, &a.groupList, 2, &a.ownerObjects, &a.properties, &got, &status), 0u);
    EXPECT_EQ(got.numItems, 3u);
    std::free(got.items);

    uint32_t mask = 0;
    host.on(kGetMultiple, [&](void* q, void* r) {
        namespace M = at::GetMultiple;
        mask = raw::u32(q, M::wantedMask);
        EXPECT_EQ(raw::u32(q, M::sinceTime) + raw::u32(q, M::attributeMask), 4u + 6u);
        for (size_t list : {M::names, M::types, M::owners, M::referenceTypes}) EXPECT_NE(raw::list(q, list).items, nullptr);
        EXPECT_EQ(raw::list(q, M::names).count, 2u);
        return answerMultiple(q, r), 1u;
    });
    MultipleOutputs o;
    EXPECT_EQ(o.get(&control, &status, &nameList, &a.groupList, &a.ownerObjects), 0u);
    EXPECT_EQ(mask, 32767u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(o.l[i].count, i == 2 ? 0u : 2u) << i;
    EXPECT_STREQ(static_cast<char**>(o.l[14].items)[1], "second");
    o.release(0);

    // Owners without timestamps, labels whose count comes without items (never read);
    // what no output takes is released.
    MultipleOutputs owners;
    owners.wanted = 1 << 12 | 1 << 6;
    host.on(kGetMultiple, [&](void* q, void* r) {
        mask = raw::u32(q, at::GetMultiple::wantedMask);
        answerMultiple(q, r);
        auto* labels = reinterpret_cast<CountedTextList*>(static_cast<char*>(r) + at::GetMultiple::lists + 16 * 6);
        zvi::ReleaseCountedTextList(labels, 0);
        return *labels = {4, nullptr}, 1u;
    });
    alloc::Window window;
    EXPECT_EQ(owners.release(owners.get(&control, &status, nullptr, nullptr, nullptr)), 0u);
    EXPECT_EQ(mask, 2048u | 32u);
    EXPECT_EQ(owners.l[6].count, 0u);
    EXPECT_EQ(window.liveBlocks(), 0u);
    // Emptied at entry, whole but for the four text lists, which keep their pointers.
    std::memset(static_cast<void*>(o.l), 0xAB, sizeof o.l);
    EXPECT_EQ(o.get(&control, nullptr, nullptr, nullptr, nullptr), 4u);
    for (size_t i = 0; i < 16; ++i) EXPECT_TRUE(i == 2 || o.l[i].count + (o.l[i].items != nullptr) == isText(i)) << i;
}
