#include "demo/loader.h"

#include <dlfcn.h>

#include <cstdio>

namespace demo {

void* loadLibrary(const char* path) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) std::fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
    return library;
}

void* findSymbol(void* library, const char* name) { return dlsym(library, name); }

void unloadLibrary(void* library) { dlclose(library); }

}  // namespace demo
