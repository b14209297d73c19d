// Filters, active links and escalations: the bytes the host receives and what the
// caller gets back, read at the offsets of the record tables; the checks in their
// order; the frame of each operation and every allocation failure. The three families
// share their rows wherever their records differ only in offsets; the rows' host
// answers check every request sent with all arguments given.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/trees.h"
#include "tests/support/workflow_rows.h"
#include "types/definitions.h"

using namespace testing_support;

namespace {

namespace at {  // typed in from the record tables
namespace Get { constexpr size_t name = 168, wantedMask = 176; }
namespace GetList { constexpr size_t formName = 168, sinceTime = 176, propertyFilter = 184, names = 168, status = 184; }
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

// A workflow connect of type 1 as the host returns it: a heap holder of counted texts.
void hostConnect(void* at, const char* form, uint32_t length) {
    auto* holder = static_cast<char*>(std::calloc(1, 16));
    char* items = hostList(holder, 0, 1, 16);
    hostText(items, 0, form);
    raw::put(items, 0, length);
    raw::put(at, 0, 1u);
    raw::put(at, 8, static_cast<void*>(holder));
}

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
    bool all = false;
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
        all = true, newName = ::newName, wc = &connect;
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

// What Set and Create send: every argument given, or none (Create: zero values; Set
// renames, so that it changes something).
void expectDefinition(const void* q, int op, const Args& a) {
    const at::Define& d = *kDefines[op];
    const bool all = a.all, copies = op == SetF || op == CreateF;
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
        EXPECT_EQ(raw::text(q, d.auxName) == nullptr, !all && op % 2) << "Create: as passed";
    }
    if (d.time) {
        const uint32_t expected[5] = {all ? 2u : op == SetE ? 1u : 0u, all ? 1u : op == SetE ? 300u : 0u, all ? 2u : 0u,
                                      all ? 3u : 0u, all ? 4u : 0u};
        EXPECT_EQ(std::memcmp(raw::bytes(q, d.time), expected, 20), 0);
    }
    EXPECT_TRUE(raw::zero(q, d.size - 16, d.size)) << "trailing bytes";
    if (op % 2 == 0) {
        const uint32_t allBits[6] = {16383, 0, 131071, 0, 2047, 0};
        EXPECT_EQ(raw::u32(q, at::changeMask), all ? allBits[op] : 1u);
        EXPECT_EQ(raw::text(q, at::newName), newName);
    }
}

constexpr const at::GetResult* kGets[3] = {&at::GetFilter, &at::GetActiveLink, &at::GetEscalation};
constexpr uint32_t kGetSlots[3] = {12440, 12520, 12480}, kListSlots[3] = {12472, 12560, 12512},
                   kMultipleSlots[3] = {13032, 12536, 13024}, kOpcodes[3][4] = {{21, 24, 25, 83}, {38, 41, 42, 82},
                                                                                {48, 51, 52, 84}};

// A Get result: every output filled as the host does; the form name's length as given.
void answerGet(void* r, int family, uint32_t length = 5) {
    const at::GetResult& g = *kGets[family];
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
    if (family == 2) raw::put(r, at::escalationTime, EscalationTime{2, {9, 8, 7, 6}});
}

// Every output of a Get (none when not wanted); the family's own words in result order.
struct GetOut {
    uint32_t words[5], enable, timestamp;
    WorkflowConnect connect;
    IdList groups;
    Qualifier qualifier;
    WorkflowActionList actions, elseActions;
    char *help, *diary, owner[255], lastChangedBy[255], aux[255];
    PropList props;
    EscalationTime time;
    bool wanted = true;
    explicit GetOut(int fill = 0) { std::memset(static_cast<void*>(this), fill, offsetof(GetOut, wanted)); }
    template <class T>
    T* w(T* out) { return wanted ? out : nullptr; }
    ActiveLinkActionList* links(WorkflowActionList* list) { return w(reinterpret_cast<ActiveLinkActionList*>(list)); }
    uint32_t get(int family, ControlRecord* c, StatusList* s) {
        if (family == 0)
            return ZVIGetFilter(c, name, w(&words[0]), w(&connect), w(&words[1]), w(&enable), w(&qualifier),
                                w(&actions), w(&elseActions), w(&help), w(&timestamp), w(owner), w(lastChangedBy),
                                w(&diary), w(&props), w(&words[2]), w(aux), s);
        if (family == 1)
            return ZVIGetActiveLink(c, name, w(&words[0]), w(&connect), w(&groups), w(&words[1]), w(&words[2]),
                                    w(&words[3]), w(&enable), w(&qualifier), links(&actions), links(&elseActions),
                                    w(&help), w(&timestamp), w(owner), w(lastChangedBy), w(&diary), w(&props),
                                    w(&words[4]), w(aux), s);
        return ZVIGetEscalation(c, name, w(&time), w(&connect), w(&enable), w(&qualifier), w(&actions),
                                w(&elseActions), w(&help), w(&timestamp), w(owner), w(lastChangedBy), w(&diary),
                                w(&props), s);
    }
    void expectAll(int family) {
        EXPECT_EQ(connect.connectType, 1u);
        EXPECT_STREQ(connect.u.nameList->items[0], "Form");
        EXPECT_EQ(enable + timestamp, 1u + 1234u);
        EXPECT_EQ(actions.numItems + elseActions.numItems + props.numItems, 3u);
        EXPECT_EQ(std::vector<std::string>({help, diary, owner, lastChangedBy}),
                  (std::vector<std::string>{"help", "diary", "Owner", "Changer"}));
        const size_t ownWords[3] = {3, 5, 0};
        for (size_t i = 0; i < ownWords[family]; ++i) EXPECT_EQ(words[i], 40 + i);
        EXPECT_STREQ(family < 2 ? aux : "Aux", "Aux");
        EXPECT_EQ(family == 1 ? groups.numItems : 2u, 2u);
        EXPECT_EQ(family == 2 ? time.words[3] : 6u, 6u);
    }
    uint32_t release(int family, uint32_t rc) {
        zvi::ReleaseWorkflowConnect(&connect, 0);
        if (family == 1) std::free(groups.items);
        for (void* p : {(void*)actions.items, (void*)elseActions.items, (void*)help, (void*)diary, (void*)props.items})
            std::free(p);
        return rc;
    }
};

void fillConnect(char* item) { hostConnect(item, "Form", 5); }
void releaseConnect(void* c) { zvi::ReleaseWorkflowConnect(static_cast<WorkflowConnect*>(c), 0); }
const MultipleShape kMultiples[3] = {
    {"FFF*FFFNNHFFFTNSAA", {1, 255, 4, 16, 4, 4, 24, 688, 688, 0, 4, 255, 255, 0, 24, 0, 4, 255}, fillConnect,
     releaseConnect},
    {"FFF*DNFFFFFNNHFFFTNSAA", {1, 255, 4, 16, 4, 4, 4, 4, 4, 4, 24, 8, 8, 0, 4, 255, 255, 0, 24, 0, 4, 255},
     fillConnect, releaseConnect},
    {"FFF*FFNNHFFFTNS", {1, 255, 20, 16, 4, 24, 688, 688, 0, 4, 255, 255, 0, 24}, fillConnect, releaseConnect}};

const char* const kFamilies[3] = {"Filter", "ActiveLink", "Escalation"};
decltype(&ZVIGetListFilter) const kGetLists[3] = {ZVIGetListFilter, ZVIGetListActiveLink, ZVIGetListEscalation};

MultipleRow multiple(int family) {
    const char* const names[3] = {"ZVIGetMultipleFilters", "ZVIGetMultipleActivelinks", "ZVIGetMultipleEscalations"};
    return {names[family], kMultipleSlots[family], kOpcodes[family][3], kMultiples[family],
            [family](ListsOut& o, ControlRecord* c, StatusList* s, NameList* names) {
                if (family == 0)
                    return ZVIGetMultipleFilters(c, 77, names, o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7], o[8],
                                                 o[9], o[10], o[11], o[12], o[13], o[14], o[16], o[17], s);
                if (family == 1)
                    return ZVIGetMultipleActiveLinks(c, 77, names, o[0], o[1], o[2], o[3], o[5], o[6], o[7], o[8],
                                                     o[9], o[10], o[11], o[12], o[13], o[14], o[15], o[16], o[17],
                                                     o[18], o[20], o[21], s);
                return ZVIGetMultipleEscalations(c, 77, names, o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7], o[8],
                                                 o[9], o[10], o[11], o[12], o[13], s);
            }};
}

