// A field's attributes as the field operations check and send them (one field at a
// time, or many at once).
#pragma once
#include <cstring>

#include "definitions/shape.h"

namespace zvi {

inline bool dataTypeInvalid(uint32_t dataType) { return dataType < 2 || dataType > 43; }
inline bool entryOptionInvalid(uint32_t option) { return option == 0 || option > 4; }
inline bool creationOptionInvalid(uint32_t option) { return option != 1 && option != 2; }
// Fields of these data types take no default value.
inline bool takesNoDefault(uint32_t dataType) {
    return dataType == ZVI_DATA_ATTACHMENT || dataType == 33 || dataType == 34 || dataType == ZVI_DATA_TEXT_42;
}
// A default text (of one of the two data types given) longer than 255 characters.
inline bool defaultTextTooLong(const Value* value, uint32_t type, uint32_t otherType) {
    return value && (value->dataType == type || value->dataType == otherType) && value->payload.text &&
           std::strlen(value->payload.text) > 255;
}

namespace shape {

// A default value: deep-copied when given, except that a text-typed value without its
// text reaches the host as an empty value (data type 0).
template <auto Field>
struct DefaultValueIn : Part {
    const Value* source;
    template <class F, class Q>
    bool fill(F& f, Q& q) {
        const bool textType = source && (source->dataType == ZVI_DATA_TEXT || source->dataType == ZVI_DATA_DIARY ||
                                         source->dataType == ZVI_DATA_TEXT_43);
        if (!source || (textType && !source->payload.text)) return true;
        return f.template copy<CopyValue, ReleaseValue>(q.*Field, source);
    }
};
template <auto Field>
DefaultValueIn<Field> defaultValueIn(const Value* source, uint32_t bit = 0) {
    return {{bit, source != nullptr}, source};
}

}  // namespace shape
}  // namespace zvi
