// The shape filters, active links and escalations share. Each family sends and
// receives the same attributes (name, workflow connect, enable, qualifier, two action
// lists, three texts, properties, timestamp and the two names), under the same record
// field names, with mask bits that follow each other from the family's enable bit on;
// the routines here state those once. A family's operation adds only its own
// attributes (order, masks, groups, timing), checks and bits:
//
//   return workflow::set<kFilters>(f, definition, {{order && *order > 1000, kOrderTooHigh}},
//                                  {{operationMask && *operationMask >= 128, kOperationMaskTooHigh}},
//                                  in::value<&Q::order>(order, 2), ...);
#pragma once
#include <cstdint>

#include "bridge/record_codecs.h"
#include "definitions/shape.h"
#include "zvi/zvi.h"

namespace zvi::shape {

// Results in the host's form: a workflow connect's names are counted texts and are
// released through the record codec.
void releaseHostConnect(WorkflowConnect* connect, uint8_t);
void releaseHostConnects(WorkflowConnectList* list, uint8_t);

template <> struct Structure<Qualifier> : ReleasedBy<ReleaseQualifier> {};
template <> struct Structure<QualifierList> : ReleasedBy<ReleaseQualifierList> {};
template <> struct Structure<WorkflowActionList> : CopiedBy<CopyWorkflowActionList, ReleaseWorkflowActionList> {};
template <> struct Structure<WorkflowActionListList> : ReleasedBy<ReleaseWorkflowActionListList> {};
template <> struct Structure<WorkflowConnectList> : ReleasedBy<releaseHostConnects> {};
// The items of an active link's actions are never read: the library can free no more
// than the array of a list nobody asked for.
template <> struct Structure<ActiveLinkActionList> : ReleasedBy<releaseItems<ActiveLinkActionList>> {};
template <> struct Structure<ActiveLinkActionListList> : ReleasedBy<releaseLists<ActiveLinkActionListList>> {};
template <> struct Structure<EscalationTimeList> : ReleasedBy<releaseItems<EscalationTimeList>> {};

namespace in {

// A record or word: the caller's when given, otherwise the field's default.
template <auto Field>
struct ValueOr : Part {
    const TypeOf<Field>* source;
    TypeOf<Field> fallback;
    template <class F, class Q>
    bool fill(F&, Q& q) {
        q.*Field = source ? *source : fallback;
        return true;
    }
};
template <auto Field>
ValueOr<Field> valueOr(const TypeOf<Field>* source, TypeOf<Field> fallback, uint32_t bit = 0) {
    return {{bit, source != nullptr}, source, fallback};
}

// A workflow connect: deep-copied and its form names packed into the host's form,
// released through the record codec. Given with type 0, it is sent as zero bytes and
// is no change. A copy or packing that fails ends the call with its number as error.
template <auto Field>
struct Connect : Part {
    const WorkflowConnect* source;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        if (!source) return true;
        WorkflowConnect& copy = q.*Field;
        f.track(&copy, [](void* c) { releaseHostConnect(static_cast<WorkflowConnect*>(c), 0); });
        uint32_t code = CopyWorkflowConnect(&copy, source);
        if (!code) code = PackWorkflowConnect(&copy);
        if (code) f.error(code, "");
        return code == 0;
    }
};
template <auto Field>
Connect<Field> connect(const WorkflowConnect* source, uint32_t bit = 0) {
    const bool given = source && source->connectType != 0;
    return {{bit, given}, given ? source : nullptr};
}

}  // namespace in

