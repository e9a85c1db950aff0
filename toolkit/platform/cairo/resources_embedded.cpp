// Resources of the library's own module: a table generated at build time from
// the resource script, with the files' bytes embedded.
#include <cstring>

#include "toolkit/cbitmap.h"
#include "toolkit/platform/resources.h"

namespace zarnith {

// Generated with the resources.
extern const ResourceEntry kModuleResources[];
extern const size_t kModuleResourceCount;

namespace {
const ResourceEntry* table = nullptr;
size_t tableCount = 0;
bool overridden = false;
}  // namespace

void setResourceTable(const ResourceEntry* newTable, size_t count) {
  overridden = newTable != nullptr;
  table = newTable;
  tableCount = newTable ? count : 0;
}

bool findResource(const CResourceDescription& desc, const char* type, ResourceData& out) {
  const ResourceEntry* entries = overridden ? table : kModuleResources;
  size_t count = overridden ? tableCount : kModuleResourceCount;
  if (!type) return false;
  for (size_t i = 0; i < count; i++) {
    const ResourceEntry& e = entries[i];
    if (!e.type || std::strcmp(e.type, type) != 0 || !e.data) continue;
    bool same = desc.type == CResourceDescription::kIntegerType
                    ? (!e.name && e.number == desc.u.id)
                    : (e.name && desc.u.name && std::strcmp(e.name, desc.u.name) == 0);
    if (same) {
      out.data = e.data;
      out.size = e.size;
      return true;
    }
  }
  return false;
}

}  // namespace zarnith
