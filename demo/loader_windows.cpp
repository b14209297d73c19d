#include "demo/loader.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

namespace demo {

void* loadLibrary(const char* path) {
    HMODULE library = LoadLibraryA(path);
    if (!library) std::fprintf(stderr, "cannot load %s: error %lu\n", path, GetLastError());
    return library;
}

void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void unloadLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace demo
