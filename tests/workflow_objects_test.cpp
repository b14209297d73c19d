// Filters, active links and escalations: the bytes the host receives and what the
// caller gets back, read at the offsets of the record tables; the checks in their
// order; the frame of each operation and every allocation failure. The three families
// share their rows wherever their records differ only in offsets.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/definitions.h"
#include "tests/support/trees.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Get { constexpr size_t name = 168, wantedMask = 176; }
namespace Delete { constexpr size_t name = 168, deleteOption = 176; }
namespace GetList { constexpr size_t formName = 168, sinceTime = 176, propertyFilter = 184, names = 168, status = 184; }
namespace GetMultiple { constexpr size_t names = 168, wantedMask = 184, sinceTime = 188, lists = 168; }
constexpr size_t changeMask = 176, newName = 184;
// Set and Create: the attributes every family has, then the family's own words.
struct Define {
    size_t size, connect, enable, qualifier, actions, elseActions, texts[3], properties;
    size_t order, operationMask, groupList, executeMask, controlField, focusField, auxOptions, auxName, time;
};
constexpr size_t no = 0;  // the family has no such field
constexpr Define SetFilter{352, 200, 220, 224, 248, 264, {280, 288, 296}, 304, 192, 216, no, no, no, no, 320, 328, no};
constexpr Define CreateFilter{336, 184, 204, 208, 232, 248, {264, 272, 280}, 288, 176, 200, no, no, no, no, 304, 312, no};
constexpr Define SetActiveLink{376, 200, 244, 248, 272, 288, {304, 312, 320}, 328, 192, no, 216, 232, 236, 240, 344, 352, no};
constexpr Define CreateActiveLink{360, 184, 228, 232, 256, 272, {288, 296, 304}, 312, 176, no, 200, 216, 220, 224, 328, 336, no};
constexpr Define SetEscalation{352, 216, 232, 240, 264, 280, {296, 304, 312}, 320, no, no, no, no, no, no, no, no, 192};
constexpr Define CreateEscalation{336, 200, 216, 224, 248, 264, {280, 288, 296}, 304, no, no, no, no, no, no, no, no, 176};
// Get results: the shared outputs, then the family's own words.
struct GetResult {
    size_t connect, enable, qualifier, actions, elseActions, helpText, timestamp, owner, lastChangedBy, changeDiary,
        properties, status, words[5], groupList, auxName;
};
constexpr GetResult GetFilter{176, 196, 200, 224, 240, 256, 272, 276, 531, 792, 808, 824,
                              {168, 192, 840, no, no} /* order, operationMask, auxOptions */, no, 844};
constexpr GetResult GetActiveLink{176, 236, 240, 264, 280, 296, 312, 316, 571, 832, 848, 864,
                                  {168, 224, 228, 232, 880} /* order, execute, control, focus, aux */, 208, 884};
constexpr GetResult GetEscalation{192, 208, 216, 240, 256, 272, 288, 292, 547, 808, 824, 840, {}, no, no};
constexpr size_t escalationTime = 168;
}  // namespace at

// GetMultiple results: 16-byte lists from 168 on, in output order; per list its item
// size and kind: Flat, Nested (lists of lists), Connects, Texts, Status, Unread (no output).
struct MultipleResult {
    const char* kinds;
    std::vector<size_t> sizes;
    uint32_t allBits;
};
const MultipleResult kMultipleFilters{"FFFCFFFNNTFFFTNSFF", {1, 255, 4, 16, 4, 4, 24, 688, 688, 16, 4, 255, 255, 16, 24, 0, 4, 255}, 32767};
const MultipleResult kMultipleActiveLinks{"FFFCUNFFFFFNNTFFFTNSFF",
                                          {1, 255, 4, 16, 4, 4, 4, 4, 4, 4, 24, 8, 8, 16, 4, 255, 255, 16, 24, 0, 4, 255},
                                          262143};
const MultipleResult kMultipleEscalations{"FFFCFFNNTFFFTNS", {1, 255, 20, 16, 4, 24, 688, 688, 16, 4, 255, 255, 16, 24, 0}, 16383};

// A workflow connect of type 1 as the host returns it: a heap holder of counted texts.
void hostConnect(void* at, const char* form, uint32_t length) {
    auto* holder = static_cast<char*>(std::calloc(1, 16));
    char* items = hostList(holder, 0, 1, 16);
    hostText(items, 0, form);
    raw::put(items, 0, length);
    raw::put(at, 0, 1u);
    raw::put(at, 8, static_cast<void*>(holder));
}

void answerMultiple(void* r, const MultipleResult& m) {
    for (size_t i = 0; m.kinds[i]; ++i) {
        if (m.kinds[i] == 'S') continue;
        char* items = hostList(r, at::GetMultiple::lists + 16 * i, 2, m.kinds[i] == 'F' ? m.sizes[i] : 16);
        for (size_t k = 0; k < 2; ++k) {
            if (m.kinds[i] == 'C') hostConnect(items + 16 * k, "Form", 5);
            if (m.kinds[i] == 'T') hostText(items + 16 * k, 0, k ? "second text" : "first text");
            if (m.kinds[i] == 'N' || m.kinds[i] == 'U') hostList(items + 16 * k, 0, 1, m.sizes[i]);
        }
    }
}

