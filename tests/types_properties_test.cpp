// Properties, display instances and field limits: the bytes a copy hands on, at the
// offsets of the record tables; what it duplicates; and what a failed copy leaves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/copies.h"
#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace zvi;
using copies::Range;

namespace {

namespace at {  // typed in from the record tables
namespace Prop { constexpr size_t size = 24, propId = 0, dataType = 8, payload = 16; }
namespace DisplayInstance { constexpr size_t size = 24, viewId = 0, props = 8; }
namespace DisplayInstanceList { constexpr size_t size = 32, commonProps = 0, numItems = 16, items = 24; }
namespace FieldLimit {
constexpr size_t size = 688, dataType = 0, charPattern = 280, enumKind = 8, enumList = 16, enumQualifier = 336,
                 lowText = 8, highText = 16, currency = 8, qualified = 16;
}
namespace CurrencyLimits { constexpr size_t lowText = 0, highText = 8, precision = 16, allowed = 24, functional = 40; }
namespace Qualifier { constexpr size_t size = 24, operation = 0, child = 8; }
}  // namespace at

using Limit = copies::Record<at::FieldLimit::size>;

Value text(char* s) {
    Value v{};
    v.dataType = ZVI_DATA_TEXT;
    v.payload.text = s;
    return v;
}

// A qualifier "NOT (field 1 = 'x')" laid into a record at offset at.
void putQualifier(Limit& limit, size_t at, trees::Arena<Qualifier>& t) {
    Operand field{};
    field.tag = ZVI_OPERAND_FIELD;
    field.u.id = 1;
    Qualifier* q = t.node(ZVI_QUAL_NOT, t.compare(1, field, t.text("x")));
    std::memcpy(limit.bytes + at, q, at::Qualifier::size);
}

void expectQualifierCopied(const uint8_t* copy, const uint8_t* source, size_t at) {
    EXPECT_EQ(raw::u32(copy, at + at::Qualifier::operation), uint32_t{ZVI_QUAL_NOT});
    const auto* child = static_cast<const Qualifier*>(raw::ptr(copy, at + at::Qualifier::child));
    ASSERT_NE(child, nullptr);
    EXPECT_NE(child, raw::ptr(source, at + at::Qualifier::child));
    EXPECT_STREQ(child->u.relOp->right.u.value.payload.text, "x");
}

void expectListCopied(const uint8_t* copy, const uint8_t* source, size_t at, size_t itemSize) {
    const raw::List c = raw::list(copy, at), s = raw::list(source, at);
    ASSERT_EQ(c.count, s.count);
    EXPECT_NE(c.items, s.items);
    EXPECT_EQ(std::memcmp(c.items, s.items, c.count * itemSize), 0);
}

struct LimitCase {
    std::string name;
    std::function<void(Limit&)> fill;        // pointer members, after the pattern and the data type
    std::vector<Range> replaced;             // the bytes a copy replaces
    std::vector<size_t> sizes;               // its allocations, in order
    std::function<void(const uint8_t*, const uint8_t*)> check;  // (copy, source)
};

}  // namespace

