// A small in-memory server: forms with entries, and the entry points the library
// calls. It allocates its results on the process heap, as the real server does.
#pragma once
#include <map>
#include <set>
#include <string>

#include "zvi/host.h"

namespace demo {

struct Store {
    std::map<std::string, std::set<std::string>> forms;  // form name -> entry ids
    std::string charSet = "UTF-8";
};

// Builds the entry table that hands the library to this host's routines.
HostEntryTable makeHostTable(Store& store);

}  // namespace demo
