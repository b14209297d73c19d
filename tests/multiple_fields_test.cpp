// Multiple fields and overlays: the bytes the host receives (checked by each operation's
// host routine) and what the caller gets back; the count rule and the checks that name the
// offending field; the frame of each operation and every allocation failure.
#include <gtest/gtest.h>

#include "tests/support/copies.h"
#include "tests/support/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Create {
constexpr size_t formName = 168, fieldIds = 176, flags = 192, names = 208, mappings = 224, words = 240 /* four */,
                 values = 304, permissions = 320, limits = 336, displays = 352, helpTexts = 368, owners = 384,
                 diaries = 400, properties = 416, size = 432, assignedIds = 168, status = 184;
}
namespace Set {
constexpr size_t fieldIds = 176, names = 192, masks = 208, mappings = 224, words = 240 /* three */, values = 288,
                 helpTexts = 352, setOptions = 400, properties = 416, status = 184;
}
namespace GetMultiple { constexpr size_t formName = 168, filter = 176, wantedMask = 192, lists = 168, status = 472; }
namespace Delete { constexpr size_t formName = 168, fieldIds = 176, deleteOption = 192; }
namespace ObjectRef { constexpr size_t kind = 256, related = 260, words = 516 /* three */; }
constexpr size_t overlayObject = 168, overlayText = 208, fromObjects[2] = {168, 200}, fromText = 232,
                 overlayWord = 176, overlayStatus = 184, limitPattern = 280, displayInstances = 16;
}  // namespace at

constexpr uint32_t kGetMultiple = 12392, kCreate = 13264, kSet = 13272, kDelete = 12680, kOverlay = 13824,
                   kFromObject = 13832;
char formName[] = "HelpDesk";

const char* itemOf(const void* record, size_t at, size_t i, size_t itemSize) {
    return static_cast<const char*>(raw::list(record, at).items) + i * itemSize;
}
// A list copied for the host: n items in a block of its own.
void expectCopied(const void* q, size_t at, const void* given, size_t itemSize, uint32_t n = 3) {
    EXPECT_EQ(raw::list(q, at).count, n) << at;
    EXPECT_NE(raw::list(q, at).items, given) << at;
    EXPECT_EQ(std::memcmp(raw::list(q, at).items, given, n * itemSize), 0) << at;
}
// A counted text of the request, in words: its length and its text.
std::string counted(const void* q, size_t at, size_t i) {
    const char* item = itemOf(q, at, i, 16);
    return std::to_string(raw::u32(item, 0)) + (raw::text(item, 8) ? raw::text(item, 8) : "null");
}

