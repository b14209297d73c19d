// Workflow actions, assigned values and workflow-connect records: the bytes each
// action hands on at the offsets of the record tables, deep copies of assignment
// trees, what a failed copy leaves, and trees far deeper than a thread's stack.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/copies.h"
#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace zvi;
using copies::Range;

namespace {

namespace at {  // typed in from the record tables
namespace Action { constexpr size_t size = 688, type = 0, member = 8; }
namespace Notify {
constexpr size_t user = 0, text = 8, subject = 32, fieldsMode = 40, fieldIds = 48, mailExtras = 72;
}
namespace MailExtras { constexpr size_t size = 88, reserved = 72; }
namespace Message { constexpr size_t messageText = 8; }
namespace Sql { constexpr size_t sqlCommand = 72; }
namespace Service { constexpr size_t inputs = 328, outputs = 344; }
namespace AssignValue { constexpr size_t size = 24, tag = 0, member = 8; }
namespace FieldAssign { constexpr size_t size = 32, fieldId = 0, assign = 8; }
namespace FieldRef { constexpr size_t size = 368, formName = 65, qualifier = 320, refKind = 344, member = 352; }
namespace PushAssign { constexpr size_t size = 392, target = 0, source = 368; }
namespace Connect { constexpr size_t size = 16, type = 0, member = 8; }
}  // namespace at

using ActionRecord = copies::Record<at::Action::size>;

// A field assignment of a text, as raw bytes.
copies::Record<at::FieldAssign::size> textAssign(uint32_t fieldId, char* text) {
    copies::Record<at::FieldAssign::size> r;
    r.put(at::FieldAssign::fieldId, fieldId);
    r.put<uint32_t>(at::FieldAssign::assign + at::AssignValue::tag, ZVI_ASSIGN_VALUE);
    r.put<uint32_t>(at::FieldAssign::assign + at::AssignValue::member, ZVI_DATA_TEXT);
    r.put(at::FieldAssign::assign + at::AssignValue::member + 8, text);
    return r;
}

const void* assignedText(const void* fieldAssigns, size_t i) {
    return raw::ptr(fieldAssigns, i * at::FieldAssign::size + at::FieldAssign::assign + at::AssignValue::member + 8);
}

// The source's list at `at` was copied into an array of its own whose texts are new.
void expectAssignsCopied(const uint8_t* copy, const uint8_t* source, size_t at) {
    const raw::List c = raw::list(copy, at), s = raw::list(source, at);
    ASSERT_EQ(c.count, s.count);
    ASSERT_NE(c.items, s.items);
    for (size_t i = 0; i < c.count; ++i) {
        EXPECT_EQ(raw::u32(c.items, i * at::FieldAssign::size), raw::u32(s.items, i * at::FieldAssign::size));
        EXPECT_NE(assignedText(c.items, i), assignedText(s.items, i));
        EXPECT_STREQ(static_cast<const char*>(assignedText(c.items, i)), static_cast<const char*>(assignedText(s.items, i)));
    }
}

struct ActionCase {
    uint32_t type;
    std::function<void(ActionRecord&)> fill;
    std::vector<Range> replaced;  // relative to the record
    std::vector<size_t> sizes;
    std::function<void(const uint8_t*, const uint8_t*)> check;  // (copy, source)
};

}  // namespace

