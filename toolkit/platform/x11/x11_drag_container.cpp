#include "x11_drag_container.h"

#include <cstdlib>
#include <cstring>

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool startsWithNoCase(const char* s, size_t n, const char* prefix) {
  size_t len = std::strlen(prefix);
  if (n < len) return false;
  for (size_t i = 0; i < len; ++i) {
    char c = s[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Appends the local path of one URI line to out; false when it names no local file.
bool decodeFileUri(const char* line, size_t n, char* out, size_t* outLen) {
  if (!startsWithNoCase(line, n, "file:")) return false;
  const char* p = line + 5;
  size_t rest = n - 5;
  if (rest >= 2 && p[0] == '/' && p[1] == '/') {
    // file://host/path: only our own machine's files are paths here.
    p += 2;
    rest -= 2;
    const char* slash = static_cast<const char*>(std::memchr(p, '/', rest));
    if (!slash) return false;
    size_t hostLen = static_cast<size_t>(slash - p);
    if (hostLen != 0 && !(hostLen == 9 && startsWithNoCase(p, hostLen, "localhost"))) return false;
    rest -= hostLen;
    p = slash;
  }
  if (rest == 0 || p[0] != '/') return false;
  size_t len = 0;
  for (size_t i = 0; i < rest; ++i) {
    char c = p[i];
    if (c == '%' && i + 2 < rest) {
      int hi = hexValue(p[i + 1]);
      int lo = hexValue(p[i + 2]);
      if (hi >= 0 && lo >= 0) {
        c = static_cast<char>(hi * 16 + lo);
        i += 2;
      }
    }
    if (c == '\0') return false;  // a path cannot hold a terminator
    out[len++] = c;
  }
  out[len] = '\0';
  *outLen = len;
  return true;
}

}  // namespace

int32_t x11DecodeUriList(const char* data, size_t size, char** out, size_t* outSize) {
  *out = nullptr;
  *outSize = 0;
  if (!data || size == 0) return 0;
  // Decoded paths are never longer than their URIs, so one buffer of the input's size plus a
  // terminator per line holds them all.
  char* buffer = static_cast<char*>(std::malloc(size + 1));
  if (!buffer) return 0;
  size_t used = 0;
  int32_t count = 0;
  size_t start = 0;
  while (start < size) {
    size_t end = start;
    while (end < size && data[end] != '\n' && data[end] != '\r' && data[end] != '\0') ++end;
    const char* line = data + start;
    size_t n = end - start;
    size_t len = 0;
    if (n > 0 && line[0] != '#' && decodeFileUri(line, n, buffer + used, &len)) {
      used += len + 1;
      ++count;
    }
    start = end + 1;
  }
  if (count == 0) {
    std::free(buffer);
    return 0;
  }
  *out = buffer;
  *outSize = used;
  return count;
}

char* x11Latin1ToUtf8(const char* data, size_t size, size_t* outSize) {
  char* text = static_cast<char*>(std::malloc(size * 2 + 1));
  if (!text) return nullptr;
  size_t len = 0;
  for (size_t i = 0; i < size; ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c < 0x80) {
      text[len++] = static_cast<char>(c);
    } else {
      text[len++] = static_cast<char>(0xC0 | (c >> 6));
      text[len++] = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  text[len] = '\0';
  *outSize = len;
  return text;
}

X11DragContainer::X11DragContainer()
    : kind(kNoData),
      error(false),
      data(nullptr),
      dataSize(0),
      count(0),
      nextIndex(0),
      nextOffset(0),
      lastItem(nullptr) {}

X11DragContainer::~X11DragContainer() {
  std::free(lastItem);
  freeData();
}

void X11DragContainer::freeData() {
  std::free(data);
  data = nullptr;
  dataSize = 0;
  count = 0;
}

void X11DragContainer::setFiles(char* paths, size_t size, int32_t n) {
  freeData();
  kind = kFiles;
  data = paths;
  dataSize = size;
  count = n;
}

void X11DragContainer::setText(char* text, size_t size) {
  freeData();
  kind = kTextData;
  data = text;
  dataSize = size;
  count = 1;
}

void X11DragContainer::setError() {
  freeData();
  kind = kNoData;
  error = true;
}

int32_t X11DragContainer::getType(int32_t /*index*/) const {
  if (error || kind == kNoData) return kError;
  return kind == kTextData ? kText : kFile;
}

void* X11DragContainer::first(int32_t& size, int32_t& type) {
  nextIndex = 0;
  nextOffset = 0;
  return next(size, type);
}

void* X11DragContainer::next(int32_t& size, int32_t& type) {
  std::free(lastItem);
  lastItem = nullptr;
  size = 0;
  if (error || kind == kNoData) {
    type = error ? kError : kUnknown;
    return nullptr;
  }
  type = kUnknown;
  if (nextIndex >= count) return nullptr;
  const char* item = data;
  size_t len = dataSize;
  if (kind == kFiles) {
    item = data + nextOffset;
    len = std::strlen(item);
    nextOffset += len + 1;
  }
  lastItem = static_cast<char*>(std::malloc(len + 1));
  if (!lastItem) return nullptr;
  std::memcpy(lastItem, item, len);
  lastItem[len] = '\0';
  ++nextIndex;
  size = static_cast<int32_t>(len);
  type = kind == kFiles ? kFile : kUnicodeText;
  return lastItem;
}
