// Operations on many fields of one form at once.
//
// Create and Set take parallel lists, one item per field; each list given is built
// into an array of n zero-filled items for the host (a column). Create builds its
// columns one after the other; Set allocates every column first, then fills them field
// by field and records in each field's mask which of its items it sets.
//
// A caller's list whose count is set but whose array is null has no items: it counts
// as absent where a list may be absent and breaks the count rule where it may not.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#include "definitions/field_parts.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace zvi::shape {

template <> struct Structure<ValueList> : ReleasedBy<ReleaseValueList> {};
template <> struct Structure<DisplayInstanceListList> : ReleasedBy<ReleaseDisplayInstanceListList> {};

}  // namespace zvi::shape

namespace {

// Create reports a column of lists (permissions, limits, displays) that cannot be
// allocated with this number rather than 300.
constexpr uint32_t kListArrayNoMemory = msg::kNoMemoryForMerge;

template <class List>
uint32_t itemsOf(const List* list) {
    return list && list->items ? list->numItems : 0;
}
template <class List>
const List* withItems(const List* list) {
    return itemsOf(list) ? list : nullptr;
}

// The count rule: a list that must be given with one item per field has n items when
// it is given...
template <class... L>
bool exactly(uint32_t n, const L*... lists) {
    return ((!lists || itemsOf(lists) == n) && ...);
}
// ... and one that may be absent has none or n.
template <class... L>
bool noneOrAll(uint32_t n, const L*... lists) {
    return ((itemsOf(lists) == 0 || itemsOf(lists) == n) && ...);
}
template <class... L>
bool anyGiven(const L*... lists) {
    return (itemsOf(lists) || ...);
}

// The first field whose value is out of range, named by its id for the message.
struct Offender {
    bool found = false;
    char id[11] = "";
    Rule rule(uint32_t number) const { return {found, number, id}; }
};
inline const uint32_t* valueOf(const uint32_t& value) { return &value; }
inline const uint32_t* valueOf(const uint32_t* value) { return value; }  // a pointer list: null is no value
template <class List>
Offender firstOutOfRange(const List* list, const IdList* ids, bool (*invalid)(uint32_t)) {
    Offender o;
    const uint32_t n = std::min(itemsOf(list), itemsOf(ids));
    for (uint32_t i = 0; i < n && !o.found; ++i) {
        const uint32_t* value = valueOf(list->items[i]);
        if (!value || !invalid(*value)) continue;
        o.found = true;
        std::snprintf(o.id, sizeof o.id, "%u", ids->items[i]);
    }
    return o;
}

Rule nothingToChange(bool nothing) { return {nothing, msg::kNothingToChange, "", ZVI_WARNING}; }

// How a caller's item becomes item i of a column: whether the field has one, and
// fill, which returns 0 or a copy's code. owns: the column's items are copies of the
// library's own, released with it.
struct ByPointer {  // the field has an item when the caller's pointer is set
    static constexpr bool owns = false;
    template <class T>
    static bool present(const T* item) {
        return item != nullptr;
    }
};
struct BoundedName : ByPointer {  // at most 254 characters
    static uint32_t fill(ObjectName& to, const char* text) {
        utl::boundedCopy(to, text, ZVI_NAME_SIZE - 1);
        return 0;
    }
};
struct SharedText : ByPointer {  // the caller's text and its length with the terminator
    static uint32_t fill(CountedText& to, char* text) {
        to = {static_cast<uint32_t>(std::strlen(text) + 1), text};
        return 0;
    }
};
char emptyText[1] = {};
struct SharedTextOrEmpty {  // a missing text: an empty one of the library's own, length 0
    static constexpr bool owns = false;
    static bool present(const char*) { return true; }
    static uint32_t fill(CountedText& to, char* text) {
        if (text) return SharedText::fill(to, text);
        to = {0, emptyText};
        return 0;
    }
};
struct Pointed : ByPointer {  // the record or word the caller points to, byte for byte
    template <class T>
    static uint32_t fill(T& to, const T* item) {
        to = *item;
        return 0;
    }
};
struct CopiedFrom : ByPointer {  // the structure the caller points to, deep-copied
    static constexpr bool owns = true;
    template <class T>
    static uint32_t fill(T& to, const T* item) {
        return Structure<T>::copy(&to, item);
    }
};
struct CopiedInPlace {  // the structure held in the caller's list, deep-copied: every field has one
    static constexpr bool owns = true;
    template <class T>
    static bool present(const T&) {
        return true;
    }
    template <class T>
    static uint32_t fill(T& to, const T& item) {
        return Structure<T>::copy(&to, &item);
    }
};

// A caller's list built into the host's array at Field, n zero-filled items, when the
// list is given with items. An array that cannot be allocated ends the call with
// noMemory as its error, an item that cannot be copied with the copy's code.
template <auto Field, class How, class Source>
struct Column : Part {
    using List = TypeOf<Field>;
    using Item = std::remove_pointer_t<decltype(std::declval<List>().items)>;
    const Source* source;
    uint32_t n;
    uint32_t noMemory;