class WorkflowObjectsTest : public WorkflowRowsTest {
protected:
    std::vector<DefinitionOp> ops(bool all = true);
    Args a;
};

std::vector<DefinitionOp> WorkflowObjectsTest::ops(bool all) {
    std::vector<DefinitionOp> rows;
    const char* const defineNames[6] = {"ZVISetFilter", "ZVICreateFilter", "ZVISetActiveLink", "ZVICreateActiveLink",
                                        "ZVISetEscalation", "ZVICreateEscalation"};
    const uint32_t defineOpcodes[6] = {22, 23, 39, 40, 49, 50};
    if (all) a.giveAll();
    for (int op = SetF; op <= CreateE; ++op)
        rows.push_back({defineNames[op], kDefineSlots[op], defineOpcodes[op], true, defineNames[op], 168,
                        [this, op](void* q, void*) { expectDefinition(q, op, a); },
                        [this, op](ControlRecord* c, StatusList* s) { return a.call(op, c, s); }, {0, 2, 300}});
    const char* const getNames[3] = {"ZVIGetFilter", "ZVIGetActiveLink", "ZVIGetEscalation"};
    const char* const listNames[3] = {"ZVIGetListFilter", "ZVIGetListActiveLink", "ZVIGetListEscalation"};
    const char* const deleteNames[3] = {"ZVIDeleteFilter", "ZVIDeleteActivelink", "ZVIDeleteEscalation"};
    decltype(&ZVIDeleteFilter) const deletes[3] = {ZVIDeleteFilter, ZVIDeleteActiveLink, ZVIDeleteEscalation};
    const uint32_t deleteSlots[3] = {12464, 12552, 12504}, allBits[3] = {255, 511, 255};
    for (int fam = 0; fam < 3; ++fam) {
        rows.push_back({getNames[fam], kGetSlots[fam], kOpcodes[fam][0], false, getNames[fam],
                        uint32_t(kGets[fam]->status),
                        [fam, bits = allBits[fam]](void* q, void* r) {
                            EXPECT_EQ(raw::text(q, at::Get::name), name);
                            EXPECT_EQ(raw::u32(q, at::Get::wantedMask), bits);
                            answerGet(r, fam);
                        },
                        [fam](ControlRecord* c, StatusList* s) {
                            GetOut o;
                            const uint32_t rc = o.get(fam, c, s);
                            if (rc < 2) o.expectAll(fam);
                            return o.release(fam, rc);
                        },
                        {0, 2}});
        rows.push_back(deleteOp(deleteNames[fam], deleteSlots[fam], kOpcodes[fam][1], deletes[fam], name));
        rows.push_back({listNames[fam], kListSlots[fam], kOpcodes[fam][2], false, listNames[fam], at::GetList::status,
                        [this](void* q, void* r) {
                            EXPECT_STREQ(raw::text(q, at::GetList::formName), "");
                            EXPECT_EQ(raw::u32(q, at::GetList::sinceTime), 5u);
                            EXPECT_EQ(raw::list(q, at::GetList::propertyFilter).count, 1u);
                            EXPECT_NE(raw::list(q, at::GetList::propertyFilter).items, &a.prop);
                            EXPECT_TRUE(raw::zero(q, 200, 208));
                            hostText(hostList(r, at::GetList::names, 1, 16), 0, "Listed");
                        },
                        [this, fam](ControlRecord* c, StatusList* s) {
                            NameList got{9, nullptr};
                            const uint32_t rc = kGetLists[fam](c, nullptr, 5, &a.props, &got, s);
                            EXPECT_EQ(got.numItems, rc < 2 ? 1u : 0u);
                            EXPECT_STREQ(got.numItems ? got.items[0] : "Listed", "Listed");
                            return std::free(got.items), rc;
                        },
                        {0, 2, 300}});
        rows.push_back(op(multiple(fam)));
    }
    return rows;
}

}  // namespace