// The caller's lists of GetMultiple, one per output in result order.
struct MultipleOut {
    raw::List l[22];
    explicit MultipleOut(int fill = 0) { std::memset(static_cast<void*>(l), fill, sizeof l); }
    template <class T>
    T* at(size_t i) {
        return reinterpret_cast<T*>(&l[i]);
    }
    uint32_t release(const MultipleResult& m, uint32_t rc) {
        for (size_t i = 0; m.kinds[i]; ++i) {
            if (m.kinds[i] == 'S' || m.kinds[i] == 'U' || !l[i].items) continue;
            for (uint32_t k = 0; k < l[i].count; ++k) {
                if (m.kinds[i] == 'C') zvi::ReleaseWorkflowConnect(static_cast<WorkflowConnect*>(l[i].items) + k, 0);
                if (m.kinds[i] == 'T') std::free(static_cast<char**>(l[i].items)[k]);
                if (m.kinds[i] == 'N') std::free(raw::ptr(l[i].items, 16 * k + 8));
            }
            std::free(l[i].items);
        }
        return rc;
    }
};

char name[] = "Object", formName[] = "HelpDesk", newName[] = "Renamed", messageText[] = "message";
char texts[3][8] = {"help", "owner", "diary"}, auxName[] = "aux";

// The caller's arguments of Set and Create: null until given.
struct Args {
    ObjectName forms[2] = {"HelpDesk", "Hi"};
    NameList formList{2, forms};
    WorkflowConnect connect{ZVI_CONNECT_FORMS, {&formList}};
    uint32_t values[7] = {1000, 127, 0, 9, 0x1FFFFF, 5, 6};  // order, operation mask, enable, aux, execute, control, focus
    Qualifier child{}, qualifier{ZVI_QUAL_NOT, {}};
    WorkflowAction action{};
    WorkflowActionList actionList{1, &action};
    uint32_t groupIds[2] = {7, 8};
    IdList groups{2, groupIds};
    Prop prop{4, textValue(0, messageText).value};
    PropList props{1, &prop};
    EscalationTime time{2, {1, 2, 3, 4}};
    char* newName = nullptr;
    WorkflowConnect* wc = nullptr;
    uint32_t *order = nullptr, *operationMask = nullptr, *enable = nullptr, *auxOptions = nullptr,
             *executeMask = nullptr, *controlField = nullptr, *focusField = nullptr;
    Qualifier* qual = nullptr;
    WorkflowActionList *actions = nullptr, *elseActions = nullptr;
    char *help = nullptr, *owner = nullptr, *diary = nullptr, *aux = nullptr;
    PropList* properties = nullptr;
    IdList* groupList = nullptr;
    EscalationTime* escalationTime = nullptr;

    Args() {
        qualifier.u.child = &child;
        action.actionType = 2;
        action.u.message.messageText = messageText;
    }
    void giveAll() {
        newName = ::newName;
        wc = &connect;
        order = &values[0], operationMask = &values[1], enable = &values[2], auxOptions = &values[3];
        executeMask = &values[4], controlField = &values[5], focusField = &values[6];
        qual = &qualifier, actions = elseActions = &actionList;
        help = texts[0], owner = texts[1], diary = texts[2], aux = auxName;
        properties = &props, groupList = &groups, escalationTime = &time;
    }
    static uint32_t v(const uint32_t* p, uint32_t otherwise = 0) { return p ? *p : otherwise; }
    ActiveLinkActionList* links(WorkflowActionList* list) { return reinterpret_cast<ActiveLinkActionList*>(list); }

    uint32_t call(int op, ControlRecord* c, StatusList* s) {
        switch (op) {
            case 0: return ZVISetFilter(c, name, newName, order, wc, operationMask, enable, qual, actions, elseActions,
                                        help, owner, diary, properties, auxOptions, aux, s);
            case 1: return ZVICreateFilter(c, name, v(order), wc, v(operationMask), v(enable, 1), qual, actions,
                                           elseActions, help, owner, diary, properties, v(auxOptions), aux, s);
            case 2: return ZVISetActiveLink(c, name, newName, order, wc, groupList, executeMask, controlField,
                                            focusField, enable, qual, links(actions), links(elseActions), help, owner,
                                            diary, properties, auxOptions, aux, s);
            case 3: return ZVICreateActiveLink(c, name, v(order), wc, groupList, v(executeMask), controlField,
                                               focusField, v(enable, 1), qual, links(actions), links(elseActions),
                                               help, owner, diary, properties, v(auxOptions), aux, s);
            case 4: return ZVISetEscalation(c, name, newName, escalationTime, wc, enable, qual, actions, elseActions,
                                            help, owner, diary, properties, s);
            default: return ZVICreateEscalation(c, name, escalationTime, wc, v(enable, 1), qual, actions,
                                                elseActions, help, owner, diary, properties, s);
        }
    }
};
enum { SetF, CreateF, SetA, CreateA, SetE, CreateE };
constexpr uint32_t kDefineSlots[6] = {12448, 12456, 12528, 12544, 12488, 12496};
constexpr const at::Define* kDefines[6] = {&at::SetFilter, &at::CreateFilter, &at::SetActiveLink,
                                           &at::CreateActiveLink, &at::SetEscalation, &at::CreateEscalation};

