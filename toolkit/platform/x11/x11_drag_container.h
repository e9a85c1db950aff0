// The items of an XDND drop: local files from a text/uri-list, or UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/cdragcontainer.h"

// Decodes a text/uri-list (lines separated by CR LF or LF, '#' lines are comments) into the
// local paths of its file: URIs (empty host or "localhost"), percent escapes decoded. The paths
// are written one after the other, each with its terminator, into out (allocated with malloc,
// null when there is none); answers how many there are. Other URIs are skipped.
int32_t x11DecodeUriList(const char* data, size_t size, char** out, size_t* outSize);

// Latin-1 text (the STRING target) as UTF-8, allocated with malloc and terminated.
char* x11Latin1ToUtf8(const char* data, size_t size, size_t* outSize);

class X11DragContainer : public CDragContainer {
 public:
  enum Kind { kNoData, kFiles, kTextData };

  X11DragContainer();
  ~X11DragContainer() override;

  // Takes the data over (malloc'd): count NUL-separated paths, or one text of size bytes.
  void setFiles(char* paths, size_t size, int32_t count);
  void setText(char* text, size_t size);
  // The data could not be read: the container answers kError from then on.
  void setError();

  void* first(int32_t& size, int32_t& type) override;
  void* next(int32_t& size, int32_t& type) override;
  int32_t getType(int32_t index) const override;
  int32_t getCount() const override { return count; }

  Kind getKind() const { return kind; }

 private:
  void freeData();

  Kind kind;
  bool error;
  char* data;
  size_t dataSize;
  int32_t count;
  int32_t nextIndex;
  size_t nextOffset;
  char* lastItem;  // a copy of the item last handed out, owned until the next request
};
