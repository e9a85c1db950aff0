// The lookup of a resource in a table of entries, shared by the embedded images and the
// tables tests install.
#include <cstring>

#include "toolkit/cbitmap.h"
#include "toolkit/platform/resources.h"

namespace zarnith {

bool findInResourceTable(const ResourceEntry* entries, size_t count, const CResourceDescription& desc,
                         const char* type, ResourceData& out) {
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