// What Set and Create send: every argument given, or none (Create: zero values).
void expectDefinition(const void* q, int op, const Args& a, bool all) {
    const at::Define& d = *kDefines[op];
    const bool copies = op == SetF || op == CreateF;
    EXPECT_EQ(raw::text(q, 168), name);
    EXPECT_EQ(raw::u32(q, d.connect), all ? 1u : 0u);
    if (all) {  // the forms as counted texts, the terminator counted
        const raw::List forms = raw::list(raw::ptr(q, d.connect + 8), 0);
        ASSERT_EQ(forms.count, 2u);
        EXPECT_EQ(raw::u32(forms.items, 16), 3u);
        EXPECT_STREQ(raw::text(forms.items, 8), "HelpDesk");
    }
    EXPECT_EQ(raw::u32(q, d.enable), all ? 0u : 1u) << "Set's default, or Create's value";
    EXPECT_EQ(raw::u32(q, d.qualifier), all ? 3u : 0u);
    EXPECT_EQ(raw::ptr(q, d.qualifier + 8), all ? &a.child : nullptr) << "the top node by value";
    for (size_t list : {d.actions, d.elseActions}) {
        EXPECT_EQ(raw::list(q, list).count, all ? 1u : 0u);
        EXPECT_EQ(raw::list(q, list).items == &a.action, all && !copies) << "headers by value, or copies";
        if (all && copies) {
            EXPECT_STREQ(raw::text(raw::list(q, list).items, 16), messageText);
            EXPECT_NE(raw::text(raw::list(q, list).items, 16), messageText);
        }
    }
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(raw::text(q, d.texts[i]) == texts[i], all) << i;
        EXPECT_STREQ(raw::text(q, d.texts[i]), all ? texts[i] : "") << i;
    }
    EXPECT_EQ(raw::list(q, d.properties).count, all ? 1u : 0u);
    EXPECT_NE(raw::list(q, d.properties).items, &a.prop);
    const size_t words[] = {d.order, d.operationMask, d.executeMask, d.controlField, d.focusField, d.auxOptions};
    const uint32_t given[] = {1000, 127, 0x1FFFFF, 5, 6, 9};
    for (size_t i = 0; i < 6; ++i)
        if (words[i]) {
            EXPECT_EQ(raw::u32(q, words[i]), all ? given[i] : 0u) << i;
        }
    if (d.groupList) {
        EXPECT_EQ(raw::list(q, d.groupList).count, all ? 2u : 0u);
        EXPECT_NE(raw::list(q, d.groupList).items, a.groupIds);
    }
    if (d.auxName) {
        EXPECT_EQ(raw::text(q, d.auxName) == auxName, all);
    }
    if (d.auxName && !all) {
        EXPECT_EQ(raw::text(q, d.auxName) == nullptr, op % 2 == 1) << "Create: as passed";
    }
    if (d.time) {
        const uint32_t expected[5] = {all ? 2u : op == SetE ? 1u : 0u, all ? 1u : op == SetE ? 300u : 0u, all ? 2u : 0u,
                                      all ? 3u : 0u, all ? 4u : 0u};
        EXPECT_EQ(std::memcmp(raw::bytes(q, d.time), expected, 20), 0);
    }
    EXPECT_TRUE(raw::zero(q, d.size - 16, d.size)) << "trailing bytes";
}

// A Get result: every output filled as the host does; the second form name's length
// as given.
void answerGet(void* r, const at::GetResult& g, uint32_t length = 5) {
    hostConnect(static_cast<char*>(r) + g.connect, "Form", length);
    raw::put(r, g.enable, 1u);
    raw::put(r, g.qualifier, uint32_t{ZVI_QUAL_NONE});
    for (size_t list : {g.actions, g.elseActions}) hostList(r, list, 1, 688);
    hostText(r, g.helpText, "help");
    raw::put(r, g.timestamp, 1234u);
    hostName(r, g.owner, "Owner");
    hostName(r, g.lastChangedBy, "Changer");
    hostText(r, g.changeDiary, "diary");
    hostList(r, g.properties, 1, 24);
    for (size_t i = 0; i < 5; ++i)
        if (g.words[i]) raw::put(r, g.words[i], uint32_t(40 + i));
    if (g.groupList) hostList(r, g.groupList, 2, 4);
    if (g.auxName) hostName(r, g.auxName, "Aux");
    if (&g == &at::GetEscalation) raw::put(r, at::escalationTime, EscalationTime{2, {9, 8, 7, 6}});
}

