/* The dynamic loader calls the tests use, over LoadLibrary on Windows. Paths may use
 * forward slashes; a library already loaded is shared, as dlopen shares it. */
#pragma once
#include <windows.h>

#include <stdio.h>
#include <string.h>

#define RTLD_LAZY 1
#define RTLD_NOW 2
#define RTLD_LOCAL 0

static inline void* dlopen(const char* path, int mode) {
    (void)mode;
    char native[MAX_PATH];
    if (strlen(path) >= sizeof native) return NULL;
    strcpy(native, path);
    for (char* c = native; *c; ++c)
        if (*c == '/') *c = '\\';
    return (void*)LoadLibraryA(native);
}

static inline void* dlsym(void* library, const char* name) {
    return (void*)GetProcAddress((HMODULE)library, name);
}

static inline int dlclose(void* library) { return FreeLibrary((HMODULE)library) ? 0 : 1; }

static inline const char* dlerror(void) {
    static char text[64];
    snprintf(text, sizeof text, "Windows error %lu", (unsigned long)GetLastError());
    return text;
}
