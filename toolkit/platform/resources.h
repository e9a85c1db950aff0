// Resources of the library's own module: images found by number (or name) and type.
#pragma once

#include <cstddef>
#include <cstdint>

class CResourceDescription;

namespace zarnith {

struct ResourceEntry {
  int32_t number;
  const char* name;  // none for resources identified by number
  const char* type;  // "PNG", "DATA", "BITMAP"
  const uint8_t* data;
  size_t size;
};

struct ResourceData {
  const uint8_t* data;
  size_t size;
};

// Finds a resource of the given type; false when there is none.
bool findResource(const CResourceDescription& desc, const char* type, ResourceData& out);

// Replaces the module's resource table (tests); a null table restores the module's own.
void setResourceTable(const ResourceEntry* table, size_t count);

// Looks a resource up in a table of entries (the embedded images, or a test's table).
bool findInResourceTable(const ResourceEntry* entries, size_t count, const CResourceDescription& desc,
                         const char* type, ResourceData& out);

}  // namespace zarnith
