// Field operations.
#include <cstdio>
#include <cstring>

#include "definitions/field_parts.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace zvi::shape {

template <> struct Structure<FieldMapping> : ReleasedBy<keepOpaque<FieldMapping>> {};
template <> struct Structure<FieldNameList> : ReleasedBy<releaseItems<FieldNameList>> {};

}  // namespace zvi::shape

namespace {

// The field's name; a field the host names with an empty name is named by its id.
template <auto Field>
struct FieldNameOut : Part {
    char* out;
    uint32_t fieldId;
    template <class F, class R>
    void deliver(F&, R& r) {
        if (!out) return;
        if ((r.*Field)[0]) utl::boundedCopy(out, r.*Field, ZVI_NAME_SIZE - 1);
        else std::snprintf(out, ZVI_NAME_SIZE, "%u", fieldId);
    }
};

// Get and its workflow variant differ in the frame and in objectProperties, which the
// workflow variant has no argument for (the host's list is released).
uint32_t getField(Op op, ControlRecord* control, char* formName, uint32_t fieldId, char* fieldName,
                  FieldMapping* mapping, uint32_t* dataType, uint32_t* entryOption, uint32_t* creationOption,
                  uint32_t* extraOption, Value* defaultValue, PermissionList* permissions, FieldLimit* limits,
                  DisplayInstanceList* display, char** helpText, uint32_t* timestamp, char* owner,
                  char* lastChangedBy, char** changeDiary, PropList* objectProperties, StatusList* status) {
    using Q = GetFieldRequest;
    using R = GetFieldResult;
    Call<Q, R> f(op, control, status);
    return get(f, &Q::wantedMask,
               in::arg<&Q::formName>(formName),
               in::arg<&Q::fieldId>(fieldId),
               FieldNameOut<&R::fieldName>{{0, fieldName != nullptr}, fieldName, fieldId},
               out::moved<&R::mapping>(mapping, 1),
               out::word<&R::dataType>(dataType),
               out::word<&R::entryOption>(entryOption),
               out::word<&R::creationOption>(creationOption),
               out::word<&R::extraOption>(extraOption),
               out::moved<&R::defaultValue>(defaultValue, 2),
               out::moved<&R::permissions>(permissions, 4),
               out::moved<&R::limits>(limits, 8),
               out::moved<&R::display>(display, 16),
               out::text<&R::helpText>(helpText, 32),
               out::word<&R::timestamp>(timestamp),
               out::name<&R::owner>(owner, 128),
               out::name<&R::lastChangedBy>(lastChangedBy, 256),
               out::text<&R::changeDiary>(changeDiary, 64),
               late(out::moved<&R::objectProperties>(objectProperties)),
               out::dropped<&R::unusedPermissions>());
}

uint32_t getListField(Op op, ControlRecord* control, char* formName, uint32_t listKind, uint32_t sinceTime,
                      PropList* propertyFilter, IdList* fieldIds, StatusList* status) {
    using Q = GetListFieldRequest;
    using R = GetListFieldResult;
    Call<Q, R> f(op, control, status);
    return send(f, {{!fieldIds, msg::kRowsOutputMissing}},
                in::arg<&Q::formName>(formName),
                in::arg<&Q::listKind>(listKind),
                in::arg<&Q::sinceTime>(sinceTime),
                in::value<&Q::propertyFilter>(propertyFilter),  // the caller's holder, items shared
                out::moved<&R::fieldIds>(fieldIds));
}

}  // namespace