    template <class F, class Q>
    bool allocate(F& f, Q& q) {
        if (!present) return true;
        auto* items = static_cast<Item*>(std::calloc(n, sizeof(Item)));
        if (!items) return f.error(noMemory, ""), false;
        q.*Field = List{n, items};
        if constexpr (How::owns) f.template hold<Structure<List>::release>(q.*Field);
        else f.template hold<releaseItems<List>>(q.*Field);
        return true;
    }
    // Item i, when the field has one; its bit joins the field's mask.
    template <class F, class Q>
    bool item(F& f, Q& q, uint32_t i, uint32_t& mask) {
        if (!present || !How::present(source->items[i])) return true;
        mask |= bit;
        const uint32_t code = How::fill((q.*Field).items[i], source->items[i]);
        return code == 0 || (f.error(code, ""), false);
    }
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        uint32_t mask = 0;
        if (!allocate(f, q)) return false;
        for (uint32_t i = 0; present && i < n; ++i)
            if (!item(f, q, i, mask)) return false;
        return true;
    }
};
template <auto Field, class How, class Source>
Column<Field, How, Source> column(const Source* source, uint32_t n, uint32_t bit = 0,
                                  uint32_t noMemory = msg::kNoMemory) {
    return {{bit, itemsOf(source) > 0}, source, n, noMemory};
}

// Set's columns: all allocated, then the masks, then filled field by field.
template <auto Masks, class... C>
struct Rows : Part {
    uint32_t n;
    std::tuple<C...> columns;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        if (!std::apply([&](C&... c) { return (c.allocate(f, q) && ...); }, columns)) return false;
        auto* masks = static_cast<uint32_t*>(std::calloc(n, sizeof(uint32_t)));
        if (!masks) return f.error(msg::kNoMemory, ""), false;
        q.*Masks = UintList{n, masks};
        f.template hold<releaseItems<UintList>>(q.*Masks);
        for (uint32_t i = 0; i < n; ++i)
            if (!std::apply([&](C&... c) { return (c.item(f, q, i, masks[i]) && ...); }, columns)) return false;
        return true;
    }
};
template <auto Masks, class... C>
Rows<Masks, C...> rows(uint32_t n, C... columns) {
    return {{0, true}, n, std::tuple<C...>(columns...)};
}

// The caller's field ids, replaced on success by the ids the host assigned; the array
// the caller passed in stays the caller's.
template <auto Field>
struct Replaced : out::Moved<Field> {
    void empty() {}
};

// An output the call only empties, once the arguments have passed their checks.
struct Cleared : Part {
    FieldResultList* out;
    template <class F, class Q>
    bool fill(F&, Q&) {
        *out = FieldResultList{};
        return true;
    }
};

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetMultipleFields(ControlRecord* control, char* formName, IdList* fieldIdFilter,
                                      FlagList* existList, IdList* fieldIds, NameList* fieldNames,
                                      FieldMappingList* mappings, UintList* dataTypes, UintList* entryOptions,
                                      UintList* creationOptions, UintList* extraOptions, ValueList* defaultValues,
                                      PermissionListList* permissions, FieldLimitList* limits,
                                      DisplayInstanceListList* displays, TextList* helpTexts, UintList* timestamps,
                                      NameList* owners, NameList* lastChangedBy, TextList* changeDiaries,
                                      PropListList* objectProperties, StatusList* status) {
    using Q = GetMultipleFieldsRequest;
    using R = GetMultipleFieldsResult;
    Call<Q, R> f(Op::GetMultipleFields, control, status);
    return get(f, &Q::wantedMask, {{!existList, msg::kExistListMissing}},
               in::arg<&Q::formName>(formName),
               in::copy<&Q::idFilter>(fieldIdFilter),
               out::moved<&R::existList>(existList),
               out::moved<&R::fieldIds>(fieldIds, 1),
               out::moved<&R::fieldNames>(fieldNames, 2),
               out::moved<&R::mappings>(mappings, 4),
               out::moved<&R::dataTypes>(dataTypes, 8),
               out::moved<&R::entryOptions>(entryOptions, 16),
               out::moved<&R::creationOptions>(creationOptions, 32),
               out::moved<&R::extraOptions>(extraOptions, 32768),
               out::moved<&R::defaultValues>(defaultValues, 64),
               out::moved<&R::permissions>(permissions, 128),
               out::moved<&R::limits>(limits, 256),
               out::moved<&R::displays>(displays, 512),
               out::texts<&R::helpTexts>(helpTexts, 1024),
               out::moved<&R::timestamps>(timestamps, 2048),
               out::moved<&R::owners>(owners, 4096),
               out::moved<&R::lastChangedBy>(lastChangedBy, 8192),
               out::texts<&R::changeDiaries>(changeDiaries, 16384),
               out::moved<&R::objectProperties>(objectProperties, 131072),
               out::dropped<&R::unusedPermissions>());
}