TEST_F(WorkflowObjectsTest, EveryOperationFollowsItsFrame) { checkFrames(ops()); }

TEST_F(WorkflowObjectsTest, EveryAllocationFailureEndsInADefinedOutcome) { sweep(ops()); }

TEST_F(WorkflowObjectsTest, SetAndCreateWithoutArgumentsSendTheirDefaults) {
    const std::vector<DefinitionOp> rows = ops(false);
    a.newName = newName;
    for (int op = SetF; op <= CreateE; ++op) {
        serve(rows[op], 1, false);
        EXPECT_EQ(rows[op].call(&control, &status), op == CreateA ? 1u : 0u) << op << ": warning 71";
        zvi::releaseStatusList(&status, 0);
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

// A form name too long for a NameList is error 103, the record handed over empty all
// the same; nothing asked for: mask 0, everything the host returned released; without
// a status list the outputs are emptied, the names not.
TEST_F(WorkflowObjectsTest, GetConvertsReleasesAndEmptiesItsOutputs) {
    for (int fam = 0; fam < 3; ++fam) {
        SCOPED_TRACE(kFamilies[fam]);
        uint32_t mask = 0;
        host.on(kGetSlots[fam], [&](void* q, void* r) {
            mask = raw::u32(q, at::Get::wantedMask);
            return answerGet(r, fam, 255), 1u;
        });
        GetOut o;
        EXPECT_EQ(o.get(fam, &control, &status), 2u);
        EXPECT_EQ(said(status), "2:103");
        EXPECT_EQ(o.connect.connectType + o.connect.u.nameList->numItems, 1u + 0u);
        o.release(fam, 0);
        zvi::releaseStatusList(&status, 0);
        alloc::Window window;
        GetOut none;
        none.wanted = false;
        EXPECT_EQ(none.get(fam, &control, &status), 0u);
        EXPECT_EQ(mask, 0u);
        EXPECT_EQ(window.liveBlocks(), 0u);
        GetOut stale(0xAB);
        EXPECT_EQ(stale.get(fam, &control, nullptr), 4u);
        EXPECT_EQ(stale.connect.connectType + stale.qualifier.operation + stale.actions.numItems +
                      stale.elseActions.numItems + stale.props.numItems, 0u);
        EXPECT_TRUE(stale.help == nullptr && stale.diary == nullptr);
        EXPECT_EQ(uint8_t(stale.owner[0]), 0xABu) << "names are emptied after the status test";
    }
}

// Names too long for a NameList are error 103, the list handed over empty; no output
// list is error 105, before anything reaches the host.
TEST_F(WorkflowObjectsTest, GetListRefusesWhatANameListCannotHold) {
    for (int fam = 0; fam < 3; ++fam) {
        SCOPED_TRACE(kFamilies[fam]);
        host.on(kListSlots[fam], [](void*, void* r) {
            char* items = hostList(r, at::GetList::names, 2, 16);
            hostText(items, 0, "First");
            hostText(items, 16, "Second");
            return raw::put(items, 16, 255u), 1u;
        });
        NameList got{9, nullptr};
        EXPECT_EQ(kGetLists[fam](&control, nullptr, 5, nullptr, &got, &status), 2u);
        EXPECT_EQ(got.numItems, 0u);
        EXPECT_EQ(said(status), "2:103");
        std::free(got.items);
        zvi::releaseStatusList(&status, 0);
        host.clearEvents();
        EXPECT_EQ(kGetLists[fam](&control, formName, 0, nullptr, nullptr, &status), 2u);
        EXPECT_EQ(said(status), "2:105");
        EXPECT_TRUE(host.events().empty());
        zvi::releaseStatusList(&status, 0);
    }
}

// Help texts and diaries as TextLists, workflow connects with NameLists; the aux
// lists always empty.
TEST_F(WorkflowObjectsTest, GetMultipleHandsOverEachList) {
    for (int fam = 0; fam < 3; ++fam) {
        SCOPED_TRACE(kFamilies[fam]);
        checkMultiple(multiple(fam), [](ListsOut& o) {
            EXPECT_STREQ(static_cast<WorkflowConnect*>(o.l[3].items)[1].u.nameList->items[0], "Form");
        });
    }
}

// A workflow connect whose forms cannot all be converted: the first failure is the
// error, the connects are handed over with the failing one's list empty.
TEST_F(WorkflowObjectsTest, GetMultipleReportsAConnectThatCannotBeConverted) {
    host.on(kMultipleSlots[0], [](void*, void* r) {
        char* items = hostList(r, kinds_at::lists + 16 * 3, 2, 16);
        hostConnect(items, "Form", 5);
        hostConnect(items + 16, "Form", 300);
        return 1u;
    });
    ListsOut o;
    EXPECT_EQ(multiple(0).call(o, &control, &status, nullptr), 2u);
    EXPECT_EQ(said(status), "2:103");
    const auto* connects = static_cast<WorkflowConnect*>(o.l[3].items);
    EXPECT_EQ(connects[0].u.nameList->numItems + connects[1].u.nameList->numItems, 1u + 0u);
    o.release(kMultiples[0], 0);
}

// A filter action whose assigned value nests far deeper than a thread's stack could
// follow by recursion: copied for the host and released, on a small stack.
TEST_F(WorkflowObjectsTest, SetFilterCopiesActionTreesOfAnyDepth) {
    constexpr int kDepth = 100000;
    std::vector<AssignArith> nodes(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        const bool last = i + 1 == kDepth;
        nodes[i] = {1, {uint32_t(last ? ZVI_ASSIGN_NONE : ZVI_ASSIGN_ARITH), {.arith = last ? nullptr : &nodes[i + 1]}}, {}};
    }
    FieldAssign assign{8, {ZVI_ASSIGN_ARITH, {.arith = &nodes[0]}}};
    a.action.actionType = ZVI_ACTION_SET_FIELDS;
    a.action.u.setFields.assignments = FieldAssignList{1, &assign};
    int depth = 0;
    host.on(kDefineSlots[SetF], [&](void* q, void*) {
        const auto* copy = static_cast<const WorkflowAction*>(raw::list(q, at::SetFilter.actions).items);
        for (const AssignValue* v = &copy->u.setFields.assignments.items[0].assign; v->tag == ZVI_ASSIGN_ARITH;
             v = &v->u.arith->left)
            EXPECT_NE(v->u.arith, &nodes[depth++]);
        return 1u;
    });
    a.actions = &a.actionList;
    trees::onSmallStack([&] { EXPECT_EQ(a.call(SetF, &control, &status), 0u); });
    EXPECT_EQ(depth, kDepth);
}