extern "C" {

ZVI_API uint32_t ZVIGetField(ControlRecord* control, char* formName, uint32_t fieldId, char* fieldName,
                             FieldMapping* mapping, uint32_t* dataType, uint32_t* entryOption,
                             uint32_t* creationOption, uint32_t* extraOption, Value* defaultValue,
                             PermissionList* permissions, FieldLimit* limits, DisplayInstanceList* display,
                             char** helpText, uint32_t* timestamp, char* owner, char* lastChangedBy,
                             char** changeDiary, PropList* objectProperties, StatusList* status) {
    return getField(Op::GetField, control, formName, fieldId, fieldName, mapping, dataType, entryOption,
                    creationOption, extraOption, defaultValue, permissions, limits, display, helpText, timestamp,
                    owner, lastChangedBy, changeDiary, objectProperties, status);
}

ZVI_API uint32_t ZVIWfGetField(char* formName, uint32_t fieldId, char* fieldName, FieldMapping* mapping,
                               uint32_t* dataType, uint32_t* entryOption, uint32_t* creationOption,
                               uint32_t* extraOption, Value* defaultValue, PermissionList* permissions,
                               FieldLimit* limits, DisplayInstanceList* display, char** helpText,
                               uint32_t* timestamp, char* owner, char* lastChangedBy, char** changeDiary,
                               StatusList* status) {
    return getField(Op::WfGetField, nullptr, formName, fieldId, fieldName, mapping, dataType, entryOption,
                    creationOption, extraOption, defaultValue, permissions, limits, display, helpText, timestamp,
                    owner, lastChangedBy, changeDiary, nullptr, status);
}

ZVI_API uint32_t ZVISetField(ControlRecord* control, char* formName, uint32_t fieldId, char* newFieldName,
                             FieldMapping* mapping, uint32_t* entryOption, uint32_t* creationOption,
                             uint32_t* extraOption, Value* defaultValue, PermissionList* permissions,
                             FieldLimit* limits, DisplayInstanceList* display, char* helpText, char* owner,
                             char* changeDiary, uint32_t setOptions, PropList* objectProperties,
                             StatusList* status) {
    using Q = SetFieldRequest;
    Call<Q, SetFieldResult> f(Op::SetField, control, status);
    return set(f, &Q::changeMask,
               {{entryOption && entryOptionInvalid(*entryOption), msg::kEntryOptionInvalid},
                {creationOption && creationOptionInvalid(*creationOption), msg::kCreationOptionInvalid},
                {defaultTextTooLong(defaultValue, ZVI_DATA_TEXT, ZVI_DATA_TEXT), msg::kDefaultTextTooLong}},
               in::arg<&Q::formName>(formName),
               in::arg<&Q::fieldId>(fieldId),
               in::text<&Q::newFieldName>(newFieldName, 1),
               in::value<&Q::entryOption>(entryOption, 2),
               in::value<&Q::creationOption>(creationOption, 4),
               defaultValueIn<&Q::defaultValue>(defaultValue, 8),
               in::copy<&Q::permissions>(permissions, 16),
               in::copy<&Q::limits>(limits, 32),
               in::copy<&Q::display>(display, 64),
               in::text<&Q::helpText>(helpText, 128),
               in::text<&Q::owner>(owner, 256),
               in::text<&Q::changeDiary>(changeDiary, 512),
               in::value<&Q::mapping>(mapping, 1024),
               in::value<&Q::extraOption>(extraOption, 2048),
               in::flag(setOptions & 1, 4096),
               notAChange(in::copy<&Q::objectProperties>(objectProperties, 8192)));
}

ZVI_API uint32_t ZVICreateField(ControlRecord* control, char* formName, uint32_t* fieldId, uint8_t fieldIdFlag,
                                char* fieldName, FieldMapping* mapping, uint32_t dataType, uint32_t entryOption,
                                uint32_t creationOption, uint32_t extraOption, Value* defaultValue,
                                PermissionList* permissions, FieldLimit* limits, DisplayInstanceList* display,
                                char* helpText, char* owner, char* changeDiary, PropList* objectProperties,
                                StatusList* status) {
    using Q = CreateFieldRequest;
    using R = CreateFieldResult;
    const Value* given = defaultValue;
    Call<Q, R> f(Op::CreateField, control, status);
    return send(f,
                {{!fieldId, msg::kIdOutputMissing},
                 {dataTypeInvalid(dataType), msg::kDataTypeInvalid},
                 {entryOptionInvalid(entryOption), msg::kEntryOptionInvalid},
                 {creationOptionInvalid(creationOption), msg::kCreationOptionInvalid},
                 {given && takesNoDefault(dataType) && given->dataType != ZVI_DATA_NONE, msg::kDefaultNotAllowed},
                 {defaultTextTooLong(given, ZVI_DATA_TEXT, ZVI_DATA_TEXT_43), msg::kDefaultTextTooLong},
                 {given && given->dataType != dataType && given->dataType > ZVI_DATA_KEYWORD,
                  msg::kDefaultTypeMismatch}},
                in::arg<&Q::formName>(formName),
                in::value<&Q::fieldId>(fieldId),
                in::arg<&Q::fieldIdFlag>(fieldIdFlag),
                in::text<&Q::fieldName>(fieldName),
                in::value<&Q::mapping>(mapping),
                in::arg<&Q::dataType>(dataType),
                in::arg<&Q::entryOption>(entryOption),
                in::arg<&Q::creationOption>(creationOption),
                in::arg<&Q::extraOption>(extraOption),
                defaultValueIn<&Q::defaultValue>(defaultValue),
                in::copy<&Q::permissions>(permissions),
                in::copy<&Q::limits>(limits),
                in::copy<&Q::display>(display),
                in::text<&Q::helpText>(helpText),
                in::text<&Q::owner>(owner),
                in::text<&Q::changeDiary>(changeDiary),
                in::copy<&Q::objectProperties>(objectProperties),
                out::word<&R::fieldId>(fieldId));
}

ZVI_API uint32_t ZVIDeleteField(ControlRecord* control, char* formName, uint32_t fieldId, uint32_t deleteOption,
                                StatusList* status) {
    using Q = DeleteFieldRequest;
    Call<Q, DeleteFieldResult> f(Op::DeleteField, control, status);
    return send(f, {}, in::arg<&Q::formName>(formName), in::arg<&Q::fieldId>(fieldId),
                in::arg<&Q::deleteOption>(deleteOption));
}

ZVI_API uint32_t ZVIGetListField(ControlRecord* control, char* formName, uint32_t listKind, uint32_t sinceTime,
                                 PropList* propertyFilter, IdList* fieldIds, StatusList* status) {
    return getListField(Op::GetListField, control, formName, listKind, sinceTime, propertyFilter, fieldIds,
                        status);
}

ZVI_API uint32_t ZVIWfGetListField(char* formName, uint32_t listKind, uint32_t sinceTime, IdList* fieldIds,
                                   StatusList* status) {
    return getListField(Op::WfGetListField, nullptr, formName, listKind, sinceTime, nullptr, fieldIds, status);
}

ZVI_API uint32_t ZVIGetListFieldName(ControlRecord* control, char* formName, FieldNameList* fieldNames,
                                     StatusList* status) {
    using Q = GetListFieldNameRequest;
    using R = GetListFieldNameResult;
    Call<Q, R> f(Op::GetListFieldName, control, status);
    return send(f, {{!fieldNames, msg::kRowsOutputMissing}}, in::arg<&Q::formName>(formName),
                out::moved<&R::fieldNames>(fieldNames));
}

}  // extern "C"