// The caller's lists of Create and Set for three fields, some of which have no item.
struct Args : Giving {
    uint32_t ids[3] = {536870913, 536870914, 536870915};
    uint8_t flags[3] = {1, 0, 1};
    std::string longName = std::string(300, 'n');
    char name[7] = "Serial", help[5] = "help", owner[6] = "Owner", diary[6] = "diary", text[4] = "abc",
         pattern[4] = "[a]";
    char *names[3] = {name, nullptr, &longName[0]}, *helps[3] = {help, nullptr, help},
         *owners[3] = {owner, nullptr, nullptr}, *diaries[3] = {nullptr, diary, nullptr};
    FieldMapping maps[3] = {{1, {}}, {2, {}}, {3, {}}};
    uint32_t words[4][3] = {{4, 2, 7}, {1, 2, 4}, {1, 2, 1}, {6, 5, 9}};  // types, entry, creation, extra
    uint32_t setOptionWords[3] = {1, 0, 1};
    Value value = textValue(0, text).value, *values[3] = {&value, nullptr, &value};
    Permission perm[1] = {{1, 2}};
    PermissionList permissions{1, perm}, *permLists[3] = {nullptr, &permissions, nullptr};
    FieldLimit limit{ZVI_DATA_TEXT, {}}, *limits[3] = {&limit, nullptr, nullptr};
    Prop prop[1] = {{5, textValue(0, text).value}};
    PropList props[3] = {{1, prop}, {}, {}};
    DisplayInstance instance[1] = {{3, {1, prop}}};
    DisplayInstanceList display{{}, 1, instance}, *displays[3] = {nullptr, nullptr, &display};
    FieldMapping* mapPtrs[3] = {&maps[0], nullptr, &maps[2]};
    uint32_t* wordPtrs[3][3] = {{&words[1][0], &words[1][1], nullptr}, {nullptr, &words[2][1], nullptr},
                                {&words[3][0], nullptr, nullptr}};
    IdList fieldIds{3, ids};
    FlagList fieldIdFlags{3, flags};
    TextList fieldNames{3, names}, helpTexts{3, helps}, ownerNames{3, owners}, changeDiaries{3, diaries};
    FieldMappingList mappings{3, maps};
    UintList dataTypes{3, words[0]}, entryOptions{3, words[1]}, creationOptions{3, words[2]},
        extraOptions{3, words[3]}, setOptions{3, setOptionWords};
    ValuePtrList defaultValues{3, values};
    PermissionListPtrList permissionLists{3, permLists};
    FieldLimitPtrList limitLists{3, limits};
    DisplayInstanceListPtrList displayLists{3, displays};
    FieldMappingPtrList mappingPtrs{3, mapPtrs};
    UintPtrList entryPtrs{3, wordPtrs[0]}, creationPtrs{3, wordPtrs[1]}, extraPtrs{3, wordPtrs[2]};
    PropListList properties{3, props};
    FieldResultList results{7, nullptr};
    FlagList* flagsArg = &fieldIdFlags;  // the required arguments, as given
    UintList* required[4] = {&dataTypes, &entryOptions, &creationOptions, &extraOptions};
    FieldResultList* resultsArg = &results;

    Args() { limit.u.text.charPattern = pattern; }
    uint32_t create(ControlRecord* c, StatusList* s) {
        return ZVICreateMultipleFields(c, formName, &fieldIds, flagsArg, given(&fieldNames), given(&mappings),
                                       required[0], required[1], required[2], required[3], given(&defaultValues),
                                       given(&permissionLists), given(&limitLists), given(&displayLists),
                                       given(&helpTexts), given(&ownerNames), given(&changeDiaries),
                                       given(&properties), s);
    }
    uint32_t set(ControlRecord* c, StatusList* s) {
        return ZVISetMultipleFields(c, formName, &fieldIds, given(&fieldNames), given(&mappingPtrs), given(&entryPtrs),
                                    given(&creationPtrs), given(&extraPtrs), given(&defaultValues),
                                    given(&permissionLists), given(&limitLists), given(&displayLists),
                                    given(&helpTexts), given(&ownerNames), given(&changeDiaries), &setOptions,
                                    &properties, resultsArg, s);
    }
    // A successful Create hands the caller the host's ids; the caller releases them.
    uint32_t releaseIds(uint32_t rc) {
        if (fieldIds.items != ids) std::free(fieldIds.items);
        fieldIds = {3, ids};
        return rc;
    }

