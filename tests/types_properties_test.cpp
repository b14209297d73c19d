// Properties, display instances and field limits: the bytes a copy hands on at the
// offsets of the record tables, what it duplicates, and what a failed copy leaves.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace zvi;

namespace {

namespace at {  // typed in from the record tables
namespace Prop { constexpr size_t size = 24, propId = 0, dataType = 8, payload = 16; }
namespace DisplayList { constexpr size_t size = 32, commonProps = 0, numItems = 16, items = 24; }
namespace Instance { constexpr size_t size = 24, viewId = 0, props = 8; }
namespace Limit {
constexpr size_t size = 688, dataType = 0, charPattern = 280, enumKind = 8, enumList = 16, enumQualifier = 336,
                 lowText = 8, highText = 16, currency = 8, qualified = 16;
}
namespace Currency { constexpr size_t lowText = 0, highText = 8, precision = 16, allowed = 24, functional = 40; }
}  // namespace at

using LimitRecord = copies::Record<at::Limit::size>;

Value text(char* s) { return Value{ZVI_DATA_TEXT, {.text = s}}; }

}  // namespace

TEST(CopyFieldLimit, EveryDataTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    copies::Heap h;
    trees::Arena<Qualifier> t;
    Qualifier* tree = t.node(ZVI_QUAL_NOT, t.compare(1, Operand{}, t.text("x")));
    std::vector<ObjectName> names(12);
    EnumItem items[2] = {{"Open", 0}, {"Closed", 5}};
    CurrencyDetail details[2] = {{"USD", 2}, {"EUR", 2}};
    namespace L = at::Limit;
    constexpr size_t cur = L::currency;
    const struct {
        uint32_t dataType, enumKind;
        std::vector<size_t> texts, lists, qualifiers;  // offsets of what the limit points to
        std::vector<size_t> sizes;                     // the copy's allocations, in order
    } cases[] = {
        {2, 0, {}, {}, {}, {}}, {7, 0, {}, {}, {}, {}}, {34, 0, {}, {}, {}, {}}, {43, 0, {}, {}, {}, {}},
        {4, 0, {L::charPattern}, {}, {}, {6}},
        {6, 1, {}, {L::enumList}, {}, {20 * 255}},  // 12 names get room for 20
        {8, 2, {}, {L::enumList}, {}, {2 * 260}},
        {6, 3, {}, {}, {L::enumQualifier}, {24, 56, 2}},
        {8, 9, {}, {}, {}, {}},
        {10, 0, {L::lowText, L::highText}, {}, {}, {6, 6}},
        {12, 0, {cur + at::Currency::lowText, cur + at::Currency::highText},
         {cur + at::Currency::allowed, cur + at::Currency::functional}, {}, {6, 6, 16, 16}},
        {33, 0, {}, {}, {L::qualified}, {24, 56, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("data type " + std::to_string(c.dataType) + " kind " + std::to_string(c.enumKind));
        LimitRecord source(1);
        source.put(L::dataType, c.dataType);
        if (c.enumKind) source.put(L::enumKind, c.enumKind);
        std::vector<copies::Range> replaced;
        for (size_t p : c.texts) source.put(p, h.text("bound")), replaced.push_back({p, p + 8});
        for (size_t p : c.lists) {
            const void* array = c.enumKind == 1 ? (void*)names.data() : c.enumKind ? (void*)items : details;
            source.putList(p, c.enumKind == 1 ? 12 : 2, array);
            replaced.push_back({p + 4, p + 16});
        }
        for (size_t p : c.qualifiers) std::memcpy(source.bytes + p, tree, 24), replaced.push_back({p + 8, p + 24});
        if (c.dataType == 12) replaced.push_back({cur + at::Currency::precision + 4, cur + at::Currency::allowed});
        // A failed copy holds none of the caller's pointers: its release frees its own only.
        auto copied = [&](const FieldLimit& f) {
            copies::expectSameBytesBut(&f, source.bytes, L::size, replaced);
            for (size_t p : c.texts) copies::expectDuplicated(&f, source.bytes, p);
            for (size_t p : c.lists) copies::expectOwnList(&f, source.bytes, p);
            for (size_t p : c.qualifiers) EXPECT_NE(raw::ptr(&f, p + 8), raw::ptr(source.bytes, p + 8));
        };
        auto failed = [&](const FieldLimit& f) {
            for (size_t p : c.texts) EXPECT_NE(raw::ptr(&f, p), raw::ptr(source.bytes, p));
        };
        EXPECT_EQ(copies::sweep(CopyFieldLimit, ReleaseFieldLimit, source.as<FieldLimit>(), c.sizes, copied, failed),
                  c.sizes.size());
    }
    LimitRecord copy(0xab);  // a null source gives a zeroed limit
    EXPECT_EQ(CopyFieldLimit(copy.as<FieldLimit>(), nullptr) + CopyFieldLimit(nullptr, copy.as<FieldLimit>()), 0u);
    EXPECT_TRUE(raw::zero(copy.bytes, 0, at::Limit::size));
}

TEST(PropertyLists, CopiesAndReleasesAtEveryLevel) {
    copies::Heap h;
    Prop props[4] = {{60001, text(h.text("first"))}, {60002, text(h.text("second"))}, {60003, text(h.text("third"))},
                     {60004, {ZVI_DATA_INTEGER, {.i = -7}}}};
    const PropList source{4, props};
    copies::sweep(CopyPropList, ReleasePropList, &source, {4 * 24, 6, 7, 6}, [&](const PropList& c) {
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(raw::u32(c.items, i * at::Prop::size + at::Prop::propId), 60001 + i);
            EXPECT_EQ(raw::u32(c.items, i * at::Prop::size + at::Prop::dataType), i == 3 ? 2u : 4u);
        }
        copies::expectDuplicated(c.items, props, 2 * at::Prop::size + at::Prop::payload);
    }, [](const PropList& c) { EXPECT_TRUE(c.numItems == 0 && c.items == nullptr); }, true);
    // Display instances: common properties travel only with instances.
    DisplayInstance instances[2] = {{536870913, {2, props}}, {7, {0, nullptr}}};
    const DisplayInstanceList lonely{{1, props}, 0, instances}, display{{1, props}, 2, instances};
    copies::Record<at::DisplayList::size> empty(0xab);
    EXPECT_EQ(CopyDisplayInstanceList(empty.as<DisplayInstanceList>(), &lonely), 0u);
    EXPECT_TRUE(raw::zero(empty.bytes, 0, at::DisplayList::size));
    auto copied = [&](const DisplayInstanceList& c) {
        namespace I = at::Instance;
        copies::expectOwnList(&c, &display, at::DisplayList::commonProps);
        EXPECT_EQ(raw::u32(&c, at::DisplayList::numItems), 2u);
        const void* items = raw::ptr(&c, at::DisplayList::items);
        EXPECT_EQ(raw::u32(items, I::size + I::viewId), 7u);
        copies::expectOwnList(items, instances, I::props);
        copies::expectDuplicated(raw::list(items, I::props).items, props, at::Prop::payload);
    };
    copies::sweep(CopyDisplayInstanceList, ReleaseDisplayInstanceList, &display, {24, 6, 2 * 24, 2 * 24, 6, 7}, copied,
                  [](const DisplayInstanceList& c) { EXPECT_TRUE(raw::zero(&c, 0, at::DisplayList::size)); });
    // Lists of lists the host returns, released through their holders.
    alloc::Window w;
    auto* propLists = static_cast<PropListList*>(std::malloc(sizeof(PropListList)));
    *propLists = {1, static_cast<PropList*>(std::calloc(1, sizeof(PropList)))};
    DisplayInstanceListList displays{1, static_cast<DisplayInstanceList*>(std::calloc(1, sizeof(DisplayInstanceList)))};
    FieldLimitList limits{1, static_cast<FieldLimit*>(std::calloc(1, sizeof(FieldLimit)))};
    limits.items->dataType = ZVI_DATA_TEXT;
    limits.items->u.text.charPattern = strdup("pattern");
    ASSERT_EQ(CopyPropList(propLists->items, &source) + CopyDisplayInstanceList(displays.items, &display), 0u);
    ReleasePropListList(propLists, 1);
    ReleaseDisplayInstanceListList(&displays, 0);
    ReleaseFieldLimitList(&limits, 0);
    ReleaseFieldLimitList(&limits, 0);  // a second release of an emptied list is harmless
    EXPECT_EQ(w.liveBlocks(), 0u);
}