TEST(CopyFieldLimit, EveryDataTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    copies::Heap heap;
    trees::Arena<Qualifier> t;
    std::vector<ObjectName> names(12);
    for (size_t i = 0; i < names.size(); ++i) std::snprintf(names[i], sizeof names[i], "Value%zu", i);
    EnumItem items[3] = {{"Open", 0}, {"Closed", 5}, {"Held", 9}};
    CurrencyDetail allowed[2] = {{"USD", 2}, {"EUR", 2}}, functional[1] = {{"JPY", 0}};
    auto kind = [](uint32_t k) { return [k](Limit& l) { l.put<uint32_t>(at::FieldLimit::enumKind, k); }; };
    namespace F = at::FieldLimit;
    namespace C = at::CurrencyLimits;
    const auto none = [](const uint8_t*, const uint8_t*) {};
    const std::vector<uint32_t> scalars = {2, 3, 5, 7, 11, 13, 34, 43, 99};
    std::vector<LimitCase> cases;
    for (uint32_t type : scalars) cases.push_back({"scalar " + std::to_string(type), {}, {}, {}, none});
    cases.push_back({"4", [&](Limit& l) { l.put(F::charPattern, heap.text("[0-9]*")); }, {{F::charPattern, F::charPattern + 8}},
                     {7}, [](auto c, auto s) { copies::expectDuplicated(c, s, F::charPattern); }});
    cases.push_back({"4 without pattern", [](Limit& l) { l.put<char*>(F::charPattern, nullptr); }, {}, {}, none});
    cases.push_back({"6 names",
                     [&](Limit& l) { kind(1)(l), l.putList(F::enumList, 12, names.data()); },
                     {{F::enumList + 4, F::enumList + 16}},
                     {20 * 255},  // room for count / 10 * 10 + 10 names
                     [](auto c, auto s) { expectListCopied(c, s, F::enumList, 255); }});
    cases.push_back({"8 items", [&](Limit& l) { kind(2)(l), l.putList(F::enumList, 3, items); },
                     {{F::enumList + 4, F::enumList + 16}}, {3 * 260},
                     [](auto c, auto s) { expectListCopied(c, s, F::enumList, 260); }});
    cases.push_back({"6 query", [&](Limit& l) { kind(3)(l), putQualifier(l, F::enumQualifier, t); },
                     {{F::enumQualifier + 8, F::enumQualifier + 24}}, {24, 56, 2},
                     [](auto c, auto s) { expectQualifierCopied(c, s, F::enumQualifier); }});
    cases.push_back({"8 unknown kind", kind(9), {}, {}, none});
    cases.push_back({"10",
                     [&](Limit& l) { l.put(F::lowText, heap.text("1.5")), l.put(F::highText, heap.text("99.25")); },
                     {{F::lowText, F::highText + 8}}, {4, 6},
                     [](auto c, auto s) {
                         copies::expectDuplicated(c, s, F::lowText);
                         copies::expectDuplicated(c, s, F::highText);
                     }});
    cases.push_back({"12",
                     [&](Limit& l) {
                         l.put(F::currency + C::lowText, heap.text("0"));
                         l.put(F::currency + C::highText, heap.text("1000"));
                         l.putList(F::currency + C::allowed, 2, allowed);
                         l.putList(F::currency + C::functional, 1, functional);
                     },
                     // a currency copy starts from zero: its padding after the precision too
                     {{F::currency + C::lowText, F::currency + C::highText + 8},
                      {F::currency + C::precision + 4, F::currency + C::allowed},
                      {F::currency + C::allowed + 4, F::currency + C::allowed + 16},
                      {F::currency + C::functional + 4, F::currency + C::functional + 16}},
                     {2, 5, 16, 8},
                     [](auto c, auto s) {
                         copies::expectDuplicated(c, s, F::currency + C::lowText);
                         copies::expectDuplicated(c, s, F::currency + C::highText);
                         expectListCopied(c, s, F::currency + C::allowed, 8);
                         expectListCopied(c, s, F::currency + C::functional, 8);
                     }});
    cases.push_back({"33", [&](Limit& l) { putQualifier(l, F::qualified, t); },
                     {{F::qualified + 8, F::qualified + 24}}, {24, 56, 2},
                     [](auto c, auto s) { expectQualifierCopied(c, s, F::qualified); }});
    const uint32_t types[] = {4, 4, 6, 8, 6, 8, 10, 12, 33};
    for (size_t i = 0; i < cases.size(); ++i) {
        const LimitCase& c = cases[i];
        SCOPED_TRACE(c.name);
        Limit source(1);
        source.put<uint32_t>(F::dataType, i < scalars.size() ? scalars[i] : types[i - scalars.size()]);
        if (c.fill) c.fill(source);
        Limit copy(0xab);
        alloc::Window w;
        ASSERT_EQ(CopyFieldLimit(copy.as<FieldLimit>(), source.as<FieldLimit>()), 0u);
        EXPECT_EQ(w.sizes(), c.sizes);
        copies::expectSameBytesBut(copy.bytes, source.bytes, F::size, c.replaced);
        c.check(copy.bytes, source.bytes);
        ReleaseFieldLimit(copy.as<FieldLimit>(), 0);
        EXPECT_EQ(raw::u32(copy.bytes, F::dataType), 0u);  // the rest stays as it was
        EXPECT_EQ(w.liveBlocks(), 0u);
        copies::sweep<FieldLimit>(CopyFieldLimit, ReleaseFieldLimit, source.as<FieldLimit>());
    }
    // A null source gives a zeroed limit.
    Limit copy(0xab);
    EXPECT_EQ(CopyFieldLimit(copy.as<FieldLimit>(), nullptr), 0u);
    EXPECT_TRUE(raw::zero(copy.bytes, 0, F::size));
    EXPECT_EQ(CopyFieldLimit(nullptr, copy.as<FieldLimit>()), 0u);
}

