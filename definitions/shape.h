// The shape every definition family shares (forms, fields, views, filters, active
// links, escalations, menus, containers): a Get with a wanted mask, a Set with a
// nothing-to-change test and a change mask, a Create with defaults, a Delete with one
// option word, a GetList and a GetMultiple.
//
// An operation names each of its arguments and outputs once, as a part: the record
// field (a member pointer, given as template argument), the caller's pointer or value
// and the mask bit. The runner walks the parts in every phase of the call:
//
//   empty()            an output emptied at entry, before the status list is tested
//                      (a `late` part: after it)
//   change             Set: the argument counts as a change
//   fill(f, request)   the request field, from the argument or its default; false ends
//                      the call with f.code()
//   bit, present       the mask bit, set when the argument is given or the output passed
//   deliver(f, result) after success: the output moved, copied or converted, or the
//                      result's part released when the caller did not ask for it
//   discard(result)    after a failed call: whatever the host left there is released
//
// An operation then reads as its own list:
//
//   return shape::set(f, &Q::changeMask, {{entryOption && *entryOption > 4, msg::kEntryOptionInvalid}},
//                     in::arg<&Q::formName>(formName),
//                     in::text<&Q::helpText>(helpText, 128),
//                     in::copy<&Q::permissions>(permissions, 16));
//
// Runners: get (wanted mask, rules), set (nothing-to-change test, rules, change mask),
// send (rules, no mask: Create, Delete, GetList). Parts: in::arg, text, rename, name,
// value, copy, flag; out::moved, dropped, word, text, name, converted (names, texts);
// modifiers notAChange, late and kept. Rules are the argument checks made before the
// control record is converted, first broken one wins; a rule may carry a detail text
// and another message type, and a warning may go on to the checks after it.
//
// The parts are filled and delivered in the order given, which is the order the host
// record is built and the outputs are handed over. A family adds parts of its own (a
// struct deriving from Part with the phases it needs) for what only it does, and a
// Structure<T> trait for each structure it copies or releases.
//
// Parts for the workflow objects: in::renameIfDifferent (a differing empty new name is
// sent but is no change), in::packed (a copy brought into the host's form),
// out::unpacked (a record converted back, then moved).
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "bridge/frame.h"
#include "bridge/messages.h"
#include "platform/zvutl.h"
#include "types/definitions.h"
#include "types/types.h"
#include "zvi/forms.h"
#include "zvi/multiple_fields.h"