    // What Create sends: copies, the caller's shared texts and mappings, per-field arrays.
    void expectCreate(void* q, void* r) const {
        namespace C = at::Create;
        EXPECT_EQ(raw::text(q, C::formName), formName);
        expectCopied(q, C::fieldIds, ids, 4);
        expectCopied(q, C::flags, flags, 1);
        for (size_t k = 0; k < 4; ++k) expectCopied(q, C::words + 16 * k, words[k], 4);
        raw::put(hostList(r, C::assignedIds, 2, 4), 4, 8u);
        if (!all) {
            EXPECT_TRUE(raw::zero(q, C::names, C::words) && raw::zero(q, C::values, C::size)) << "absent lists";
            return;
        }
        EXPECT_EQ(std::string(itemOf(q, C::names, 0, 255)) + itemOf(q, C::names, 1, 255) + itemOf(q, C::names, 2, 255),
                  "Serial" + std::string(254, 'n'));
        EXPECT_EQ(raw::list(q, C::mappings).items, maps) << "the caller's holder";
        EXPECT_TRUE(raw::text(itemOf(q, C::values, 0, 16), 8) != text && raw::zero(itemOf(q, C::values, 1, 16), 0, 16));
        EXPECT_STREQ(raw::text(itemOf(q, C::values, 0, 16), 8), "abc");
        expectCopied(itemOf(q, C::permissions, 1, 16), 0, perm, 8, 1);
        EXPECT_STREQ(raw::text(itemOf(q, C::limits, 0, 688), at::limitPattern), "[a]");
        EXPECT_EQ(raw::u32(itemOf(q, C::displays, 2, 32), at::displayInstances), 1u);
        // the caller's texts, or an empty one of the library's own
        EXPECT_EQ(counted(q, C::helpTexts, 1) + counted(q, C::helpTexts, 2) + counted(q, C::diaries, 1),
                  "05help6diary");
        EXPECT_EQ(std::string(itemOf(q, C::owners, 0, 255)) + itemOf(q, C::owners, 1, 255), "Owner");
        EXPECT_EQ(raw::list(itemOf(q, C::properties, 0, 16), 0).count, 1u);
    }
    // What Set sends: each field's mask says which of its items are given; a missing one stays zero.
    void expectSet(void* q) const {
        namespace S = at::Set;
        expectCopied(q, S::fieldIds, ids, 4);
        const uint32_t masks[3] = {1 | 2 | 4 | 16 | 32 | 128 | 512 | 1024 | 4096, 4 | 8 | 64 | 2048 | 4096,
                                   1 | 2 | 32 | 256 | 512 | 4096};
        const uint32_t options[3][3] = {{1, 2, 0}, {0, 2, 0}, {6, 0, 0}};  // entry, creation, extra
        const uint32_t onlyProperties[3] = {4096, 4096, 4096};
        expectCopied(q, S::masks, all ? masks : onlyProperties, 4);
        if (!all) return;
        EXPECT_STREQ(itemOf(q, S::names, 1, 255), "");
        EXPECT_EQ(raw::u32(itemOf(q, S::mappings, 2, 268), 0), 3u);
        EXPECT_TRUE(raw::zero(itemOf(q, S::mappings, 1, 268), 0, 268));
        for (size_t k = 0; k < 3; ++k) expectCopied(q, S::words + 16 * k, options[k], 4);
        EXPECT_STREQ(raw::text(itemOf(q, S::values, 2, 16), 8), "abc");
        EXPECT_EQ(counted(q, S::helpTexts, 1), "0null");
        EXPECT_EQ(raw::list(q, S::setOptions).items, setOptionWords) << "the caller's holder";
        EXPECT_EQ(raw::list(q, S::properties).count, 3u);
    }
};

// ZVIGetMultipleFields: its nineteen lists in result order (9: not an output).
uint32_t filterIds[2] = {3, 4};
IdList filter{2, filterIds};
const GetRow kGetMultipleFields{
    "ZVIGetMultipleFields", kGetMultiple, 79, at::GetMultiple::wantedMask, {0, 2, 300},
    get::resultLists(at::GetMultiple::lists, "fffffffffDfffTfffTfS",
                     {1, 4, 255, 268, 4, 4, 4, 4, 16, 16, 16, 688, 32, 0, 4, 255, 255, 0, 16, 0},
                     {0, 1, 2, 4, 8, 16, 32, 32768, 64, 0, 128, 256, 512, 1024, 2048, 4096, 8192, 16384, 131072, 0}),
    pass<0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18>(ZVIGetMultipleFields, formName, &filter),
    [](const void* q) {
        EXPECT_EQ(raw::text(q, at::GetMultiple::formName), formName);
        EXPECT_EQ(raw::list(q, at::GetMultiple::filter).count, 2u);
        EXPECT_TRUE(raw::zero(q, at::GetMultiple::wantedMask + 4, 200));
    },
    1};