// Every output of a Get; the family's own words in result order.
struct GetOut {
    uint32_t words[5], enable, timestamp;
    WorkflowConnect connect;
    IdList groups;
    Qualifier qualifier;
    WorkflowActionList actions, elseActions;
    char *help, *diary, owner[255], lastChangedBy[255], aux[255];
    PropList props;
    EscalationTime time;
    explicit GetOut(int fill = 0) { std::memset(static_cast<void*>(this), fill, sizeof *this); }
    ActiveLinkActionList* links(WorkflowActionList* list) { return reinterpret_cast<ActiveLinkActionList*>(list); }
    uint32_t get(int family, ControlRecord* c, StatusList* s) {
        if (family == 0)
            return ZVIGetFilter(c, name, &words[0], &connect, &words[1], &enable, &qualifier, &actions, &elseActions,
                                &help, &timestamp, owner, lastChangedBy, &diary, &props, &words[2], aux, s);
        if (family == 1)
            return ZVIGetActiveLink(c, name, &words[0], &connect, &groups, &words[1], &words[2], &words[3], &enable,
                                    &qualifier, links(&actions), links(&elseActions), &help, &timestamp, owner,
                                    lastChangedBy, &diary, &props, &words[4], aux, s);
        return ZVIGetEscalation(c, name, &time, &connect, &enable, &qualifier, &actions, &elseActions, &help,
                                &timestamp, owner, lastChangedBy, &diary, &props, s);
    }
    uint32_t release(int family, uint32_t rc) {
        zvi::ReleaseWorkflowConnect(&connect, 0);
        if (family == 1) std::free(groups.items);
        for (void* p : {(void*)actions.items, (void*)elseActions.items, (void*)help, (void*)diary, (void*)props.items})
            std::free(p);
        return rc;
    }
};
constexpr const at::GetResult* kGets[3] = {&at::GetFilter, &at::GetActiveLink, &at::GetEscalation};
constexpr uint32_t kGetSlots[3] = {12440, 12520, 12480}, kDeleteSlots[3] = {12464, 12552, 12504},
                   kListSlots[3] = {12472, 12560, 12512}, kMultipleSlots[3] = {13032, 12536, 13024};
const MultipleResult* const kMultiples[3] = {&kMultipleFilters, &kMultipleActiveLinks, &kMultipleEscalations};
const char* const kFamilies[3] = {"Filter", "ActiveLink", "Escalation"};

uint32_t getMultiple(int family, ControlRecord* c, StatusList* s, NameList* names, MultipleOut& o) {
    if (family == 0)
        return ZVIGetMultipleFilters(c, 77, names, o.at<FlagList>(0), o.at<NameList>(1), o.at<UintList>(2),
                                     o.at<WorkflowConnectList>(3), o.at<UintList>(4), o.at<UintList>(5),
                                     o.at<QualifierList>(6), o.at<WorkflowActionListList>(7),
                                     o.at<WorkflowActionListList>(8), o.at<TextList>(9), o.at<UintList>(10),
                                     o.at<NameList>(11), o.at<NameList>(12), o.at<TextList>(13),
                                     o.at<PropListList>(14), o.at<UintList>(16), o.at<NameList>(17), s);
    if (family == 1)
        return ZVIGetMultipleActiveLinks(
            c, 77, names, o.at<FlagList>(0), o.at<NameList>(1), o.at<UintList>(2), o.at<WorkflowConnectList>(3),
            o.at<IdListList>(5), o.at<UintList>(6), o.at<IdList>(7), o.at<IdList>(8), o.at<UintList>(9),
            o.at<QualifierList>(10), o.at<ActiveLinkActionListList>(11), o.at<ActiveLinkActionListList>(12),
            o.at<TextList>(13), o.at<UintList>(14), o.at<NameList>(15), o.at<NameList>(16), o.at<TextList>(17),
            o.at<PropListList>(18), o.at<UintList>(20), o.at<NameList>(21), s);
    return ZVIGetMultipleEscalations(c, 77, names, o.at<FlagList>(0), o.at<NameList>(1), o.at<EscalationTimeList>(2),
                                     o.at<WorkflowConnectList>(3), o.at<UintList>(4), o.at<QualifierList>(5),
                                     o.at<WorkflowActionListList>(6), o.at<WorkflowActionListList>(7),
                                     o.at<TextList>(8), o.at<UintList>(9), o.at<NameList>(10), o.at<NameList>(11),
                                     o.at<TextList>(12), o.at<PropListList>(13), s);
}

// The status list in words: "type:number" per message.
std::string said(const StatusList& s) {
    std::string out;
    for (const Message& m : messages(s)) out += (out.empty() ? "" : " ") + std::to_string(m.type) + ":" + std::to_string(m.number);
    return out;
}

class WorkflowObjectsTest : public DefinitionsTest {
protected:
    std::vector<DefinitionOp> ops();
    Args a;
    ObjectName names[1] = {"Wanted"};
    NameList nameList{1, names};
};

