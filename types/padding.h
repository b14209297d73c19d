// Copies handed to the host carry no indeterminate bytes: the padding of a caller's
// records (as a rule never written) is cleared in the copy instead of copied.
#pragma once
#include <cstddef>
#include <type_traits>

namespace zvi {

template <class T>
inline void clearPadding(T* items, size_t count = 1) {
#if defined(__has_builtin)
#if __has_builtin(__builtin_clear_padding)
#define ZVI_CLEARS_PADDING 1
    if constexpr (!std::has_unique_object_representations_v<T>)
        for (size_t i = 0; i < count; ++i) __builtin_clear_padding(&items[i]);
#endif
#endif
#ifndef ZVI_CLEARS_PADDING
    // A compiler without the builtin (the fuzzing build's) copies padding as it comes.
    (void)items;
    (void)count;
#endif
}

}  // namespace zvi