// An overlay's object as the caller lays it out (kind 7, words 21 to 23), and its group
// in a request: pointers into the caller's record and its words, or zero.
using Object = copies::Record<528>;
Object objectRef() {
    Object o;
    std::strcpy(reinterpret_cast<char*>(o.bytes) + at::ObjectRef::related, "Related");
    for (uint32_t k = 0; k < 4; ++k) o.put(k ? at::ObjectRef::words + 4 * k - 4 : at::ObjectRef::kind, k ? 20 + k : 7);
    return o;
}
ObjectRef* refOf(Object* object) { return object ? object->as<ObjectRef>() : nullptr; }
void expectObject(const void* q, size_t at, const Object* o, uint32_t words) {
    EXPECT_EQ(raw::ptr(q, at), o ? o->bytes : nullptr);
    EXPECT_EQ(raw::ptr(q, at + 16), o ? o->bytes + at::ObjectRef::related : nullptr);
    for (uint32_t k = 0; k < words + 2 && k < 4; ++k)  // refWord2 not sent: zero
        EXPECT_EQ(raw::u32(q, at + 8 + (k ? 12 + 4 * k : 0)), o && k <= words ? (k ? 20 + k : 7) : 0) << k;
}

class MultipleFieldsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
    Object object = objectRef(), source = objectRef();
    uint32_t word = 0;
};

// Each operation with every argument, and Create, Set and the overlays with only what they
// require; the calls check what they hand back.
std::vector<DefinitionOp> MultipleFieldsTest::ops() {
    auto fields = [this](bool create, bool all) {
        return [this, create, all](ControlRecord* c, StatusList* s) {
            a.all = all;
            const uint32_t rc = create ? a.create(c, s) : a.set(c, s);
            if (rc < 2) {
                EXPECT_EQ(create ? a.fieldIds.items[1] : a.results.numItems, create ? 8u : 0u) << "assigned, emptied";
            }
            return a.releaseIds(rc);
        };
    };
    auto overlay = [this](bool from, Object* given) -> DefinitionOp {
        return {from ? "ZVICreateOverlayFromObject" : "ZVICreateOverlay", from ? kFromObject : kOverlay,
                from ? 198u : 197u, true, from ? "ZVICreateOverlayFromObject" : "ZVICreateOverlay", at::overlayStatus,
                [this, from, given](void* q, void* r) {
                    expectObject(q, at::fromObjects[0], given, from ? 1 : 3);
                    if (from) expectObject(q, at::fromObjects[1], &source, 1);
                    EXPECT_STREQ(raw::text(q, from ? at::fromText : at::overlayText), from ? formName : "");
                    raw::put(r, at::overlayWord, from ? 98u : 99u);
                },
                [this, from, given](ControlRecord* c, StatusList* s) {
                    const uint32_t rc =
                        from ? ZVICreateOverlayFromObject(c, refOf(given), refOf(&source), formName, ~0ull, &word, s)
                             : ZVICreateOverlay(c, refOf(given), nullptr, ~0ull, &word, s);
                    EXPECT_TRUE(rc >= 2 || word == (from ? 98u : 99u));
                    return rc;
                },
                {0}, from ? "ZVCreateOverlayFromObject" : "ZVCreateOverlay"};
    };
    std::vector<DefinitionOp> rows{frameRow(kGetMultipleFields)};
    for (bool all : {true, false}) {
        rows.push_back({"ZVICreateMultipleFields", kCreate, 151, true, "ZVICreateMultipleFields",
                        at::Create::status, [this](void* q, void* r) { a.expectCreate(q, r); }, fields(true, all),
                        all ? std::set<uint32_t>{0, 2, 300} : std::set<uint32_t>{0, 300}});
        rows.push_back({"ZVISetMultipleFields", kSet, 152, true, "ZVISetMultipleFields", at::Set::status,
                        [this](void* q, void*) { a.expectSet(q); }, fields(false, all), {0, 2, 300}});
        for (bool from : {false, true}) rows.push_back(overlay(from, all ? &object : nullptr));
    }
    rows.push_back({"ZVIDeleteMultipleFields", kDelete, 56, false, "ZVIDeleteMultipleFields", 168,
                    [this](void* q, void*) {
                        EXPECT_EQ(raw::text(q, at::Delete::formName), formName);
                        expectCopied(q, at::Delete::fieldIds, filterIds, 4, 2);
                        EXPECT_EQ(raw::u32(q, at::Delete::deleteOption), 2u);
                    },
                    [this](ControlRecord* c, StatusList* s) {
                        return ZVIDeleteMultipleFields(c, formName, &filter, 2, s);
                    },
                    {0, 300}});
    return rows;
}

}  // namespace