std::vector<DefinitionOp> WorkflowObjectsTest::ops() {
    std::vector<DefinitionOp> rows;
    const char* const defineNames[6] = {"ZVISetFilter", "ZVICreateFilter", "ZVISetActiveLink", "ZVICreateActiveLink",
                                        "ZVISetEscalation", "ZVICreateEscalation"};
    const uint32_t defineOpcodes[6] = {22, 23, 39, 40, 49, 50};
    a.giveAll();
    for (int op = SetF; op <= CreateE; ++op)
        rows.push_back({defineNames[op], kDefineSlots[op], defineOpcodes[op], true, defineNames[op], 168,
                        [](void*, void*) {}, [this, op](ControlRecord* c, StatusList* s) { return a.call(op, c, s); },
                        {0, 2, 300}});
    const uint32_t opcodes[3][4] = {{21, 24, 25, 83}, {38, 41, 42, 82}, {48, 51, 52, 84}};
    const char* const getTexts[3] = {"ZVIGetFilter", "ZVIGetActiveLink", "ZVIGetEscalation"};
    const char* const listTexts[3] = {"ZVIGetListFilter", "ZVIGetListActiveLink", "ZVIGetListEscalation"};
    const char* const deleteTexts[3] = {"ZVIDeleteFilter", "ZVIDeleteActivelink", "ZVIDeleteEscalation"};
    const char* const multipleTexts[3] = {"ZVIGetMultipleFilters", "ZVIGetMultipleActivelinks",
                                          "ZVIGetMultipleEscalations"};
    for (int fam = 0; fam < 3; ++fam) {
        const at::GetResult* g = kGets[fam];
        const MultipleResult* m = kMultiples[fam];
        rows.push_back({getTexts[fam], kGetSlots[fam], opcodes[fam][0], false, getTexts[fam], uint32_t(g->status),
                        [g](void*, void* r) { answerGet(r, *g); },
                        [fam](ControlRecord* c, StatusList* s) { GetOut o; return o.release(fam, o.get(fam, c, s)); },
                        {0, 2}});
        rows.push_back({deleteTexts[fam], kDeleteSlots[fam], opcodes[fam][1], true, deleteTexts[fam], 168,
                        [](void*, void*) {},
                        [fam](ControlRecord* c, StatusList* s) {
                            return fam == 0 ? ZVIDeleteFilter(c, name, 3, s)
                                            : fam == 1 ? ZVIDeleteActiveLink(c, name, 3, s)
                                                       : ZVIDeleteEscalation(c, name, 3, s);
                        },
                        {0}});
        rows.push_back({listTexts[fam], kListSlots[fam], opcodes[fam][2], false, listTexts[fam], at::GetList::status,
                        [](void*, void* r) { hostText(hostList(r, at::GetList::names, 1, 16), 0, "Listed"); },
                        [this, fam](ControlRecord* c, StatusList* s) {
                            NameList got{};
                            auto* fn = fam == 0 ? ZVIGetListFilter : fam == 1 ? ZVIGetListActiveLink : ZVIGetListEscalation;
                            const uint32_t rc = fn(c, formName, 5, &a.props, &got, s);
                            return std::free(got.items), rc;
                        },
                        {0, 2, 300}});
        rows.push_back({multipleTexts[fam], kMultipleSlots[fam], opcodes[fam][3], false, multipleTexts[fam],
                        uint32_t(at::GetMultiple::lists + 16 * std::string(m->kinds).find('S')),
                        [m](void*, void* r) { answerMultiple(r, *m); },
                        [this, fam, m](ControlRecord* c, StatusList* s) {
                            MultipleOut o;
                            return o.release(*m, getMultiple(fam, c, s, &nameList, o));
                        },
                        {0, 2, 300}});
    }
    return rows;
}

}  // namespace

