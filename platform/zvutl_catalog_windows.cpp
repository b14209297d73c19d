// The message catalog on Windows: zvsystem.cat is a resource-only DLL whose message
// table holds set 1 (message id = message number), loaded as a data file and read
// with FormatMessageA; its texts come from the system's local heap (LocalFree).
//
// Where the catalog is found: with NLSPATH set, through its ';'-separated templates
// (%N stands for the catalog's name, %% for a percent sign); without it, beside the
// module holding this library (the DLL, or a program it is linked into). A name with a
// path in it is opened as given.
#define WIN32_LEAN_AND_MEAN

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/catalog_slots.h"
#include "platform/zvutl.h"

namespace zvi::utl {
namespace {

CatalogSlots<HMODULE> slots;

HMODULE load(const char* path) { return LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE); }

// Expands one template [from, to) into path; false when it does not fit.
bool fillTemplate(const char* from, const char* to, const char* name, char (&path)[MAX_PATH]) {
    size_t n = 0;
    auto put = [&](const char* s, size_t len) {
        if (len >= sizeof path - n) return false;
        std::memcpy(path + n, s, len);
        n += len;
        return true;
    };
    for (const char* p = from; p < to; ++p) {
        bool ok;
        if (*p != '%' || p + 1 == to) ok = put(p, 1);
        else if (*++p == 'N') ok = put(name, std::strlen(name));
        else ok = *p != '%' || put(p, 1);  // other conversions stand for nothing here
        if (!ok) return false;
    }
    path[n] = '\0';
    return true;
}

HMODULE openThroughPath(const char* templates, const char* name) {
    char path[MAX_PATH];
    for (const char* t = templates;;) {
        const char* end = std::strchr(t, ';');
        if (!end) end = t + std::strlen(t);
        if (end > t && fillTemplate(t, end, name, path))
            if (HMODULE m = load(path)) return m;
        if (!*end) return nullptr;
        t = end + 1;
    }
}

HMODULE openBesideLibrary(const char* name) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&openBesideLibrary), &self))
        return nullptr;
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    char* slash = std::strrchr(path, '\\');
    char* base = slash ? slash + 1 : path;
    if (std::strlen(name) >= sizeof path - static_cast<size_t>(base - path)) return nullptr;
    std::strcpy(base, name);
    return load(path);
}

// A copy of text on the local heap, as FormatMessageA hands out its texts.
char* localCopy(const char* text) {
    const size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, n));
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

}  // namespace

uint32_t catalogOpen(const char* name, int) {
    HMODULE catalog;
    if (std::strpbrk(name, "/\\:")) catalog = load(name);
    else if (const char* templates = std::getenv("NLSPATH")) catalog = openThroughPath(templates, name);
    else catalog = openBesideLibrary(name);
    return catalog ? slots.claim(catalog) : kNoCatalog;
}

char* catalogGet(uint32_t handle, int set, int number, const char* fallback) {
    HMODULE catalog = slots.at(handle);
    char* text = nullptr;
    if (catalog && set == 1 && number > 0 &&
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       catalog, static_cast<DWORD>(number), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr) == 0)
        text = nullptr;  // not in the catalog
    return text ? text : fallback ? localCopy(fallback) : nullptr;
}

void catalogClose(uint32_t handle) {
    if (HMODULE catalog = slots.release(handle)) FreeLibrary(catalog);
}

}  // namespace zvi::utl