namespace out {

// A list emptied whole at entry (count and pointer) and moved; a host list that gives
// a count without items reaches the caller empty.
template <auto Field>
struct List : Moved<Field> {
    using T = TypeOf<Field>;
    void empty() {
        if (this->out) *this->out = T{};
    }
    template <class F, class R>
    void deliver(F&, R& r) {
        if (!this->out) return this->discard(r);
        *this->out = (r.*Field).items ? r.*Field : T{};
        r.*Field = T{};
    }
};
template <auto Field>
List<Field> list(TypeOf<Field>* out, uint32_t bit = 0) {
    return {moved<Field>(out, bit)};
}

// An output that is emptied at entry and never written again; whatever the host puts
// in its place is released.
template <auto Field, class Out>
struct Unanswered : Part {
    Out* out;
    void empty() {
        if (out) *out = Out{};
    }
    template <class F, class R>
    void deliver(F&, R& r) {
        discard(r);
    }
    template <class R>
    void discard(R& r) {
        Structure<TypeOf<Field>>::release(&(r.*Field), 0);
    }
};
template <auto Field, class Out>
Unanswered<Field, Out> unanswered(Out* out) {
    return {{0, false}, out};
}

// A workflow connect: its form names converted into a NameList (a failure appends its
// number; the record is handed over all the same), or released when not asked for.
template <auto Field>
struct Connect : Part {
    WorkflowConnect* out;
    void empty() {
        if (out) out->connectType = 0;
    }
    template <class F, class R>
    void deliver(F& f, R& r) {
        if (!out) return discard(r);
        if (const uint32_t code = ConvertWorkflowConnect(&(r.*Field))) f.error(code, "");
        *out = r.*Field;
        r.*Field = WorkflowConnect{};
    }
    template <class R>
    void discard(R& r) {
        releaseHostConnect(&(r.*Field), 0);
    }
};
template <auto Field>
Connect<Field> connect(WorkflowConnect* out) {
    return {{0, out != nullptr}, out};
}

// One workflow connect per object, converted in turn (the first failure appends its
// number; that record and the type-1 records after it are handed over empty).
template <auto Field>
struct Connects : List<Field> {
    template <class F, class R>
    void deliver(F& f, R& r) {
        if (this->out)
            if (const uint32_t code = ConvertWorkflowConnectList(&(r.*Field))) f.error(code, "");
        List<Field>::deliver(f, r);
    }
};
template <auto Field>
Connects<Field> connects(WorkflowConnectList* out, uint32_t bit = 0) {
    return {list<Field>(out, bit)};
}

// The host's texts handed over as a TextList, emptied whole at entry.
template <auto Field>
auto textList(TextList* out, uint32_t bit) {
    auto part = texts<Field>(out, bit);
    struct Cleared : decltype(part) {
        void empty() {
            if (this->out) *this->out = TextList{};
        }
    };
    return Cleared{part};
}

}  // namespace out
}  // namespace zvi::shape

