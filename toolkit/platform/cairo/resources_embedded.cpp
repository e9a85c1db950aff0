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
  return findInResourceTable(entries, count, desc, type, out);
}

}  // namespace zarnith