TEST_F(WorkflowObjectsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(WorkflowObjectsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

// Set and Create of each family with every argument, and with none (Set then renames,
// so that it changes something): the caller's pointers, copies, or the defaults.
TEST_F(WorkflowObjectsTest, SetAndCreateSendTheCallersArgumentsOrTheirDefaults) {
    const uint32_t allBits[6] = {16383, 0, 131071, 0, 2047, 0};
    for (bool all : {true, false}) {
        for (int op = SetF; op <= CreateE; ++op) {
            SCOPED_TRACE(std::to_string(op) + (all ? " all" : " none"));
            Args args;
            if (all) args.giveAll();
            if (!all && op % 2 == 0) args.newName = newName;
            uint32_t mask = 99;
            host.on(kDefineSlots[op], [&](void* q, void*) {
                expectDefinition(q, op, args, all);
                if (op % 2 == 0) {
                    mask = raw::u32(q, at::changeMask);
                    EXPECT_EQ(raw::text(q, at::newName), newName);
                }
                return 1u;
            });
            EXPECT_EQ(args.call(op, &control, &status), op == CreateA && !all ? 1u : 0u) << "warning 71";
            zvi::releaseStatusList(&status, 0);
            if (op % 2 == 0) {
                EXPECT_EQ(mask, all ? allBits[op] : 1u);
            }
        }
    }
}

// The checks in their order, the first broken one reported, with its catalog text and
// no detail; warning 71 goes on.
TEST_F(WorkflowObjectsTest, ChecksRunInTheirOrder) {
    const std::map<uint32_t, std::string> kTexts{
        {54, "No changes were specified for the object"}, {71, "No groups were given for the object"},
        {115, "The operation mask is not valid"}, {169, "The execution order must be between 0 and 1000"},
        {187, "The execute mask is not valid"}, {251, "The enable flag must be 0 or 1"},
        {8923, "A workflow object must name the forms it applies to"}};
    uint32_t big = 1001, two = 2, mask128 = 128, exec = 0x200000;
    IdList noGroups{};
    WorkflowConnect type0{}, type2{2, {}};
    struct Row {
        int op;
        std::function<void(Args&)> give;
        const char* expected;
        uint32_t mask = 0;  // the change mask sent, when the host is called
        uint32_t hostOk = 1;
    };
    const std::vector<Row> rows{
        {SetF, [](Args&) {}, "1:54"},
        {SetF, [](Args& a) { a.auxOptions = &a.values[3], a.aux = auxName, a.newName = name; }, "1:54"},
        {SetF, [&](Args& a) { a.wc = &type0; }, "1:54"},
        {SetF, [&](Args& a) { a.wc = &type0, a.enable = &a.values[2]; }, "2:8923"},
        {SetF, [&](Args& a) { a.newName = name, a.enable = &a.values[2]; }, "", 16},
        {SetF, [&](Args& a) { a.order = &big, a.wc = &type2, a.operationMask = &mask128, a.enable = &two; }, "2:169"},
        {SetF, [&](Args& a) { a.wc = &type2, a.operationMask = &mask128, a.enable = &two; }, "2:8923"},
        {SetF, [&](Args& a) { a.order = &a.values[0], a.operationMask = &mask128, a.enable = &two; }, "2:115"},
        {SetF, [&](Args& a) { a.operationMask = &a.values[1], a.enable = &two; }, "2:251"},
        {CreateF, [&](Args& a) { a.order = &big; }, "2:169"},
        {CreateF, [&](Args& a) { a.wc = &type0; }, "2:8923"},
        {CreateF, [&](Args& a) { a.operationMask = &mask128; }, "2:115"},
        {CreateF, [&](Args& a) { a.enable = &two; }, "2:251"},
        {SetA, [&](Args& a) { a.groupList = &noGroups; }, "1:71", 8},
        {SetA, [&](Args& a) { a.groupList = &noGroups; }, "2:9905 1:71", 8, 0},
        {SetA, [&](Args& a) { a.groupList = &noGroups, a.executeMask = &exec, a.enable = &two; }, "2:187 1:71"},
        {SetA, [&](Args& a) { a.groupList = &noGroups, a.order = &big; }, "2:169"},
        {SetA, [&](Args& a) { a.groupList = &noGroups, a.wc = &type2; }, "2:8923"},
        {SetA, [&](Args& a) { a.executeMask = &a.values[4], a.controlField = &a.values[5]; }, "", 48},
        {SetA, [&](Args& a) { a.aux = auxName; }, "1:54"},
        {CreateA, [&](Args& a) { a.actions = &a.actionList; }, "1:71"},
        {CreateA, [&](Args& a) { a.groupList = &a.groups, a.executeMask = &exec; }, "2:187"},
        {CreateA, [&](Args& a) { a.executeMask = &exec; }, "2:187 1:71"},
        {SetE, [&](Args& a) { a.escalationTime = &a.time; }, "", 2},
        {SetE, [&](Args& a) { a.wc = &type2, a.enable = &two; }, "2:8923"},
        {SetE, [&](Args& a) { a.enable = &two; }, "2:251"},
        {CreateE, [&](Args& a) { a.enable = &two; }, "2:251"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(&row - rows.data()));
        Args args;
        row.give(args);
        uint32_t mask = 0;
        host.on(kDefineSlots[row.op], [&](void* q, void*) { return mask = raw::u32(q, at::changeMask), row.hostOk; });
        host.clearEvents();
        const bool called = (!std::strchr(row.expected, '2') && std::strcmp(row.expected, "1:54")) || !row.hostOk;
        const uint32_t rc = args.call(row.op, &control, &status);
        EXPECT_EQ(rc, status.numItems ? status.entries[0].messageType : 0u);
        EXPECT_EQ(said(status), row.expected);
        for (const Message& m : messages(status)) {
            if (m.number != 9905) {
                EXPECT_EQ(m.text, kTexts.at(m.number));
                EXPECT_FALSE(m.hasDetail);
            }
        }
        EXPECT_EQ(host.calls(kDefineSlots[row.op]), called ? 1 : 0);
        if (called && row.op % 2 == 0) {
            EXPECT_EQ(mask, row.mask);
        }
        zvi::releaseStatusList(&status, 0);
    }
}

// Outputs emptied at entry, then filled: words copied, lists and texts moved, names
// copied, the workflow connect's forms converted into a NameList (or released when not
// asked for); a name too long for a NameList is error 103, the record handed over
// empty all the same.
TEST_F(WorkflowObjectsTest, GetHandsOverEveryOutput) {
    const uint32_t allBits[3] = {255, 511, 255};
    for (int fam = 0; fam < 3; ++fam) {
        SCOPED_TRACE(kFamilies[fam]);
        uint32_t mask = 0;
        for (uint32_t length : {5u, 255u}) {
            host.on(kGetSlots[fam], [&, length](void* q, void* r) {
                EXPECT_EQ(raw::text(q, at::Get::name), name);
                mask = raw::u32(q, at::Get::wantedMask);
                return answerGet(r, *kGets[fam], length), 1u;
            });
            GetOut o;
            EXPECT_EQ(o.get(fam, &control, &status), length > 254 ? 2u : 0u);
            EXPECT_EQ(said(status), length > 254 ? "2:103" : "");
            EXPECT_EQ(mask, allBits[fam]);
            EXPECT_EQ(o.connect.connectType, 1u);
            EXPECT_EQ(o.connect.u.nameList->numItems, length > 254 ? 0u : 1u);
            if (length < 255) {
                EXPECT_STREQ(o.connect.u.nameList->items[0], "Form");
            }
            EXPECT_EQ(o.enable, 1u);
            EXPECT_EQ(o.timestamp, 1234u);
            EXPECT_EQ(o.actions.numItems + o.elseActions.numItems + o.props.numItems, 3u);
            EXPECT_STREQ(o.help, "help");
            EXPECT_STREQ(o.diary, "diary");
            EXPECT_STREQ(o.owner, "Owner");
            EXPECT_STREQ(o.lastChangedBy, "Changer");
            for (size_t i = 0; i < 5; ++i)
                if (kGets[fam]->words[i]) {
                    EXPECT_EQ(o.words[i], 40 + i);
                }
            if (fam < 2) {
                EXPECT_STREQ(o.aux, "Aux");
            }
            if (fam == 1) {
                EXPECT_EQ(o.groups.numItems, 2u);
            }
            if (fam == 2) {
                EXPECT_EQ(o.time.words[3], 6u);
            }
            o.release(fam, 0);
            zvi::releaseStatusList(&status, 0);
        }
        // Nothing asked for: mask 0, everything the host returned released; outputs
        // are emptied before the status list is tested.
        alloc::Window window;
        auto* fn = fam == 0 ? +[](StatusList* s) { return ZVIGetFilter(nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, s); }
                   : fam == 1 ? +[](StatusList* s) { return ZVIGetActiveLink(nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, s); }
                              : +[](StatusList* s) { return ZVIGetEscalation(nullptr, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, s); };
        EXPECT_EQ(fn(&status), 0u);
        EXPECT_EQ(mask, 0u);
        EXPECT_EQ(window.liveBlocks(), 0u);
        GetOut o(0xAB);
        EXPECT_EQ(o.get(fam, &control, nullptr), 4u);
        EXPECT_EQ(o.connect.connectType + o.qualifier.operation + o.actions.numItems + o.elseActions.numItems +
                      o.props.numItems, 0u);
        EXPECT_TRUE(o.help == nullptr && o.diary == nullptr);
        EXPECT_EQ(uint8_t(o.owner[0]), 0xABu) << "names are emptied after the status test";
    }
}

TEST_F(WorkflowObjectsTest, DeleteAndGetListSendTheirWords) {
    for (int fam = 0; fam < 3; ++fam) {
        SCOPED_TRACE(kFamilies[fam]);
        host.on(kDeleteSlots[fam], [](void* q, void*) {
            EXPECT_EQ(raw::text(q, at::Delete::name), name);
            return raw::u32(q, at::Delete::deleteOption) == 3 && raw::zero(q, 180, 200) ? 1u : 0u;
        });
        auto* remove = fam == 0 ? ZVIDeleteFilter : fam == 1 ? ZVIDeleteActiveLink : ZVIDeleteEscalation;
        EXPECT_EQ(remove(&control, name, 3, &status), 0u);
        auto* list = fam == 0 ? ZVIGetListFilter : fam == 1 ? ZVIGetListActiveLink : ZVIGetListEscalation;
        for (uint32_t length : {7u, 255u}) {
            host.on(kListSlots[fam], [&, length](void* q, void* r) {
                EXPECT_STREQ(raw::text(q, at::GetList::formName), "");
                EXPECT_EQ(raw::u32(q, at::GetList::sinceTime), 5u);
                EXPECT_EQ(raw::list(q, at::GetList::propertyFilter).count, 1u);
                EXPECT_NE(raw::list(q, at::GetList::propertyFilter).items, &a.prop);
                EXPECT_TRUE(raw::zero(q, 200, 208));
                char* items = hostList(r, at::GetList::names, 2, 16);
                hostText(items, 0, "First");
                hostText(items, 16, "Second");
                raw::put(items, 16, length);
                return 1u;
            });
            NameList got{9, nullptr};
            EXPECT_EQ(list(&control, nullptr, 5, &a.props, &got, &status), length > 254 ? 2u : 0u);
            EXPECT_EQ(got.numItems, length > 254 ? 0u : 2u);
            EXPECT_EQ(said(status), length > 254 ? "2:103" : "");
            if (got.numItems) {
                EXPECT_STREQ(got.items[1], "Second");
            }
            std::free(got.items);
            zvi::releaseStatusList(&status, 0);
        }
        host.clearEvents();
        EXPECT_EQ(list(&control, formName, 0, nullptr, nullptr, &status), 2u);
        EXPECT_EQ(said(status), "2:105");
        EXPECT_TRUE(host.events().empty());
        zvi::releaseStatusList(&status, 0);
    }
}

// Every list handed over (help texts and diaries as TextLists, workflow connects with
// NameLists); the aux lists always empty; a host list whose count has no items behind
// it reaches the caller empty and is never read.
TEST_F(WorkflowObjectsTest, GetMultipleHandsOverParallelLists) {
    for (int fam = 0; fam < 3; ++fam) {
        SCOPED_TRACE(kFamilies[fam]);
        const MultipleResult& m = *kMultiples[fam];
        uint32_t mask = 0;
        host.on(kMultipleSlots[fam], [&](void* q, void* r) {
            mask = raw::u32(q, at::GetMultiple::wantedMask);
            EXPECT_EQ(raw::u32(q, at::GetMultiple::sinceTime), 77u);
            EXPECT_EQ(raw::list(q, at::GetMultiple::names).count, 1u);
            EXPECT_NE(raw::list(q, at::GetMultiple::names).items, names);
            return answerMultiple(r, m), 1u;
        });
        MultipleOut o;
        EXPECT_EQ(getMultiple(fam, &control, &status, &nameList, o), 0u);
        EXPECT_EQ(mask, m.allBits);
        const size_t kinds = std::strlen(m.kinds), aux = fam == 2 ? kinds : kinds - 2;
        for (size_t i = 0; i < kinds; ++i)
            if (m.kinds[i] != 'S' && m.kinds[i] != 'U') {
                EXPECT_EQ(o.l[i].count, i < aux ? 2u : 0u) << i;
            }
        for (size_t i = aux; i < kinds; ++i) EXPECT_EQ(o.l[i].items, nullptr) << "never written again";
        const auto* connects = static_cast<WorkflowConnect*>(o.l[3].items);
        EXPECT_STREQ(connects[1].u.nameList->items[0], "Form");
        const size_t help = std::string(m.kinds).find('T'), diary = std::string(m.kinds).rfind('T');
        EXPECT_STREQ(static_cast<char**>(o.l[help].items)[1], "second text");
        EXPECT_STREQ(static_cast<char**>(o.l[diary].items)[0], "first text");
        o.release(m, 0);

        host.on(kMultipleSlots[fam], [&](void*, void* r) {
            for (size_t i = 0; m.kinds[i]; ++i)
                if (m.kinds[i] != 'S') raw::putList(r, at::GetMultiple::lists + 16 * i, 3, nullptr);
            return 1u;
        });
        MultipleOut lying(0xAB);
        EXPECT_EQ(getMultiple(fam, &control, &status, nullptr, lying), 0u);
        for (size_t i = 0; m.kinds[i]; ++i)
            if (m.kinds[i] != 'S' && m.kinds[i] != 'U') {
                EXPECT_EQ(lying.l[i].count, 0u) << i;
            }
        lying.release(m, 0);
    }
}

// A workflow connect whose forms cannot all be converted: the first failure is the
// error, the connects are handed over with the failing one's list empty.
TEST_F(WorkflowObjectsTest, GetMultipleReportsAConnectThatCannotBeConverted) {
    host.on(kMultipleSlots[0], [](void*, void* r) {
        char* items = hostList(r, at::GetMultiple::lists + 16 * 3, 2, 16);
        hostConnect(items, "Form", 5);
        hostConnect(items + 16, "Form", 300);
        return 1u;
    });
    MultipleOut o;
    EXPECT_EQ(getMultiple(0, &control, &status, nullptr, o), 2u);
    EXPECT_EQ(said(status), "2:103");
    const auto* connects = static_cast<WorkflowConnect*>(o.l[3].items);
    EXPECT_EQ(connects[0].u.nameList->numItems, 1u);
    EXPECT_EQ(connects[1].u.nameList->numItems, 0u);
    o.release(kMultipleFilters, 0);
}

// A filter action whose assigned value nests far deeper than a thread's stack could
// follow by recursion: copied for the host and released, on a small stack.
TEST_F(WorkflowObjectsTest, SetFilterCopiesActionTreesOfAnyDepth) {
    constexpr int kDepth = 100000;
    std::vector<AssignArith> nodes(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        nodes[i].operation = 1;
        nodes[i].left = i + 1 < kDepth ? AssignValue{ZVI_ASSIGN_ARITH, {}} : AssignValue{ZVI_ASSIGN_NONE, {}};
        nodes[i].left.u.arith = i + 1 < kDepth ? &nodes[i + 1] : nullptr;
    }
    FieldAssign assign{8, {ZVI_ASSIGN_ARITH, {}}};
    assign.assign.u.arith = &nodes[0];
    WorkflowAction action{};
    action.actionType = ZVI_ACTION_SET_FIELDS;
    action.u.setFields.assignments = FieldAssignList{1, &assign};
    WorkflowActionList actions{1, &action};
    int depth = 0;
    host.on(kDefineSlots[SetF], [&](void* q, void*) {
        const auto* copy = static_cast<const WorkflowAction*>(raw::list(q, at::SetFilter.actions).items);
        for (const AssignValue* v = &copy->u.setFields.assignments.items[0].assign; v->tag == ZVI_ASSIGN_ARITH;
             v = &v->u.arith->left, ++depth) {
            EXPECT_NE(v->u.arith, &nodes[depth]);
        }
        return 1u;
    });
    trees::onSmallStack([&] {
        EXPECT_EQ(ZVISetFilter(&control, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &actions, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status),
                  0u);
    });
    EXPECT_EQ(depth, kDepth);
}