namespace zvi::shape {

template <auto Field>
struct FieldOf;
template <class C, class T, T C::*F>
struct FieldOf<F> {
    using Type = T;
};
template <auto Field>
using TypeOf = typename FieldOf<Field>::Type;

// How the library copies a structure into a request (copy, with the release of the
// copy) and releases one that the host returned but nobody takes (release).
template <class T>
struct Structure;
template <auto Copy, auto Release>
struct CopiedBy {
    static constexpr auto copy = Copy;
    static constexpr auto release = Release;
};
template <auto Release>
struct ReleasedBy {
    static constexpr auto release = Release;
};

// Host lists whose items hold no memory of their own.
template <class List>
void releaseItems(List* list, uint8_t) {
    std::free(list->items);
    *list = List{};
}
// Host lists of flat lists.
template <class List>
void releaseLists(List* list, uint8_t) {
    for (uint32_t i = 0; list->items && i < list->numItems; ++i) std::free(list->items[i].items);
    releaseItems(list, 0);
}
// Records passed through unopened: the library never looks inside them.
template <class T>
void keepOpaque(T*, uint8_t) {}

template <> struct Structure<PermissionList> : CopiedBy<CopyPermissionList, ReleasePermissionList> {};
template <> struct Structure<IdList> : CopiedBy<CopyIdList, ReleaseIdList> {};
template <> struct Structure<EntryListFieldList> : CopiedBy<CopyEntryListFieldList, ReleaseEntryListFieldList> {};
template <> struct Structure<SortList> : CopiedBy<CopySortList, ReleaseSortList> {};
template <> struct Structure<IndexList> : CopiedBy<CopyIndexList, ReleaseIndexList> {};
template <> struct Structure<NameList> : CopiedBy<CopyNameList, ReleaseNameList> {};
template <> struct Structure<FlagList> : CopiedBy<CopyFlagList, ReleaseFlagList> {};
template <> struct Structure<PropList> : CopiedBy<CopyPropList, ReleasePropList> {};
template <> struct Structure<Value> : CopiedBy<CopyValue, ReleaseValue> {};
template <> struct Structure<FieldLimit> : CopiedBy<CopyFieldLimit, ReleaseFieldLimit> {};
template <> struct Structure<DisplayInstanceList> : CopiedBy<CopyDisplayInstanceList, ReleaseDisplayInstanceList> {};
template <> struct Structure<IdListList> : ReleasedBy<ReleaseIdListList> {};
template <> struct Structure<PermissionListList> : ReleasedBy<releaseLists<PermissionListList>> {};
template <> struct Structure<PropListList> : ReleasedBy<ReleasePropListList> {};
template <> struct Structure<UintList> : ReleasedBy<releaseItems<UintList>> {};
template <> struct Structure<CountedTextList> : ReleasedBy<ReleaseCountedTextList> {};
template <> struct Structure<FormTypeInfoList> : ReleasedBy<releaseItems<FormTypeInfoList>> {};
template <> struct Structure<FieldLimitList> : ReleasedBy<ReleaseFieldLimitList> {};
template <> struct Structure<FieldMappingList> : ReleasedBy<releaseItems<FieldMappingList>> {};

// How an output the caller passed is emptied at entry: a list's count, a record's
// leading tag word.
template <class T>
struct Emptied {
    static void at(T& out) { std::memset(&out, 0, sizeof(uint32_t)); }
};
template <>
struct Emptied<DisplayInstanceList> {
    static void at(DisplayInstanceList& out) {
        out.commonProps.numItems = 0;
        out.numItems = 0;
    }
};

struct Part {
    uint32_t bit;
    bool present;        // argument given, output passed
    bool change;         // Set: counts in the nothing-to-change test
    bool late = false;   // emptied after the status list is tested
    Part(uint32_t bit, bool present) : bit(bit), present(present), change(present) {}
    void empty() {}
    template <class F, class Q>
    bool fill(F&, Q&) {
        return true;
    }
    template <class F, class R>
    void deliver(F&, R&) {}
    template <class R>
    void discard(R&) {}
};

// The argument is sent (and sets its bit) but does not count as a change.
template <class P>
P notAChange(P part) {
    part.change = false;
    return part;
}
// The output is emptied after the status list is tested rather than before.
template <class P>
P late(P part) {
    part.late = true;
    return part;
}

// The output keeps what the caller's variable holds until something is delivered: it
// is not emptied at entry.
template <class P>
struct Kept : P {
    void empty() {}
};
template <class P>
Kept<P> kept(P part) {
    return Kept<P>{part};
}

// An argument check made before the control record is converted: the first broken
// rule ends the call with its message (an error with an empty text unless it says
// otherwise). A rule that goes on only records its message (a warning), and the
// checks after it run.
struct Rule {
    bool broken;
    uint32_t number;
    const char* detail = "";
    uint32_t type = ZVI_ERROR;
    bool goesOn = false;
};

template <class Q, class R, class... P>
uint32_t run(Call<Q, R>& f, uint32_t Q::*mask, bool changeTest, std::initializer_list<Rule> rules, P&... parts) {
    ((parts.late ? void() : parts.empty()), ...);
    if (!f.begin()) return f.code();
    ((parts.late ? parts.empty() : void()), ...);
    if (changeTest && !(parts.change || ...))
        return appendStatus(f.status(), ZVI_WARNING, msg::kNothingToChange, "");
    for (const Rule& rule : rules) {
        if (!rule.broken) continue;
        const uint32_t code = appendStatus(f.status(), rule.type, rule.number, rule.detail);
        if (!rule.goesOn) return code;
    }
    f.convert();
    bool filled = true;
    ((filled = filled && parts.fill(f, f.req)), ...);
    if (!filled) return f.code();
    if (mask) f.req.*mask = (0u | ... | (parts.present ? parts.bit : 0u));
    if (!f.call()) {
        (parts.discard(f.res), ...);
        return f.code();
    }
    f.succeeded();
    (parts.deliver(f, f.res), ...);
    return firstMessageType(f.status());
}

// Get and GetMultiple: the wanted mask holds the bit of every output passed.
template <class Q, class R, class... P>
uint32_t get(Call<Q, R>& f, uint32_t Q::*wantedMask, P... parts) {
    return run(f, wantedMask, false, {}, parts...);
}
// The same with argument checks (a required output).
template <class Q, class R, class... P>
uint32_t get(Call<Q, R>& f, uint32_t Q::*wantedMask, std::initializer_list<Rule> rules, P... parts) {
    return run(f, wantedMask, false, rules, parts...);
}
// Set: nothing given that counts is warning 54; the change mask holds the bit of
// every argument given.
template <class Q, class R, class... P>
uint32_t set(Call<Q, R>& f, uint32_t Q::*changeMask, std::initializer_list<Rule> rules, P... parts) {
    return run(f, changeMask, true, rules, parts...);
}
// Create, Delete, GetList: no mask.
template <class Q, class R, class... P>
uint32_t send(Call<Q, R>& f, std::initializer_list<Rule> rules, P... parts) {
    uint32_t Q::*noMask = nullptr;
    return run(f, noMask, false, rules, parts...);
}

// Arguments: what the request receives.
namespace in {

// A word or pointer of the operation's own, sent as given (a name, an id, an option).
template <auto Field, class V>
struct Arg : Part {
    V value;
    template <class F, class Q>
    bool fill(F&, Q& q) {
        q.*Field = value;
        return true;
    }
};
template <auto Field, class V>
Arg<Field, V> arg(V value) {
    return {{0, false}, value};
}

// The library's own empty text for a request field: a text argument that is not
// given reaches the host as this one-byte string, never as null.
template <auto Field>
inline char defaultText[1] = {};

// A text: the caller's pointer, or the field's empty text.
template <auto Field>
struct Text : Part {
    const char* text;
    template <class F, class Q>
    bool fill(F&, Q& q) {
        q.*Field = text ? text : defaultText<Field>;
        return true;
    }
};
template <auto Field>
Text<Field> text(const char* text, uint32_t bit = 0) {
    return {{bit, text != nullptr}, text};
}
// A new name: sent, with its bit, only when given, not empty and not the current
// name (byte for byte); otherwise the field's empty text.
template <auto Field>
Text<Field> rename(const char* newName, const char* name, uint32_t bit) {
    const bool renames = newName && *newName && (!name || std::strcmp(newName, name) != 0);
    return {{bit, renames}, renames ? newName : nullptr};
}
// The workflow objects' rename: a new name that differs from the current one is sent
// with its bit even when it is empty, but only a non-empty one counts as a change.
template <auto Field>
Text<Field> renameIfDifferent(const char* newName, const char* name, uint32_t bit) {
    const bool differs = newName && (!name || std::strcmp(newName, name) != 0);
    Text<Field> part{{bit, differs}, differs ? newName : nullptr};
    part.change = differs && *newName;
    return part;
}

// A name copied into the request's own buffer (at most its size less one characters);
// a name not given leaves the buffer empty.
template <auto Field>
struct Name : Part {
    const char* name;
    template <class F, class Q>
    bool fill(F&, Q& q) {
        if (name) utl::boundedCopy(q.*Field, name, sizeof(TypeOf<Field>) - 1);
        return true;
    }
};
template <auto Field>
Name<Field> name(const char* name, uint32_t bit = 0) {
    return {{bit, name != nullptr}, name};
}

// A record or word copied byte for byte when given; zero otherwise.
template <auto Field>
struct Bytes : Part {
    const TypeOf<Field>* source;
    template <class F, class Q>
    bool fill(F&, Q& q) {
        if (source) q.*Field = *source;
        return true;
    }
};
template <auto Field>
Bytes<Field> value(const TypeOf<Field>* source, uint32_t bit = 0) {
    return {{bit, source != nullptr}, source};
}

// A deep copy when given (empty otherwise), released after the host call and on every
// early return. A copy that fails ends the call with its code.
template <auto Field, auto CopyFn, auto ReleaseFn>
struct Copied : Part {
    const TypeOf<Field>* source;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        return !source || f.template copy<CopyFn, ReleaseFn>(q.*Field, source);
    }
};
template <auto Field, auto CopyFn = Structure<TypeOf<Field>>::copy,
          auto ReleaseFn = Structure<TypeOf<Field>>::release>
Copied<Field, CopyFn, ReleaseFn> copy(const TypeOf<Field>* source, uint32_t bit = 0) {
    return {{bit, source != nullptr}, source};
}

// A structure deep-copied when given, then brought into the host's form in place by
// Pack(copy), which returns 0 or a message number. A copy or a conversion that fails
// ends the call with its number as an error (empty text). ReleaseFn releases the copy
// in whichever form it is.
template <auto Field, auto Pack, auto CopyFn, auto ReleaseFn>
struct Packed : Part {
    const TypeOf<Field>* source;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        if (!source) return true;
        const bool copied = f.template copy<CopyFn, ReleaseFn>(q.*Field, source);
        const uint32_t code = copied ? Pack(&(q.*Field)) : f.code();
        if (code) f.error(code, "");
        return code == 0;
    }
};
template <auto Field, auto Pack, auto CopyFn = Structure<TypeOf<Field>>::copy,
          auto ReleaseFn = Structure<TypeOf<Field>>::release>