namespace zvi::workflow {

using namespace zvi::shape;

constexpr uint32_t kOrderTooHigh = 169;         // above 1000
constexpr uint32_t kConnectTypeInvalid = 8923;  // a workflow connect not of type 1
constexpr uint32_t kEnableInvalid = 251;        // neither 0 nor 1
constexpr uint32_t kMaxOrder = 1000;

// Where a family's masks place the shared attributes, and how it sends its actions.
struct Family {
    uint32_t setEnable;       // Set: the enable bit; qualifier to properties follow it
    uint32_t wantedShift;     // Get: the shared bits (qualifier 1 ... lastChangedBy 128) shifted by this
    uint32_t multipleEnable;  // GetMultiple: the enable list's bit; the lists after it follow
    bool copiesActions;       // deep copies of the action lists, or the caller's headers
};

// What Set and Create send of every workflow object (null: not given; Create passes
// its plain words by address).
template <class Actions>
struct Definition {
    const char* name;
    const WorkflowConnect* connect;
    const uint32_t* enable;
    const Qualifier* qualifier;
    const Actions* actions;
    const Actions* elseActions;
    const char* helpText;
    const char* owner;
    const char* changeDiary;
    const PropList* properties;
};

// The family's own checks in their places: before the workflow-connect check, and
// between it and the enable check.
struct Checks {
    Rule before{};
    Rule between[2]{};
};

inline bool orderTooHigh(const uint32_t* order) { return order && *order > kMaxOrder; }

template <const Family& family, auto Field, class Actions>
auto actionsIn(const Actions* actions, uint32_t bit) {
    if constexpr (family.copiesActions) return in::copy<Field>(actions, bit);
    else return in::value<Field>(actions, bit);
}

// Create has no change mask.
template <class Q>
constexpr uint32_t Q::*noMask = nullptr;

// Set (a change mask) and Create (none): the shared attributes after the family's own.
template <const Family& family, class Q, class R, class Actions, class... Own>
uint32_t define(Call<Q, R>& f, uint32_t Q::*changeMask, const Definition<Actions>& d, const Checks& own,
                Own... parts) {
    const uint32_t e = family.setEnable;
    const bool badConnect = d.connect && d.connect->connectType != ZVI_CONNECT_FORMS;
    const bool badEnable = d.enable && *d.enable > 1;
    const std::initializer_list<Rule> rules{own.before, {badConnect, kConnectTypeInvalid}, own.between[0],
                                            own.between[1], {badEnable, kEnableInvalid}};
    auto send = [&](auto... all) {
        return changeMask ? shape::set(f, changeMask, rules, all...) : shape::send(f, rules, all...);
    };
    return send(in::arg<&Q::name>(d.name), in::connect<&Q::workflowConnect>(d.connect, 4), parts...,
                in::valueOr<&Q::enable>(d.enable, 1u, e),
                in::value<&Q::qualifier>(d.qualifier, e << 1),
                actionsIn<family, &Q::actions>(d.actions, e << 2),
                actionsIn<family, &Q::elseActions>(d.elseActions, e << 3),
                in::text<&Q::helpText>(d.helpText, e << 4),
                in::text<&Q::owner>(d.owner, e << 5),
                in::text<&Q::changeDiary>(d.changeDiary, e << 6),
                in::copy<&Q::objectProperties>(d.properties, e << 7));
}

// What Get hands back of every workflow object.
template <class Actions>
struct Outputs {
    WorkflowConnect* connect;
    uint32_t* enable;
    Qualifier* qualifier;
    Actions* actions;
    Actions* elseActions;
    char** helpText;
    uint32_t* timestamp;
    char* owner;
    char* lastChangedBy;
    char** changeDiary;
    PropList* properties;
};

template <const Family& family, class Q, class R, class Actions, class... Own>
uint32_t get(Call<Q, R>& f, const char* name, const Outputs<Actions>& o, Own... parts) {
    const uint32_t s = family.wantedShift;
    return shape::get(f, &Q::wantedMask, in::arg<&Q::name>(name), parts...,
                      out::word<&R::enable>(o.enable),
                      out::moved<&R::qualifier>(o.qualifier, 1u << s),
                      out::moved<&R::actions>(o.actions, 2u << s),
                      out::moved<&R::elseActions>(o.elseActions, 4u << s),
                      out::text<&R::helpText>(o.helpText, 8u << s),
                      out::word<&R::timestamp>(o.timestamp),
                      out::name<&R::owner>(o.owner, 64u << s),
                      out::name<&R::lastChangedBy>(o.lastChangedBy, 128u << s),
                      out::text<&R::changeDiary>(o.changeDiary, 16u << s),
                      out::moved<&R::objectProperties>(o.properties, 32u << s),
                      out::connect<&R::workflowConnect>(o.connect));
}

// What GetMultiple hands back of every workflow object, one item per object.
template <class ActionsList>
struct Lists {
    FlagList* exist;
    NameList* names;
    WorkflowConnectList* connects;
    UintList* enables;
    QualifierList* qualifiers;
    ActionsList* actions;
    ActionsList* elseActions;
    TextList* helpTexts;
    UintList* timestamps;
    NameList* owners;
    NameList* lastChangedBy;
    TextList* changeDiaries;
    PropListList* properties;
};

// The family's own lists carry the bits from 4 up to the enable list's.
template <const Family& family, class Q, class R, class ActionsList, class... Own>
uint32_t getMultiple(Call<Q, R>& f, uint32_t sinceTime, const NameList* names, const Lists<ActionsList>& l,
                     Own... parts) {
    const uint32_t e = family.multipleEnable;
    return shape::get(f, &Q::wantedMask, in::copy<&Q::names>(names), in::arg<&Q::sinceTime>(sinceTime),
                      out::list<&R::existList>(l.exist, 1),
                      out::list<&R::names>(l.names, 2),
                      out::connects<&R::workflowConnects>(l.connects, 8),
                      parts...,
                      out::list<&R::enables>(l.enables, e),
                      out::list<&R::qualifiers>(l.qualifiers, e << 1),
                      out::list<&R::actions>(l.actions, e << 2),
                      out::list<&R::elseActions>(l.elseActions, e << 3),
                      out::textList<&R::helpTexts>(l.helpTexts, e << 4),
                      out::list<&R::timestamps>(l.timestamps, e << 5),
                      out::list<&R::owners>(l.owners, e << 6),
                      out::list<&R::lastChangedBy>(l.lastChangedBy, e << 7),
                      out::texts<&R::changeDiaries>(l.changeDiaries, e << 8),
                      out::list<&R::objectProperties>(l.properties, e << 9));
}

// Delete and GetList are laid out alike in the three families.
uint32_t remove(Op op, ControlRecord* control, const char* name, uint32_t deleteOption, StatusList* status);
uint32_t list(Op op, ControlRecord* control, const char* formName, uint32_t sinceTime, const PropList* propertyFilter,
              NameList* nameList, StatusList* status);

}  // namespace zvi::workflow
