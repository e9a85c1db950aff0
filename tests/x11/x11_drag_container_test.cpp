// The items of a drop: URI lists decoded to local paths, text, and the item walk.
#include "toolkit/platform/x11/x11_drag_container.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> decode(const std::string& list) {
  char* out = nullptr;
  size_t size = 0;
  int32_t count = x11DecodeUriList(list.data(), list.size(), &out, &size);
  std::vector<std::string> paths;
  size_t offset = 0;
  for (int32_t i = 0; i < count; ++i) {
    paths.push_back(out + offset);
    offset += paths.back().size() + 1;
  }
  EXPECT_EQ(offset, size);
  std::free(out);
  return paths;
}

char* copyOf(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

}  // namespace

TEST(X11UriList, LocalFilesDecoded) {
  EXPECT_EQ(decode("file:///tmp/a.wav\r\nfile:///home/u/My%20Song.wav\r\n"),
            (std::vector<std::string>{"/tmp/a.wav", "/home/u/My Song.wav"}));
  // localhost and the host-less short form are ours; LF-only lines and no final newline too.
  EXPECT_EQ(decode("file://localhost/x/y\nfile:/z%2Fw\nFILE:///Up"),
            (std::vector<std::string>{"/x/y", "/z/w", "/Up"}));
  // UTF-8 escapes come out as the bytes they stand for.
  EXPECT_EQ(decode("file:///tmp/%C3%A9t%C3%A9"), (std::vector<std::string>{"/tmp/\xC3\xA9t\xC3\xA9"}));
}

TEST(X11UriList, OtherUrisCommentsAndBadEscapesSkippedOrKept) {
  EXPECT_EQ(decode("# a comment\r\nhttp://example.org/a\r\nfile://otherhost/etc/passwd\r\nfile:///ok\r\n"),
            (std::vector<std::string>{"/ok"}));
  // A broken escape stays as it is; an escaped terminator makes no path.
  EXPECT_EQ(decode("file:///a%zz%4\r\nfile:///b%00c\r\n"), (std::vector<std::string>{"/a%zz%4"}));
  EXPECT_TRUE(decode("").empty());
  EXPECT_TRUE(decode("\r\n\r\n").empty());
  EXPECT_TRUE(decode("file://").empty());
  EXPECT_TRUE(decode("file:relative/path").empty());
}

TEST(X11Latin1, ConvertedToUtf8) {
  size_t size = 0;
  char* text = x11Latin1ToUtf8("caf\xE9", 4, &size);
  EXPECT_EQ(std::string(text, size), "caf\xC3\xA9");
  std::free(text);
}

TEST(X11DragContainer, ThreeFilesThenUnknown) {
  X11DragContainer* drag = new X11DragContainer();
  const char paths[] = "/a\0/bb\0/ccc";
  char* data = static_cast<char*>(std::malloc(sizeof(paths)));
  std::memcpy(data, paths, sizeof(paths));
  drag->setFiles(data, sizeof(paths), 3);
  EXPECT_EQ(drag->getCount(), 3);
  EXPECT_EQ(drag->getType(0), CDragContainer::kFile);
  int32_t size = -1, type = -9;
  const char* item = static_cast<const char*>(drag->first(size, type));
  ASSERT_NE(item, nullptr);
  EXPECT_STREQ(item, "/a");
  EXPECT_EQ(size, 2);
  EXPECT_EQ(type, CDragContainer::kFile);
  item = static_cast<const char*>(drag->next(size, type));
  EXPECT_STREQ(item, "/bb");
  item = static_cast<const char*>(drag->next(size, type));
  EXPECT_STREQ(item, "/ccc");
  EXPECT_EQ(size, 4);
  EXPECT_EQ(drag->next(size, type), nullptr);
  EXPECT_EQ(type, CDragContainer::kUnknown);
  EXPECT_EQ(size, 0);
  // first() starts the walk again.
  item = static_cast<const char*>(drag->first(size, type));
  EXPECT_STREQ(item, "/a");
  drag->forget();
}

TEST(X11DragContainer, TextOnceThenUnknown) {
  X11DragContainer* drag = new X11DragContainer();
  drag->setText(copyOf("h\xC3\xA9llo"), 6);
  EXPECT_EQ(drag->getCount(), 1);
  EXPECT_EQ(drag->getType(0), CDragContainer::kText);
  int32_t size = 0, type = 0;
  const char* item = static_cast<const char*>(drag->first(size, type));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(std::string(item, size), "h\xC3\xA9llo");
  EXPECT_EQ(type, CDragContainer::kUnicodeText);
  EXPECT_EQ(drag->next(size, type), nullptr);
  EXPECT_EQ(type, CDragContainer::kUnknown);
  drag->forget();
}

TEST(X11DragContainer, UnreadableDataIsAnError) {
  X11DragContainer* drag = new X11DragContainer();
  drag->setError();
  int32_t size = 5, type = 0;
  EXPECT_EQ(drag->first(size, type), nullptr);
  EXPECT_EQ(type, CDragContainer::kError);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(drag->getType(0), CDragContainer::kError);
  EXPECT_EQ(drag->getCount(), 0);
  drag->forget();
}