Packed<Field, Pack, CopyFn, ReleaseFn> packed(const TypeOf<Field>* source, uint32_t bit = 0) {
    return {{bit, source != nullptr}, source};
}

// A mask bit alone: set when `on`; it sends nothing else and counts as no change.
inline Part flag(bool on, uint32_t bit) {
    return notAChange(Part{bit, on});
}

}  // namespace in

// Outputs: what the caller receives.
namespace out {

// A structure the host returned (a list, a value, a record): moved to the caller, or
// released when the caller did not pass the output (by Release: the structure's own
// release unless the result needs another).
template <auto Field, auto Release = Structure<TypeOf<Field>>::release>
struct Moved : Part {
    using T = TypeOf<Field>;
    T* out;
    void empty() {
        if (out) Emptied<T>::at(*out);
    }
    template <class F, class R>
    void deliver(F&, R& r) {
        if (!out) return discard(r);
        *out = r.*Field;
        r.*Field = T{};
    }
    template <class R>
    void discard(R& r) {
        Release(&(r.*Field), 0);
    }
};
template <auto Field, auto Release = Structure<TypeOf<Field>>::release>
Moved<Field, Release> moved(TypeOf<Field>* out, uint32_t bit = 0) {
    return {{bit, out != nullptr}, out};
}
// A part of the result that no argument receives: always released.
template <auto Field>
Moved<Field> dropped() {
    return moved<Field>(nullptr);
}

// A record the host returns in its own form, converted in place by Convert(record) (0
// or a message number, appended as an error while the other outputs go on), then
// moved to the caller; released when the caller did not ask for it.
template <auto Field, auto Convert>
struct Unpacked : Moved<Field> {
    template <class F, class R>
    void deliver(F& f, R& r) {
        if (this->out)
            if (const uint32_t code = Convert(&(r.*Field))) f.error(code, "");
        Moved<Field>::deliver(f, r);
    }
};
template <auto Field, auto Convert>
Unpacked<Field, Convert> unpacked(TypeOf<Field>* out, uint32_t bit = 0) {
    return {{{bit, out != nullptr}, out}};
}

// A word copied.
template <auto Field>
struct Word : Part {
    TypeOf<Field>* out;
    template <class F, class R>
    void deliver(F&, R& r) {
        if (out) *out = r.*Field;
    }
};
template <auto Field>
Word<Field> word(TypeOf<Field>* out) {
    return {{0, out != nullptr}, out};
}

// A counted text: the caller gets its text pointer (the length is dropped).
template <auto Field>
struct Text : Part {
    char** out;
    void empty() {
        if (out) *out = nullptr;
    }
    template <class F, class R>
    void deliver(F&, R& r) {
        if (!out) return discard(r);
        *out = (r.*Field).text;
        r.*Field = CountedText{};
    }
    template <class R>
    void discard(R& r) {
        std::free((r.*Field).text);
        r.*Field = CountedText{};
    }
};
template <auto Field>
Text<Field> text(char** out, uint32_t bit = 0) {
    return {{bit, out != nullptr}, out};
}

// A name buffer (255 bytes, or the size of the result's buffer): string-copied, never
// reading past the result's buffer. A name the host writes only on request (one with
// a bit) is emptied after the status list is tested.
template <auto Field>
struct Name : Part {
    char* out;
    void empty() {
        if (out && bit) out[0] = '\0';
    }
    template <class F, class R>
    void deliver(F&, R& r) {
        if (out) utl::boundedCopy(out, r.*Field, sizeof(TypeOf<Field>) - 1);
    }
};
template <auto Field>
Name<Field> name(char* out, uint32_t bit = 0) {
    return late(Name<Field>{{bit, out != nullptr}, out});
}

// A list the host returns in its own form, converted into the caller's by
// Convert(host list, output), which returns 0 or a message number. A conversion that
// fails appends its number and hands over an empty list; the other outputs go on.
template <auto Field, class Out, auto Convert, auto Release>
struct Converted : Part {
    Out* out;
    void empty() {
        if (out) out->numItems = 0;
    }
    template <class F, class R>
    void deliver(F& f, R& r) {
        if (!out) return discard(r);
        if (const uint32_t code = Convert(&(r.*Field), out)) f.error(code, "");
    }
    template <class R>
    void discard(R& r) {
        Release(&(r.*Field), 0);
    }
};
template <auto Field, auto Convert, auto Release, class Out>
Converted<Field, Out, Convert, Release> converted(Out* out, uint32_t bit = 0) {
    return {{bit, out != nullptr}, out};
}

// The host's names as counted texts, converted in place into a NameList and moved.
inline uint32_t moveNames(CountedTextList* host, NameList* names) {
    const uint32_t code = ConvertNameList(host);
    // a count without items (nothing was read) is handed over as an empty list
    *names = host->items ? NameList{host->numItems, reinterpret_cast<ObjectName*>(host->items)} : NameList{};
    *host = CountedTextList{};
    return code;
}
template <auto Field>
auto names(NameList* out, uint32_t bit = 0) {
    return converted<Field, moveNames, ReleaseCountedTextList>(out, bit);
}
// The host's texts as counted texts, handed over as a TextList.
template <auto Field>
auto texts(TextList* out, uint32_t bit = 0) {
    return converted<Field, ConvertTextList, ReleaseCountedTextList>(out, bit);
}

}  // namespace out
}  // namespace zvi::shape
