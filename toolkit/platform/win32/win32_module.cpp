// The module handle and the lookup of the module's own resources (types "PNG", "DATA" and
// bitmaps), compiled into the module from resources/zarnith.rc.
#include "toolkit/platform/win32/win32_module.h"

#include <cstring>

#include "toolkit/cbitmap.h"
#include "toolkit/platform/resources.h"

namespace zarnith {

HINSTANCE moduleInstance = nullptr;

HINSTANCE getModuleInstance() {
  return moduleInstance ? moduleInstance : GetModuleHandleW(nullptr);
}

namespace {
const ResourceEntry* table = nullptr;
size_t tableCount = 0;

// Resource names are wide strings; a name that does not convert finds nothing.
bool widen(const char* text, wchar_t* out, int capacity) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, capacity) > 0;
}
}  // namespace

void setResourceTable(const ResourceEntry* newTable, size_t count) {
  table = newTable;
  tableCount = newTable ? count : 0;
}

bool findResource(const CResourceDescription& desc, const char* type, ResourceData& out) {
  if (!type) return false;
  if (table) return findInResourceTable(table, tableCount, desc, type, out);
  constexpr int kMaxName = 256;
  wchar_t name[kMaxName];
  const wchar_t* id;
  if (desc.type == CResourceDescription::kIntegerType) {
    // Numbers beyond 16 bits are no resource numbers at all.
    if (desc.u.id <= 0 || desc.u.id > 0xffff) return false;
    id = MAKEINTRESOURCEW(desc.u.id);
  } else {
    if (!desc.u.name || !widen(desc.u.name, name, kMaxName)) return false;
    id = name;
  }
  wchar_t typeName[16];
  const wchar_t* resourceType;
  if (std::strcmp(type, "BITMAP") == 0) {
    resourceType = MAKEINTRESOURCEW(2);  // RT_BITMAP
  } else {
    if (!widen(type, typeName, 16)) return false;
    resourceType = typeName;
  }
  HINSTANCE module = getModuleInstance();
  HRSRC info = FindResourceW(module, id, resourceType);
  if (!info) return false;
  DWORD size = SizeofResource(module, info);
  HGLOBAL loaded = LoadResource(module, info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return false;
  out.data = static_cast<const uint8_t*>(bytes);
  out.size = size;
  return true;
}

}  // namespace zarnith
