// Loading the library as the server does, and finding its operations by name:
// dlopen on Linux (loader.cpp), LoadLibraryA on Windows (loader_windows.cpp).
#pragma once

namespace demo {

void* loadLibrary(const char* path);  // null when it cannot be loaded (the reason is printed)
void* findSymbol(void* library, const char* name);
void unloadLibrary(void* library);

}  // namespace demo