TEST_F(MultipleFieldsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

// For Create, which message each allocation failure reports: 300, or 154 for an array of lists.
TEST_F(MultipleFieldsTest, EveryAllocationFailureEndsInADefinedOutcome) {
    sweep(ops());
    EXPECT_EQ(said["ZVICreateMultipleFields"], (std::set<uint32_t>{154, 300}));
}

// The count rule and the checks, in their order; a check on one field's item names it.
TEST_F(MultipleFieldsTest, ArgumentsAreCheckedBeforeTheHostIsCalled) {
    auto row = [this](bool create, void (*change)(Args&), const char* said) {
        return Said{[this, create, change] {
                        Args b;
                        change(b);
                        return b.releaseIds(create ? b.create(&control, &status) : b.set(&control, &status));
                    },
                    said};
    };
    host.on(kCreate, [](void*, void*) { return 1u; });
    host.on(kSet, [](void*, void*) { return 1u; });
    expectSaid({
        row(true, [](Args& a) { a.fieldIds.items = nullptr; }, "2:178"),
        row(true, [](Args& a) { a.fieldNames.numItems = 2; }, "2:486"),
        row(true, [](Args& a) { a.fieldIdFlags.items = nullptr; }, "2:486"),
        row(true, [](Args& a) { a.properties.numItems = 0, a.fieldNames.items = nullptr; }, ""),
        row(true, [](Args& a) { a.words[0][1] = 44, a.words[1][0] = 0; }, "2:110=536870914"),
        row(true, [](Args& a) { a.words[1][2] = 5; }, "2:118=536870915"),
        row(true, [](Args& a) { a.words[2][0] = 3; }, "2:119=536870913"),
        row(false, [](Args& a) { a.fieldIds.numItems = 0; }, "2:178"),
        row(false, [](Args& a) { a.setOptions.numItems = 4; }, "2:486"),
        row(false, [](Args& a) { a.all = false, a.properties.numItems = 0; }, "1:54"),
        row(false, [](Args& a) { a.words[1][1] = 0, a.words[2][1] = 0; }, "2:118=536870914"),
        row(false, [](Args& a) { a.words[2][1] = 3, a.words[1][2] = 9; }, "2:119=536870914"),
        row(false, [](Args& a) { a.resultsArg = nullptr; }, "2:487"),
        row(true, [](Args& a) { a.flagsArg = nullptr, a.required[0] = nullptr; }, "2:485"),
        row(true, [](Args& a) { a.required[0] = nullptr, a.required[1] = nullptr; }, "2:110"),
        row(true, [](Args& a) { a.required[1] = nullptr, a.required[2] = nullptr; }, "2:118"),
        row(true, [](Args& a) { a.required[2] = nullptr, a.required[3] = nullptr; }, "2:119"),
        row(true, [](Args& a) { a.required[3] = nullptr; }, "2:118"),
    });
}

// An exist list is required: without it nothing is sent, and an output passed is emptied.
TEST_F(MultipleFieldsTest, GetMultipleFieldsHandsOverWhatItAsksFor) {
    checkOutputs(kGetMultipleFields);
    Slots o(0xAB);
    o.passed = ~uint64_t{1};
    expectSaid([&] { return kGetMultipleFields.call(o, &control, &status); }, "2:292");
    EXPECT_EQ(raw::u32(o.at(1), 0), 0u);
}