TEST(CopyWorkflowAction, EveryActionTypeHandsOnTheCallersBytesAndDuplicatesItsMemory) {
    copies::Heap heap;
    constexpr size_t m = at::Action::member;
    char* extrasTexts[9];
    for (int i = 0; i < 9; ++i) extrasTexts[i] = i == 4 ? nullptr : heap.text(("mail" + std::to_string(i)).c_str());
    copies::Record<at::MailExtras::size> extras(7);
    for (int i = 0; i < 9; ++i) extras.put(i * 8, extrasTexts[i]);
    uint32_t ids[3] = {1, 2, 536870913};
    auto assigns = heap.array<copies::Record<at::FieldAssign::size>>(2);
    assigns[0] = textAssign(7, heap.text("seven"));
    assigns[1] = textAssign(8, heap.text("eight"));
    copies::Record<at::PushAssign::size> push;  // target: field 9 of a form; source: a text
    std::strcpy(reinterpret_cast<char*>(push.bytes) + at::FieldRef::formName, "Tickets");
    push.put<uint32_t>(at::FieldRef::refKind, ZVI_REF_FIELD);
    push.put<uint32_t>(at::FieldRef::member, 9);
    push.put<uint32_t>(at::PushAssign::source + at::AssignValue::tag, ZVI_ASSIGN_COMMAND);
    push.put(at::PushAssign::source + at::AssignValue::member, heap.text("run me"));
    auto text = [&](size_t offset, const char* s) { return [=, &heap](ActionRecord& r) { r.put(m + offset, heap.text(s)); }; };
    auto textCase = [&](uint32_t type, size_t offset, const char* s) {
        return ActionCase{type, text(offset, s), {{m + offset, m + offset + 8}}, {std::strlen(s) + 1},
                          [=](auto c, auto src) { copies::expectDuplicated(c, src, m + offset); }};
    };
    auto assignList = [&](size_t at) { return [=](ActionRecord& r) { r.putList(m + at, 2, assigns); }; };
    const auto none = [](const uint8_t*, const uint8_t*) {};
    namespace N = at::Notify;
    std::vector<ActionCase> cases = {
        {ZVI_ACTION_NOTIFY,
         [&](ActionRecord& r) {
             r.put(m + N::user, heap.text("Demo"));
             r.put(m + N::text, heap.text("body"));
             r.put(m + N::subject, heap.text("subject"));
             r.put<uint32_t>(m + N::fieldsMode, 1);  // the list is copied whatever the mode
             r.putList(m + N::fieldIds, 3, ids);
             r.put(m + N::mailExtras, static_cast<void*>(extras.bytes));
         },
         {{m + N::user, m + N::text + 8}, {m + N::subject, m + N::subject + 8},
          {m + N::fieldIds + 4, m + N::fieldIds + 16}, {m + N::mailExtras, m + N::mailExtras + 8}},
         {5, 5, 8, 88, 6, 6, 6, 6, 6, 6, 6, 6, 400},  // room for 100 identifiers
         [&](auto c, auto s) {
             for (size_t f : {N::user, N::text, N::subject}) copies::expectDuplicated(c, s, m + f);
             const raw::List l = raw::list(c, m + N::fieldIds);
             ASSERT_EQ(l.count, 3u);
             EXPECT_EQ(std::memcmp(l.items, ids, sizeof ids), 0);
             const void* e = raw::ptr(c, m + N::mailExtras);
             ASSERT_NE(e, extras.bytes);
             for (size_t i = 0; i < 9; ++i) {
                 if (i == 4) EXPECT_EQ(raw::ptr(e, i * 8), nullptr);
                 else copies::expectDuplicated(e, extras.bytes, i * 8);
             }
             EXPECT_TRUE(raw::zero(e, at::MailExtras::reserved, at::MailExtras::size));
         }},
        {ZVI_ACTION_NOTIFY, [&](ActionRecord& r) { r.putList(m + N::fieldIds, 0, ids), r.put<void*>(m + N::mailExtras, nullptr);
                                                   for (size_t f : {N::user, N::text, N::subject}) r.put<void*>(m + f, nullptr); },
         {{m + N::fieldIds + 8, m + N::fieldIds + 16}}, {}, none},  // an empty list is copied with a null array
        textCase(ZVI_ACTION_MESSAGE, at::Message::messageText, "message"),
        textCase(ZVI_ACTION_TEXT_3, 0, "three"),
        textCase(ZVI_ACTION_TEXT_5, 0, "five"),
        textCase(ZVI_ACTION_TEXT_11, 0, "eleven"),
        textCase(ZVI_ACTION_SQL, at::Sql::sqlCommand, "select 1"),
        {ZVI_ACTION_SET_FIELDS, assignList(0), {{m + 4, m + 16}}, {64, 6, 6},
         [](auto c, auto s) { expectAssignsCopied(c, s, m); }},
        {ZVI_ACTION_PUSH_FIELDS, [&](ActionRecord& r) { r.putList(m, 1, push.bytes); }, {{m + 4, m + 16}}, {392, 7},
         [&](auto c, auto) {
             const void* item = raw::ptr(c, m + 8);
             copies::expectSameBytesBut(item, push.bytes, at::PushAssign::size,
                                        {{at::PushAssign::source + at::AssignValue::member, at::PushAssign::size}});
             copies::expectDuplicated(item, push.bytes, at::PushAssign::source + at::AssignValue::member);
         }},
    };
    for (uint32_t type : {ZVI_ACTION_SERVICE, ZVI_ACTION_SERVICE_12}) {
        cases.push_back({type,
                         [&](ActionRecord& r) {
                             r.putList(m + at::Service::inputs, 2, assigns);
                             r.putList(m + at::Service::outputs, 1, assigns + 1);
                         },
                         {{m + at::Service::inputs + 4, m + at::Service::inputs + 16},
                          {m + at::Service::outputs + 4, m + at::Service::outputs + 16}},
                         {64, 6, 6, 32, 6},
                         [](auto c, auto s) {
                             expectAssignsCopied(c, s, m + at::Service::inputs);
                             expectAssignsCopied(c, s, m + at::Service::outputs);
                         }});
    }
    for (uint32_t type : {0u, 8u, 10u, 13u, 99u}) cases.push_back({type, {}, {}, {}, none});
    for (const ActionCase& c : cases) {
        SCOPED_TRACE("action type " + std::to_string(c.type));
        ActionRecord source(3);
        source.put(at::Action::type, c.type);
        if (c.fill) c.fill(source);
        ActionRecord copy(0xab);
        alloc::Window w;
        ASSERT_EQ(CopyWorkflowAction(copy.as<WorkflowAction>(), source.as<WorkflowAction>()), 0u);
        EXPECT_EQ(w.sizes(), c.sizes);
        copies::expectSameBytesBut(copy.bytes, source.bytes, at::Action::size, c.replaced);
        c.check(copy.bytes, source.bytes);
        ReleaseWorkflowAction(copy.as<WorkflowAction>(), 0);
        EXPECT_EQ(raw::u32(copy.bytes, at::Action::type), 0u);
        EXPECT_EQ(w.liveBlocks(), 0u);
        // A failed copy holds nothing of the caller's: its release frees only its own.
        copies::sweep<WorkflowAction>(CopyWorkflowAction, ReleaseWorkflowAction, source.as<WorkflowAction>());
    }
}