TEST(CopyFieldLimit, AFailedTextNeverLeavesTheCallersPointer) {
    // Decimal bounds: both or neither; a currency's texts likewise, its lists reported.
    copies::Heap heap;
    Limit decimal(1), currency(1);
    decimal.put<uint32_t>(at::FieldLimit::dataType, 10);
    decimal.put(at::FieldLimit::lowText, heap.text("1"));
    decimal.put(at::FieldLimit::highText, heap.text("2"));
    currency.put<uint32_t>(at::FieldLimit::dataType, 12);
    currency.put(at::FieldLimit::currency + at::CurrencyLimits::lowText, heap.text("1"));
    currency.put(at::FieldLimit::currency + at::CurrencyLimits::highText, heap.text("2"));
    CurrencyDetail details[1] = {{"USD", 2}};
    currency.putList(at::FieldLimit::currency + at::CurrencyLimits::allowed, 1, details);
    currency.putList(at::FieldLimit::currency + at::CurrencyLimits::functional, 1, details);
    for (Limit* source : {&decimal, &currency}) {
        copies::sweep<FieldLimit>(CopyFieldLimit, ReleaseFieldLimit, source->as<FieldLimit>(), {},
                                  [&](const FieldLimit& copy) {
                                      for (size_t p : {8u, 16u}) EXPECT_NE(raw::ptr(&copy, p), raw::ptr(source->bytes, p));
                                  });
    }
}

