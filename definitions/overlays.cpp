// Overlay operations: an overlay is made of existing objects, which the request names
// by pointers into the caller's records.
#include "definitions/shape.h"
#include "zvi/zvi.h"

using namespace zvi;
using namespace zvi::shape;

namespace {

// An object of an overlay request, its names borrowed from the caller's record;
// zero when the argument is null.
template <auto Field>
struct ObjectIn : Part {
    const ObjectRef* object;
    template <class F, class Q>
    bool fill(F&, Q& q) {
        if (!object) return true;
        auto& to = q.*Field;
        to.objectName = object->objectName;
        to.objectKind = object->objectKind;
        to.relatedName = object->relatedName;
        to.refWord1 = object->refWord1;
        if constexpr (sizeof to == sizeof(HostObjectRefFull)) {
            to.refWord2 = object->refWord2;
            to.refWord3 = object->refWord3;
        }
        return true;
    }
};
template <auto Field>
ObjectIn<Field> objectIn(const ObjectRef* object) {
    return {{0, object != nullptr}, object};
}

}  // namespace

extern "C" {

// The host's 64-bit value beside the overlay's word is not handed over, and the
// argument before overlayResult is neither read nor written: nothing says what either
// is. A null overlayResult receives nothing.
ZVI_API uint32_t ZVICreateOverlay(ControlRecord* control, ObjectRef* object, char* overlayText,
                                  uint64_t /*reserved*/, uint32_t* overlayResult, StatusList* status) {
    using Q = CreateOverlayRequest;
    using R = CreateOverlayResult;
    Call<Q, R> f(Op::CreateOverlay, control, status);
    return send(f, {}, objectIn<&Q::object>(object), in::text<&Q::overlayText>(overlayText),
                out::word<&R::overlayResult>(overlayResult));
}

ZVI_API uint32_t ZVICreateOverlayFromObject(ControlRecord* control, ObjectRef* object, ObjectRef* sourceObject,
                                            char* overlayText, uint64_t /*reserved*/, uint32_t* overlayResult,
                                            StatusList* status) {
    using Q = CreateOverlayFromObjectRequest;
    using R = CreateOverlayFromObjectResult;
    Call<Q, R> f(Op::CreateOverlayFromObject, control, status);
    return send(f, {}, objectIn<&Q::object>(object), objectIn<&Q::sourceObject>(sourceObject),
                in::text<&Q::overlayText>(overlayText), out::word<&R::overlayResult>(overlayResult));
}

}  // extern "C"