namespace {

// A rendering of an assigned value without its pointers, and the blocks it reaches.
struct Render {
    std::string out;
    std::vector<const void*> blocks;

    void word(uint32_t w) { out += std::to_string(w) + ";"; }
    void text(const char* t) {
        out += t ? t : "(null)";
        out += ";";
        if (t) blocks.push_back(t);
    }
    template <class T>
    bool block(const T* p) {
        out += p ? "ptr;" : "null;";
        if (p) blocks.push_back(p);
        return p != nullptr;
    }
    void list(const AssignValueList& l) {
        word(l.numItems);
        if (block(l.items))
            for (uint32_t i = 0; i < l.numItems; ++i) value(l.items[i]);
    }
    void value(const AssignValue& v) {
        word(v.tag);
        switch (v.tag) {
            case ZVI_ASSIGN_VALUE: word(v.u.value.dataType), text(v.u.value.payload.text); break;
            case ZVI_ASSIGN_COMMAND: text(v.u.command); break;
            case ZVI_ASSIGN_FIELD:
                if (block(v.u.field)) {
                    out.append(v.u.field->formName);
                    word(v.u.field->refKind);
                    word(v.u.field->qualifier.operation);
                    if (v.u.field->refKind == ZVI_REF_RECORD && block(v.u.field->u.record))
                        out.append(static_cast<const char*>(v.u.field->u.record), ZVI_REF_RECORD_SIZE);
                }
                break;
            case ZVI_ASSIGN_ARITH:
                if (block(v.u.arith)) word(v.u.arith->operation), value(v.u.arith->left), value(v.u.arith->right);
                break;
            case ZVI_ASSIGN_FUNCTION:
                if (block(v.u.function)) word(v.u.function->functionCode), list(v.u.function->arguments);
                break;
            case ZVI_ASSIGN_DDE:
                if (block(v.u.dde)) {
                    for (const char* t : v.u.dde->texts) text(t);
                    for (const char* t : v.u.dde->moreTexts) text(t);
                }
                break;
            case ZVI_ASSIGN_SQL:
                if (block(v.u.sql)) out.append(v.u.sql->server), text(v.u.sql->sqlCommand);
                break;
            case ZVI_ASSIGN_FILTER_API:
                if (block(v.u.filterApi)) out.append(v.u.filterApi->pluginName), list(v.u.filterApi->arguments);
                break;
        }
    }
};

void expectDeep(const AssignValue& copy, const AssignValue& source) {
    Render c, s;
    c.value(copy);
    s.value(source);
    EXPECT_EQ(c.out, s.out);
    const std::set<const void*> own(c.blocks.begin(), c.blocks.end());
    EXPECT_EQ(own.size(), c.blocks.size());
    for (const void* p : s.blocks) EXPECT_EQ(own.count(p), 0u) << "a block of the caller's in the copy";
}

// Caller-side assigned values.
struct Values : trees::Arena<Qualifier> {
    AssignValue text(const char* s) {
        AssignValue v{};
        v.tag = ZVI_ASSIGN_VALUE;
        v.u.value = trees::Arena<Qualifier>::text(s).u.value;
        return v;
    }
    AssignValue command(const char* s) {
        AssignValue v{};
        v.tag = ZVI_ASSIGN_COMMAND;
        v.u.command = static_cast<char*>(adopt(strdup(s)));
        return v;
    }
    AssignValue arith(uint32_t op, const AssignValue& left, const AssignValue& right) {
        AssignValue v{};
        v.tag = ZVI_ASSIGN_ARITH;
        v.u.arith = make(AssignArith{op, left, right});
        return v;
    }
    AssignValue function(uint32_t code, std::initializer_list<AssignValue> args) {
        AssignValue v{};
        v.tag = ZVI_ASSIGN_FUNCTION;
        v.u.function = make(AssignFunction{code, {static_cast<uint32_t>(args.size()), args.size() ? array(args) : nullptr}});
        return v;
    }
    AssignValue filterApi(const char* plugin, std::initializer_list<AssignValue> args) {
        AssignFilterApi f{};
        std::strcpy(f.pluginName, plugin);
        f.arguments = {static_cast<uint32_t>(args.size()), array(args)};
        f.word = 3;
        AssignValue v{};
        v.tag = ZVI_ASSIGN_FILTER_API;
        v.u.filterApi = make(f);
        return v;
    }
    AssignValue field(uint32_t refKind) {
        AssignFieldRef r{};
        std::strcpy(r.formName, "Assets");
        Operand id{};
        id.tag = ZVI_OPERAND_FIELD;
        r.qualifier = *compare(1, id, trees::Arena<Qualifier>::text("q"));
        r.refKind = refKind;
        if (refKind == ZVI_REF_RECORD) r.u.record = adopt(strdup("twelve bytes"));
        AssignValue v{};
        v.tag = ZVI_ASSIGN_FIELD;
        v.u.field = make(r);
        return v;
    }
    AssignValue dde() {
        AssignDde d{};
        for (int i = 0; i < 3; ++i) d.texts[i] = static_cast<char*>(adopt(strdup("dde")));
        d.moreTexts[1] = static_cast<char*>(adopt(strdup("last")));
        AssignValue v{};
        v.tag = ZVI_ASSIGN_DDE;
        v.u.dde = make(d);
        return v;
    }
    AssignValue sql(const char* command) {
        AssignSql q{};
        std::strcpy(q.server, "db");
        q.sqlCommand = static_cast<char*>(adopt(strdup(command)));
        AssignValue v{};
        v.tag = ZVI_ASSIGN_SQL;
        v.u.sql = make(q);
        return v;
    }
    // Every kind of assigned value, nested.
    AssignValue rich() {
        return arith(1, function(3, {text("a"), field(ZVI_REF_RECORD), command("cmd"), function(4, {})}),
                     arith(ZVI_ARITH_UNARY, AssignValue{},
                           filterApi("plugin", {dde(), sql("select 2"), field(ZVI_REF_FIELD), AssignValue{}})));
    }
};

}  // namespace