TEST(PropList, CopiesEachValueAndAFailureLeavesNothing) {
    copies::Heap heap;
    Prop props[4] = {{60001, text(heap.text("first"))}, {60002, text(heap.text("second"))},
                     {60003, text(heap.text("third"))}, {60004, {ZVI_DATA_INTEGER, {}}}};
    props[3].value.payload.i = -7;
    const PropList source{4, props};
    // The array, then one text per value: the third value's text is the fourth allocation.
    alloc::Window w(4);
    PropList copy{};
    EXPECT_EQ(CopyPropList(&copy, &source), 300u);
    EXPECT_EQ(copy.numItems, 0u);
    EXPECT_EQ(copy.items, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
    copies::sweep<PropList>(CopyPropList, ReleasePropList, &source, [&](const PropList& c) {
        ASSERT_EQ(c.numItems, 4u);
        for (size_t i = 0; i < 4; ++i) {
            const uint8_t* item = reinterpret_cast<const uint8_t*>(c.items) + i * at::Prop::size;
            EXPECT_EQ(raw::u32(item, at::Prop::propId), 60001 + i);
            EXPECT_EQ(raw::u32(item, at::Prop::dataType), i == 3 ? 2u : 4u);
        }
        copies::expectDuplicated(c.items, props, at::Prop::size + at::Prop::payload);
        EXPECT_EQ(raw::i32(c.items, 3 * at::Prop::size + at::Prop::payload), -7);
    });
    // Empty and null sources give an empty list without an allocation.
    alloc::Window none;
    PropList empty{1, props};
    EXPECT_EQ(CopyPropList(&empty, nullptr) + CopyPropList(&empty, &empty), 0u);
    EXPECT_EQ(empty.items, nullptr);
    EXPECT_EQ(none.allocations(), 0u);
}

TEST(DisplayInstanceList, CommonPropertiesTravelOnlyWithInstances) {
    copies::Heap heap;
    Prop common[1] = {{1, text(heap.text("common"))}};
    Prop own[2] = {{2, text(heap.text("a"))}, {3, text(heap.text("b"))}};
    DisplayInstance instances[2] = {{536870913, {2, own}}, {7, {0, nullptr}}};
    DisplayInstanceList lonely{{1, common}, 0, instances};
    copies::Record<at::DisplayInstanceList::size> copy(0xab);
    alloc::Window w;
    ASSERT_EQ(CopyDisplayInstanceList(copy.as<DisplayInstanceList>(), &lonely), 0u);
    EXPECT_TRUE(raw::zero(copy.bytes, 0, at::DisplayInstanceList::size));
    EXPECT_EQ(w.allocations(), 0u);

    const DisplayInstanceList source{{1, common}, 2, instances};
    copies::sweep<DisplayInstanceList>(CopyDisplayInstanceList, ReleaseDisplayInstanceList, &source,
        [&](const DisplayInstanceList& c) {
            namespace L = at::DisplayInstanceList;
            namespace D = at::DisplayInstance;
            EXPECT_EQ(raw::list(&c, L::commonProps).count, 1u);
            copies::expectDuplicated(raw::list(&c, L::commonProps).items, common, at::Prop::payload);
            ASSERT_EQ(raw::u32(&c, L::numItems), 2u);
            const void* items = raw::ptr(&c, L::items);
            EXPECT_EQ(raw::u32(items, D::viewId), 536870913u);
            EXPECT_EQ(raw::u32(items, D::size + D::viewId), 7u);
            EXPECT_EQ(raw::list(items, D::props).count, 2u);
            copies::expectDuplicated(raw::list(items, D::props).items, own, at::Prop::size + at::Prop::payload);
            EXPECT_EQ(raw::list(items, D::size + D::props).items, nullptr);
        },
        [](const DisplayInstanceList& c) { EXPECT_TRUE(raw::zero(&c, 0, at::DisplayInstanceList::size)); });
}

TEST(ResultLists, ListsOfPropertiesInstancesAndLimitsReleaseEveryLevel) {
    // Lists the host returns, built with the copies, released through their holders.
    copies::Heap heap;
    Prop props[2] = {{1, text(heap.text("x"))}, {2, text(heap.text("y"))}};
    const PropList propSource{2, props};
    DisplayInstance instance{3, {2, props}};
    const DisplayInstanceList displaySource{{2, props}, 1, &instance};
    Limit limit(1);
    limit.put<uint32_t>(at::FieldLimit::dataType, 4);
    limit.put(at::FieldLimit::charPattern, heap.text("pattern"));
    alloc::Window w;
    auto* propLists = static_cast<PropListList*>(std::calloc(1, sizeof(PropListList)));
    *propLists = {2, static_cast<PropList*>(std::calloc(2, sizeof(PropList)))};
    auto* displays = static_cast<DisplayInstanceListList*>(std::calloc(1, sizeof(DisplayInstanceListList)));
    *displays = {2, static_cast<DisplayInstanceList*>(std::calloc(2, sizeof(DisplayInstanceList)))};
    FieldLimitList limits{2, static_cast<FieldLimit*>(std::calloc(2, sizeof(FieldLimit)))};
    for (uint32_t i = 0; i < 2; ++i) {
        ASSERT_EQ(CopyPropList(&propLists->items[i], &propSource), 0u);
        ASSERT_EQ(CopyDisplayInstanceList(&displays->items[i], &displaySource), 0u);
        ASSERT_EQ(CopyFieldLimit(&limits.items[i], limit.as<FieldLimit>()), 0u);
    }
    auto* prop = static_cast<Prop*>(std::malloc(sizeof(Prop)));
    ASSERT_EQ(CopyProp(prop, &props[0]), 0u);
    auto* single = static_cast<DisplayInstance*>(std::malloc(sizeof(DisplayInstance)));
    ASSERT_EQ(CopyDisplayInstance(single, &instance), 0u);
    ReleasePropListList(propLists, 1);
    ReleaseDisplayInstanceListList(displays, 1);
    ReleaseFieldLimitList(&limits, 0);
    ReleaseFieldLimitList(&limits, 0);  // a second release of an emptied list is harmless
    ReleaseProp(prop, 1);
    ReleaseDisplayInstance(single, 1);
    EXPECT_EQ(limits.items, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}