ZVI_API uint32_t ZVICreateMultipleFields(ControlRecord* control, char* formName, IdList* fieldIds,
                                         FlagList* fieldIdFlags, TextList* fieldNames, FieldMappingList* mappings,
                                         UintList* dataTypes, UintList* entryOptions, UintList* creationOptions,
                                         UintList* extraOptions, ValuePtrList* defaultValues,
                                         PermissionListPtrList* permissions, FieldLimitPtrList* limits,
                                         DisplayInstanceListPtrList* displays, TextList* helpTexts,
                                         TextList* owners, TextList* changeDiaries, PropListList* objectProperties,
                                         StatusList* status) {
    using Q = CreateMultipleFieldsRequest;
    using R = CreateMultipleFieldsResult;
    const uint32_t n = itemsOf(fieldIds);
    const Offender badType = firstOutOfRange(dataTypes, fieldIds, dataTypeInvalid);
    const Offender badEntry = firstOutOfRange(entryOptions, fieldIds, entryOptionInvalid);
    const Offender badCreation = firstOutOfRange(creationOptions, fieldIds, creationOptionInvalid);
    const bool counts = exactly(n, fieldIdFlags, dataTypes, entryOptions, creationOptions, extraOptions) &&
                        noneOrAll(n, fieldNames, mappings, defaultValues, permissions, limits, displays, helpTexts,
                                  owners, changeDiaries, objectProperties);
    Call<Q, R> f(Op::CreateMultipleFields, control, status);
    return send(f,
                {{n == 0, msg::kIdOutputMissing},
                 {!counts, msg::kCountMismatch},
                 {!fieldIdFlags, msg::kFieldFlagsMissing},
                 {!dataTypes, msg::kDataTypeInvalid}, badType.rule(msg::kDataTypeInvalid),
                 {!entryOptions, msg::kEntryOptionInvalid}, badEntry.rule(msg::kEntryOptionInvalid),
                 {!creationOptions, msg::kCreationOptionInvalid}, badCreation.rule(msg::kCreationOptionInvalid),
                 {!extraOptions, msg::kEntryOptionInvalid}},
                in::arg<&Q::formName>(formName),
                in::copy<&Q::fieldIds>(fieldIds),
                in::copy<&Q::fieldIdFlags>(fieldIdFlags),
                column<&Q::fieldNames, BoundedName>(fieldNames, n),
                in::value<&Q::mappings>(withItems(mappings)),  // the caller's holder, items shared
                in::copy<&Q::dataTypes, CopyUintListExact, ReleaseUintList>(dataTypes),
                in::copy<&Q::entryOptions, CopyUintListExact, ReleaseUintList>(entryOptions),
                in::copy<&Q::creationOptions, CopyUintListExact, ReleaseUintList>(creationOptions),
                in::copy<&Q::extraOptions, CopyUintListExact, ReleaseUintList>(extraOptions),
                column<&Q::defaultValues, CopiedFrom>(defaultValues, n),
                column<&Q::permissions, CopiedFrom>(permissions, n, 0, kListArrayNoMemory),
                column<&Q::limits, CopiedFrom>(limits, n, 0, kListArrayNoMemory),
                column<&Q::displays, CopiedFrom>(displays, n, 0, kListArrayNoMemory),
                column<&Q::helpTexts, SharedTextOrEmpty>(helpTexts, n),
                column<&Q::owners, BoundedName>(owners, n),
                column<&Q::changeDiaries, SharedTextOrEmpty>(changeDiaries, n),
                column<&Q::objectProperties, CopiedInPlace>(objectProperties, n),
                Replaced<&R::ids>{{{0, true}, fieldIds}});
}

