// Workflow actions, assigned values and workflow-connect records: the bytes each action
// hands on at the offsets of the record tables, deep copies of assignment trees, what a
// failed copy leaves, and trees far deeper than a thread's stack.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace zvi;
using copies::Range;

namespace {

namespace at {  // typed in from the record tables
namespace Action { constexpr size_t size = 688, type = 0, m = 8; }  // m: the member
namespace Notify {
constexpr size_t user = 0, text = 8, subject = 32, fieldsMode = 40, fieldIds = 48, mailExtras = 72;
}
namespace Extras { constexpr size_t size = 88, reserved = 72; }
namespace FieldRef { constexpr size_t size = 368, qualifier = 320, refKind = 344, member = 352; }
namespace Connect { constexpr size_t size = 16, type = 0, member = 8; }
}  // namespace at

// Caller-side assigned values.
struct Values : trees::Arena<Qualifier> {
    static AssignValue of(uint32_t tag, void* p) {
        AssignValue v{};
        v.tag = tag;
        std::memcpy(v.u.raw, &p, sizeof p);
        return v;
    }
    AssignValue text(const char* s) {
        AssignValue v{ZVI_ASSIGN_VALUE, {}};
        v.u.value = Arena::text(s).u.value;
        return v;
    }
    char* dup(const char* s) { return Heap::text(s); }
    AssignValue command(const char* s) { return of(ZVI_ASSIGN_COMMAND, dup(s)); }
    AssignValue arith(uint32_t op, AssignValue l, AssignValue r) {
        return of(ZVI_ASSIGN_ARITH, make(AssignArith{op, l, r}));
    }
    AssignValueList list(std::initializer_list<AssignValue> args) {
        return {static_cast<uint32_t>(args.size()), args.size() ? copyOf(args) : nullptr};
    }
    AssignValue function(uint32_t code, std::initializer_list<AssignValue> args) {
        return of(ZVI_ASSIGN_FUNCTION, make(AssignFunction{code, list(args)}));
    }
    AssignValue filterApi(std::initializer_list<AssignValue> args) {
        return of(ZVI_ASSIGN_FILTER_API, make(AssignFilterApi{"plugin", list(args), 3}));
    }
    AssignValue field(uint32_t refKind) {
        AssignFieldRef r{"srv", "Assets", *compare(1, Operand{}, Arena::text("q")), refKind, {}, {}};
        if (refKind == ZVI_REF_RECORD) r.u.record = dup("twelve bytes");
        return of(ZVI_ASSIGN_FIELD, make(r));
    }
    AssignValue dde() {
        return of(ZVI_ASSIGN_DDE, make(AssignDde{{dup("a"), dup("b"), nullptr}, 4, {nullptr, dup("e")}}));
    }
    AssignValue sql() { return of(ZVI_ASSIGN_SQL, make(AssignSql{"db", 1, dup("select 2"), {}})); }
    // Every kind of assigned value, nested.
    AssignValue rich() {
        return arith(1, function(3, {text("a"), field(ZVI_REF_RECORD), command("cmd"), function(4, {})}),
                     arith(ZVI_ARITH_UNARY, {}, filterApi({dde(), sql(), field(ZVI_REF_FIELD), AssignValue{}})));
    }
};

}  // namespace

