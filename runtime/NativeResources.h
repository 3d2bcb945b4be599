// Resources of the native build. Windows keeps archives as resources of the
// executable; natively the build links them in as data (cmake/TvxResources.cmake,
// tvx_add_resources) and registers each under its (type, name) before main runs.
// A shared library offers its resources through one exported table named
// tvx_resource_table, ended by a record whose Type is null.
// FindResourceBytes (runtime/Platform.h) reads both; names compare without regard to
// letter case, as Windows resource names do.
#pragma once

#include <cstdint>

namespace platform {

struct ResourceRecord {
    const char* Type;
    const char* Name;
    const uint8_t* Data;
    int64_t Size;
};

// The symbol a library exports its resource table under.
constexpr const char* kResourceTableSymbol = "tvx_resource_table";

// Adds a resource of the program's own module. The strings and bytes must outlive the
// program (they are static data). A later registration of the same (type, name)
// replaces the earlier one.
void RegisterResource(const ResourceRecord& record);

}  // namespace platform