ZVI_API uint32_t ZVISetMultipleFields(ControlRecord* control, char* formName, IdList* fieldIds,
                                      TextList* newFieldNames, FieldMappingPtrList* mappings,
                                      UintPtrList* entryOptions, UintPtrList* creationOptions,
                                      UintPtrList* extraOptions, ValuePtrList* defaultValues,
                                      PermissionListPtrList* permissions, FieldLimitPtrList* limits,
                                      DisplayInstanceListPtrList* displays, TextList* helpTexts, TextList* owners,
                                      TextList* changeDiaries, UintList* setOptions, PropListList* objectProperties,
                                      FieldResultList* fieldResults, StatusList* status) {
    using Q = SetMultipleFieldsRequest;
    const uint32_t n = itemsOf(fieldIds);
    const Offender badEntry = firstOutOfRange(entryOptions, fieldIds, entryOptionInvalid);
    const Offender badCreation = firstOutOfRange(creationOptions, fieldIds, creationOptionInvalid);
    // A list given without items changes nothing, as it sends nothing.
    const bool changes = anyGiven(newFieldNames, mappings, entryOptions, creationOptions, extraOptions,
                                  defaultValues, permissions, limits, displays, helpTexts, owners, changeDiaries,
                                  objectProperties);
    Call<Q, SetMultipleFieldsResult> f(Op::SetMultipleFields, control, status);
    return send(f,
                {{n == 0, msg::kIdOutputMissing},
                 {!noneOrAll(n, newFieldNames, mappings, entryOptions, creationOptions, extraOptions, setOptions,
                             defaultValues, permissions, limits, displays, helpTexts, owners, changeDiaries,
                             objectProperties),
                  msg::kCountMismatch},
                 nothingToChange(!changes),
                 badEntry.rule(msg::kEntryOptionInvalid),
                 badCreation.rule(msg::kCreationOptionInvalid),
                 {!fieldResults, msg::kResultsOutputMissing}},
                in::arg<&Q::formName>(formName),
                Cleared{{0, true}, fieldResults},
                in::copy<&Q::fieldIds>(fieldIds),
                rows<&Q::fieldMasks>(n,
                    column<&Q::newFieldNames, BoundedName>(newFieldNames, n, ZVI_FIELD_SET_NAME),
                    column<&Q::mappings, Pointed>(mappings, n, ZVI_FIELD_SET_MAPPING),
                    column<&Q::entryOptions, Pointed>(entryOptions, n, ZVI_FIELD_SET_ENTRY_OPTION),
                    column<&Q::creationOptions, Pointed>(creationOptions, n, ZVI_FIELD_SET_CREATION_OPTION),
                    column<&Q::extraOptions, Pointed>(extraOptions, n, ZVI_FIELD_SET_EXTRA_OPTION),
                    column<&Q::defaultValues, CopiedFrom>(defaultValues, n, ZVI_FIELD_SET_DEFAULT_VALUE),
                    column<&Q::permissions, CopiedFrom>(permissions, n, ZVI_FIELD_SET_PERMISSIONS),
                    column<&Q::limits, CopiedFrom>(limits, n, ZVI_FIELD_SET_LIMITS),
                    column<&Q::displays, CopiedFrom>(displays, n, ZVI_FIELD_SET_DISPLAY),
                    column<&Q::helpTexts, SharedText>(helpTexts, n, ZVI_FIELD_SET_HELP_TEXT),
                    column<&Q::owners, BoundedName>(owners, n, ZVI_FIELD_SET_OWNER),
                    column<&Q::changeDiaries, SharedText>(changeDiaries, n, ZVI_FIELD_SET_CHANGE_DIARY),
                    column<&Q::objectProperties, CopiedInPlace>(objectProperties, n, ZVI_FIELD_SET_PROPERTIES)),
                in::value<&Q::setOptions>(withItems(setOptions)));  // the caller's holder, items shared
}

ZVI_API uint32_t ZVIDeleteMultipleFields(ControlRecord* control, char* formName, IdList* fieldIds,
                                         uint32_t deleteOption, StatusList* status) {
    using Q = DeleteMultipleFieldsRequest;
    Call<Q, DeleteMultipleFieldsResult> f(Op::DeleteMultipleFields, control, status);
    return send(f, {}, in::arg<&Q::formName>(formName), in::arg<&Q::deleteOption>(deleteOption),
                in::copy<&Q::fieldIds>(fieldIds));
}

}  // extern "C"