TEST(CopyWorkflowAction, EveryActionTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    Values t;
    constexpr size_t m = at::Action::m;
    copies::Record<at::Extras::size> extras(7);
    for (size_t i = 0; i < 9; ++i) extras.put(i * 8, i == 4 ? nullptr : t.dup("mail"));
    uint32_t ids[3] = {1, 2, 536870913};
    FieldAssign assigns[2] = {{7, t.text("seven")}, {8, t.command("eight")}};
    PushFieldAssign pushed{*t.field(ZVI_REF_FIELD).u.field, t.text("pushed")};
    namespace N = at::Notify;
    const struct {
        uint32_t type;
        std::vector<size_t> texts, lists;  // member offsets
        std::vector<size_t> sizes;
    } cases[] = {
        {ZVI_ACTION_NOTIFY, {N::user, N::text, N::subject}, {N::fieldIds}, {5, 5, 5, 88, 5, 5, 5, 5, 5, 5, 5, 5, 400}},
        {ZVI_ACTION_MESSAGE, {8}, {}, {5}}, {ZVI_ACTION_TEXT_3, {0}, {}, {5}}, {ZVI_ACTION_TEXT_5, {0}, {}, {5}},
        {ZVI_ACTION_TEXT_11, {0}, {}, {5}}, {ZVI_ACTION_SQL, {72}, {}, {5}},
        {ZVI_ACTION_SET_FIELDS, {}, {0}, {64, 6, 6}}, {ZVI_ACTION_PUSH_FIELDS, {}, {0}, {392, 56, 2, 7}},
        {ZVI_ACTION_SERVICE, {}, {328, 344}, {64, 6, 6, 64, 6, 6}},
        {ZVI_ACTION_SERVICE_12, {}, {328, 344}, {64, 6, 6, 64, 6, 6}},
        {0, {}, {}, {}}, {8, {}, {}, {}}, {10, {}, {}, {}}, {13, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("action type " + std::to_string(c.type));
        copies::Record<at::Action::size> source(3);
        source.put(at::Action::type, c.type);
        std::vector<copies::Range> replaced;
        for (size_t p : c.texts) source.put(m + p, t.dup("text")), replaced.push_back({m + p, m + p + 8});
        const bool notify = c.type == ZVI_ACTION_NOTIFY, push = c.type == ZVI_ACTION_PUSH_FIELDS;
        for (size_t p : c.lists) {
            source.putList(m + p, push ? 1 : 2 + notify, notify ? (void*)ids : push ? (void*)&pushed : assigns);
            replaced.push_back({m + p + 4, m + p + 16});
        }
        if (notify) {
            source.put<uint32_t>(m + N::fieldsMode, 1);  // the list is copied whatever the mode
            source.put(m + N::mailExtras, static_cast<void*>(extras.bytes));
            replaced.push_back({m + N::mailExtras, m + N::mailExtras + 8});
        }
        auto copied = [&](const WorkflowAction& copy) {
            copies::expectSameBytesBut(&copy, source.bytes, at::Action::size, replaced);
            for (size_t p : c.texts) copies::expectDuplicated(&copy, source.bytes, m + p);
            for (size_t p : c.lists) copies::expectOwnList(&copy, source.bytes, m + p);
            if (!notify) return;
            const void* e = raw::ptr(&copy, m + N::mailExtras);
            for (size_t i : {0, 3, 8}) copies::expectDuplicated(e, extras.bytes, i * 8);
            EXPECT_TRUE(raw::ptr(e, 4 * 8) == nullptr && raw::zero(e, at::Extras::reserved, at::Extras::size));
        };
        const WorkflowAction* action = source.as<WorkflowAction>();
        EXPECT_EQ(copies::sweep(CopyWorkflowAction, ReleaseWorkflowAction, action, c.sizes, copied), c.sizes.size());
    }
    WorkflowAction actions[2] = {{ZVI_ACTION_TEXT_3, {}}, {ZVI_ACTION_TEXT_3, {}}};
    for (auto& a : actions) a.u.text = t.dup("log");
    const WorkflowActionList actionList{2, actions};
    copies::sweep(CopyWorkflowActionList, ReleaseWorkflowActionList, &actionList, {2 * 688, 4, 4}, {},
                  [](const WorkflowActionList& l) { EXPECT_TRUE(l.numItems == 0 && l.items == nullptr); });
}

TEST(CopyAssignValue, EveryKindCopiedDeeplyThroughEachFailedAllocation) {
    Values t;
    const AssignValue source = t.rich();
    // One block per block of the source, in the order of a recursive copy; a failed copy
    // keeps its tag, with a null member.
    const std::vector<size_t> sizes{56, 24, 4 * 24, 2, 368, 12, 56, 2, 4,  24, 56,
                                    280, 4 * 24, 48, 2, 2, 2, 96, 9, 368, 56, 2};
    copies::sweep(CopyAssignValue, ReleaseAssignValue, &source, sizes, {},
                  [](const AssignValue& c) { EXPECT_TRUE(c.tag == ZVI_ASSIGN_ARITH && c.u.arith == nullptr); });
    const AssignFunction& fn = *source.u.arith->left.u.function;
    copies::sweep(CopyAssignFunction, ReleaseAssignFunction, &fn, {}, {}, [](const AssignFunction& c) {
        EXPECT_TRUE(c.arguments.numItems == 0 && c.arguments.items == nullptr);  // no arguments left
    });
    // A field reference's bytes; its 12-byte record and qualifier are its own.
    const AssignFieldRef* ref = fn.arguments.items[1].u.field;
    copies::sweep(CopyAssignFieldRef, ReleaseAssignFieldRef, ref, {}, [&](const AssignFieldRef& c) {
        namespace F = at::FieldRef;
        copies::expectSameBytesBut(&c, ref, F::size,
                                   {{F::qualifier + 8, F::qualifier + 24}, {F::member, F::member + 8}});
        EXPECT_EQ(std::memcmp(raw::ptr(&c, F::member), "twelve bytes", 12), 0);
    });
    const AssignValue unary = t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right"));
    alloc::Window later;  // the left operand of operation 6 is copied, but is not the release's
    AssignValue copy;
    ASSERT_EQ(CopyAssignValue(&copy, &unary), 0u);
    char* left = copy.u.arith->left.u.value.payload.text;
    ReleaseAssignValue(&copy, 0);
    EXPECT_EQ(later.liveBlocks(), 1u);
    std::free(left);
}

TEST(WorkflowConnect, Type1HasAListOfItsOwnConvertedAndPackedInPlace) {
    ObjectName forms[12] = {"HelpDesk", "Assets"};
    NameList names{12, forms};
    copies::Record<at::Connect::size> source(5);
    source.put<uint32_t>(at::Connect::type, ZVI_CONNECT_FORMS);
    source.put(at::Connect::member, &names);
    auto copied = [&](const WorkflowConnect& c) {
        copies::expectSameBytesBut(&c, source.bytes, at::Connect::size, {{at::Connect::member, at::Connect::size}});
        copies::expectOwnList(raw::ptr(&c, at::Connect::member), &names, 0);
    };
    copies::sweep(CopyWorkflowConnect, ReleaseWorkflowConnect, source.as<WorkflowConnect>(), {16, 20 * 255}, copied,
                  [](const WorkflowConnect& c) { EXPECT_EQ(raw::ptr(&c, at::Connect::member), nullptr); });
    // Host lists: the second record's name is too long, so the fourth is emptied; the
    // third is not of type 1 and is left alone. Packed again, a length counts the terminator.
    auto host = [](std::initializer_list<const char*> texts, uint32_t length = 0) {
        alloc::Paused server;
        auto* list = static_cast<CountedTextList*>(std::calloc(1, sizeof(CountedTextList)));
        list->items = static_cast<CountedText*>(std::calloc(texts.size(), sizeof(CountedText)));
        for (const char* s : texts)
            list->items[list->numItems++] = {length ? length : static_cast<uint32_t>(std::strlen(s) + 1), strdup(s)};
        return reinterpret_cast<NameList*>(list);
    };
    alloc::Window w;
    WorkflowConnect records[4] = {
        {1, {host({"HelpDesk", "Assets"})}}, {1, {host({"x"}, 300)}}, {7, {}}, {1, {host({"Later"})}}};
    std::memset(records[2].u.raw, 0xcd, 8);
    WorkflowConnectList list{4, records};
    EXPECT_EQ(ConvertWorkflowConnectList(&list), 103u);
    EXPECT_STREQ(records[0].u.nameList->items[1], "Assets");
    EXPECT_EQ(records[1].u.nameList->numItems + records[3].u.nameList->numItems, 0u);
    EXPECT_EQ(records[2].u.raw[7], 0xcd);
    EXPECT_EQ(ConvertWorkflowConnect(&records[2]) + PackWorkflowConnect(&records[2]), 0u);
    EXPECT_EQ(PackWorkflowConnect(&records[0]), 0u);
    EXPECT_EQ(reinterpret_cast<const CountedTextList*>(records[0].u.nameList)->items[0].length, 9u);
    EXPECT_EQ(ConvertWorkflowConnect(&records[0]), 0u);
    records[2].connectType = 0;
    for (WorkflowConnect& r : records) ReleaseWorkflowConnect(&r, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(DeepAssignments, ChainsOnA256KiBStack) {
    // Arithmetic, function and external-call nesting.
    const int kDepth = trees::heavy(200000);
    Values t;
    AssignValue chain = t.text("0");
    const AssignValue one{ZVI_ASSIGN_COMMAND, {}};
    for (int i = 0; i < kDepth; ++i)
        chain = i % 3 == 0 ? t.arith(1, chain, one) : i % 3 == 1 ? t.function(2, {one, chain}) : t.filterApi({chain});
    trees::onSmallStack([&] {
        AssignValue copy;
        ASSERT_EQ(CopyAssignValue(&copy, &chain), 0u);
        int depth = 0;
        for (const AssignValue* v = &copy; v->tag != ZVI_ASSIGN_VALUE; ++depth)
            v = v->tag == ZVI_ASSIGN_ARITH      ? &v->u.arith->left
                : v->tag == ZVI_ASSIGN_FUNCTION ? &v->u.function->arguments.items[1]
                                                : &v->u.filterApi->arguments.items[0];
        EXPECT_EQ(depth, kDepth);
        ReleaseAssignValue(&copy, 0);
        alloc::Window w(kDepth);
        EXPECT_EQ(CopyAssignValue(&copy, &chain), 300u);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
