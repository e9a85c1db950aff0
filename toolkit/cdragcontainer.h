// The items of a drag-and-drop operation, handed to the views one by one as UTF-8 bytes.
// Each window-system backend derives its own container over the platform's data.
#pragma once

#include <cstdint>

#include "cbaseobject.h"

class CDragContainer : public CBaseObject {
 public:
  enum CItemType { kFile = 0, kText = 1, kUnicodeText = 2, kUnknown = -1, kError = -2 };

  // The first item's bytes (or none), their byte length and item type.
  virtual void* first(int32_t& size, int32_t& type) = 0;
  // The next item's bytes; none with kUnknown past the last item.
  virtual void* next(int32_t& size, int32_t& type) = 0;
  virtual int32_t getType(int32_t index) const = 0;
  virtual int32_t getCount() const = 0;
};