TEST(CopyAssignValue, EveryKindIsCopiedDeeplyAndSurvivesEachFailedAllocation) {
    Values t;
    const AssignValue source = t.rich();
    const size_t total = copies::sweep<AssignValue>(
        CopyAssignValue, ReleaseAssignValue, &source, [&](const AssignValue& c) { expectDeep(c, source); },
        [](const AssignValue& c) {
            EXPECT_EQ(c.tag, uint32_t{ZVI_ASSIGN_ARITH});  // the tag stays, with a null member
            EXPECT_EQ(c.u.arith, nullptr);
        });
    EXPECT_GT(total, 20u);
    // The records below a value have routines of their own, all through the sweep.
    const AssignFunction& fn = *source.u.arith->left.u.function;
    copies::sweep<AssignFunction>(CopyAssignFunction, ReleaseAssignFunction, &fn, {}, [](const AssignFunction& c) {
        EXPECT_EQ(c.arguments.numItems, 0u);
        EXPECT_EQ(c.arguments.items, nullptr);
    });
    const AssignFilterApi& api = *source.u.arith->right.u.arith->right.u.filterApi;
    copies::sweep<AssignFilterApi>(CopyAssignFilterApi, ReleaseAssignFilterApi, &api);
    copies::sweep<AssignArith>(CopyAssignArith, ReleaseAssignArith, source.u.arith);
    copies::sweep<AssignFieldRef>(CopyAssignFieldRef, ReleaseAssignFieldRef, fn.arguments.items[1].u.field);
    copies::sweep<AssignDde>(CopyAssignDde, ReleaseAssignDde, api.arguments.items[0].u.dde,
                             {}, [](const AssignDde& c) { for (char* x : c.texts) EXPECT_EQ(x, nullptr); });
    copies::sweep<AssignSql>(CopyAssignSql, ReleaseAssignSql, api.arguments.items[1].u.sql);

    // The third of three arguments fails: no arguments, nothing left.
    const AssignValue three = t.function(1, {t.text("x"), t.text("y"), t.text("z")});
    alloc::Window w(4);  // the array, then a text per argument
    AssignFunction copy;
    EXPECT_EQ(CopyAssignFunction(&copy, three.u.function), 300u);
    EXPECT_EQ(copy.arguments.numItems, 0u);
    EXPECT_EQ(copy.arguments.items, nullptr);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(CopyAssignValue, BytesOfAFieldReferenceAndOperation6) {
    Values t;
    const AssignValue field = t.field(ZVI_REF_RECORD);
    const AssignValue unary = t.arith(ZVI_ARITH_UNARY, t.text("left"), t.text("right"));
    const auto* source = reinterpret_cast<const uint8_t*>(field.u.field);
    alloc::Window w;
    AssignValue copy;
    ASSERT_EQ(CopyAssignValue(&copy, &field), 0u);
    EXPECT_EQ(w.sizes(), (std::vector<size_t>{368, 12, 56, 2}));
    const auto* c = reinterpret_cast<const uint8_t*>(copy.u.field);
    copies::expectSameBytesBut(c, source, at::FieldRef::size,
                               {{at::FieldRef::qualifier + 8, at::FieldRef::qualifier + 24},
                                {at::FieldRef::member, at::FieldRef::member + 8}});
    EXPECT_EQ(std::memcmp(raw::ptr(c, at::FieldRef::member), "twelve bytes", 12), 0);
    ReleaseAssignValue(&copy, 0);
    EXPECT_EQ(copy.tag, 0u);
    EXPECT_EQ(w.liveBlocks(), 0u);
    // The left operand of operation 6 is copied but is not the release's.
    ASSERT_EQ(CopyAssignValue(&copy, &unary), 0u);
    char* left = copy.u.arith->left.u.value.payload.text;
    EXPECT_STREQ(left, "left");
    ReleaseAssignValue(&copy, 0);
    EXPECT_EQ(w.liveBlocks(), 1u);
    std::free(left);
}

TEST(AssignmentLists, FailuresLeaveTheListEmpty) {
    Values t;
    FieldAssign assigns[3] = {{1, t.text("one")}, {2, t.arith(1, t.text("a"), t.command("b"))}, {3, t.dde()}};
    const FieldAssignList list{3, assigns};
    auto empty = [](const auto& l) {
        EXPECT_EQ(l.numItems, 0u);
        EXPECT_EQ(l.items, nullptr);
    };
    copies::sweep<FieldAssignList>(CopyFieldAssignList, ReleaseFieldAssignList, &list, {}, empty);
    PushFieldAssign pushes[2]{};
    for (int i = 0; i < 2; ++i) {
        pushes[i].target = *t.field(i ? ZVI_REF_RECORD : ZVI_REF_FIELD).u.field;
        pushes[i].source = t.function(2, {t.text("p"), t.sql("select 3")});
    }
    const PushFieldList pushList{2, pushes};
    copies::sweep<PushFieldList>(CopyPushFieldList, ReleasePushFieldList, &pushList, {}, empty);
    // Four actions, the third of which fails: the list is left empty, nothing left.
    WorkflowAction actions[4]{};
    for (auto& a : actions) a.actionType = ZVI_ACTION_TEXT_3, a.u.text = t.text("log").u.value.payload.text;
    const WorkflowActionList actionList{4, actions};
    alloc::Window w(4);  // the array, then a text per action
    WorkflowActionList copy;
    EXPECT_EQ(CopyWorkflowActionList(&copy, &actionList), 300u);
    empty(copy);
    EXPECT_EQ(w.liveBlocks(), 0u);
    copies::sweep<WorkflowActionList>(CopyWorkflowActionList, ReleaseWorkflowActionList, &actionList, {}, empty);
}

TEST(WorkflowConnect, Type1GetsItsOwnNameListAndOtherTypesAreTheir16Bytes) {
    ObjectName forms[12] = {"HelpDesk", "Assets"};
    NameList names{12, forms};
    copies::Record<at::Connect::size> source(5);
    source.put<uint32_t>(at::Connect::type, ZVI_CONNECT_FORMS);
    source.put(at::Connect::member, &names);
    copies::sweep<WorkflowConnect>(CopyWorkflowConnect, ReleaseWorkflowConnect, source.as<WorkflowConnect>(),
        [&](const WorkflowConnect& c) {
            copies::expectSameBytesBut(&c, source.bytes, at::Connect::size, {{at::Connect::member, at::Connect::size}});
            const void* list = raw::ptr(&c, at::Connect::member);
            ASSERT_NE(list, &names);
            EXPECT_EQ(raw::u32(list, 0), 12u);
            EXPECT_STREQ(raw::inlineText(raw::ptr(list, 8), 255), "Assets");
        },
        [](const WorkflowConnect& c) { EXPECT_EQ(raw::ptr(&c, at::Connect::member), nullptr); });
    source.put<uint32_t>(at::Connect::type, 2);
    copies::Record<at::Connect::size> copy(0xab);
    alloc::Window w;
    ASSERT_EQ(CopyWorkflowConnect(copy.as<WorkflowConnect>(), source.as<WorkflowConnect>()), 0u);
    EXPECT_EQ(std::memcmp(copy.bytes, source.bytes, at::Connect::size), 0);
    ReleaseWorkflowConnect(copy.as<WorkflowConnect>(), 0);
    EXPECT_EQ(w.allocations(), 0u);
}

TEST(WorkflowConnect, ConversionsOfItsNameList) {
    // Host lists: the second record's name is too long, the third is left empty.
    auto hostNames = [](std::initializer_list<const char*> texts, uint32_t length = 0) {
        alloc::Paused host;
        auto* list = static_cast<CountedTextList*>(std::calloc(1, sizeof(CountedTextList)));
        list->items = static_cast<CountedText*>(std::calloc(texts.size(), sizeof(CountedText)));
        for (const char* t : texts)
            list->items[list->numItems++] = {length ? length : static_cast<uint32_t>(std::strlen(t) + 1), strdup(t)};
        return reinterpret_cast<NameList*>(list);
    };
    alloc::Window w;
    WorkflowConnect records[4] = {{ZVI_CONNECT_FORMS, {}}, {ZVI_CONNECT_FORMS, {}}, {7, {}}, {ZVI_CONNECT_FORMS, {}}};
    records[0].u.nameList = hostNames({"HelpDesk", "Assets"});
    records[1].u.nameList = hostNames({"x"}, 300);
    std::memset(records[2].u.raw, 0xcd, 8);  // not a pointer: left alone
    records[3].u.nameList = hostNames({"Later"});
    WorkflowConnectList list{4, records};
    EXPECT_EQ(ConvertWorkflowConnectList(&list), 103u);
    EXPECT_EQ(records[0].u.nameList->numItems, 2u);
    EXPECT_STREQ(records[0].u.nameList->items[1], "Assets");
    for (int i : {1, 3}) EXPECT_EQ(records[i].u.nameList->numItems, 0u);
    EXPECT_EQ(records[2].u.raw[7], 0xcd);
    EXPECT_EQ(ConvertWorkflowConnect(&records[2]) + ConvertWorkflowConnect(nullptr) + ConvertWorkflowConnectList(nullptr), 0u);
    // Packing the request's copy, and back.
    EXPECT_EQ(PackWorkflowConnect(&records[0]), 0u);
    const auto* host = reinterpret_cast<const CountedTextList*>(records[0].u.nameList);
    EXPECT_EQ(host->items[0].length, 9u);
    EXPECT_STREQ(host->items[1].text, "Assets");
    EXPECT_EQ(PackWorkflowConnect(&records[2]) + PackWorkflowConnect(nullptr), 0u);
    EXPECT_EQ(ConvertWorkflowConnect(&records[0]), 0u);
    EXPECT_STREQ(records[0].u.nameList->items[0], "HelpDesk");
    records[2].connectType = 0;
    for (WorkflowConnect& r : records) ReleaseWorkflowConnect(&r, 0);
    EXPECT_EQ(w.liveBlocks(), 0u);
}

TEST(DeepAssignments, ChainsOnA256KiBStack) {
    // An arithmetic chain, nested function arguments and external-call arguments, each
    // far deeper than the stack would allow a recursive copy.
    constexpr int kDepth = 200000;
    Values t;
    t.reserve(6 * kDepth + 16);
    AssignValue chain = t.text("0");
    for (int i = 0; i < kDepth; ++i) {
        const AssignValue one{ZVI_ASSIGN_COMMAND, {}};
        switch (i % 3) {
            case 0: chain = t.arith(1, chain, one); break;
            case 1: chain = t.function(2, {one, chain}); break;
            default: chain = t.filterApi("p", {chain}); break;
        }
    }
    trees::onSmallStack([&] {
        AssignValue copy;
        ASSERT_EQ(CopyAssignValue(&copy, &chain), 0u);
        int depth = 0;
        for (const AssignValue* v = &copy; v->tag != ZVI_ASSIGN_VALUE; ++depth) {
            if (v->tag == ZVI_ASSIGN_ARITH) v = &v->u.arith->left;
            else if (v->tag == ZVI_ASSIGN_FUNCTION) v = &v->u.function->arguments.items[1];
            else v = &v->u.filterApi->arguments.items[0];
        }
        EXPECT_EQ(depth, kDepth);
        ReleaseAssignValue(&copy, 0);
        alloc::Window w(kDepth);
        EXPECT_EQ(CopyAssignValue(&copy, &chain), 300u);
        EXPECT_EQ(copy.u.arith, nullptr);
        EXPECT_EQ(w.liveBlocks(), 0u);
    });
}
