// The built zarnith.dll loaded as a Windows host loads it, its editor in the host's window: bad
// parents, a knob drag reaching the host, and 100 open/close cycles without growth. Prints the
// editor's open time and idle cost (figures, not assertions).
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <cstdio>
#include <memory>

#include "plugin_loader.h"
#include "win32_test_host.h"

namespace {

constexpr int kEditorWidth = 428;
constexpr int kEditorHeight = 405;
constexpr int kCycles = 100;

class Win32PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    plugin = LoadedPlugin::load(ZARNITH_PLUGIN, &error);
    ASSERT_TRUE(plugin) << error;
    host = createHostWindow(kEditorWidth, kEditorHeight);
  }
  void TearDown() override {
    plugin.reset();
    if (host) DestroyWindow(host);
    pumpMessages();
  }
  HWND editorWindow() { return FindWindowExW(host, nullptr, nullptr, L"Window"); }
  int countOf(VstInt32 opcode, VstInt32 index) {
    int n = 0;
    for (const HostRequest& r : plugin->requests())
      if (r.opcode == opcode && r.index == index) ++n;
    return n;
  }

  std::unique_ptr<LoadedPlugin> plugin;
  HWND host = nullptr;
};

TEST_F(Win32PluginTest, NoWindowForAMissingOrDestroyedParent) {
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
  HWND dead = createHostWindow(100, 100);
  DestroyWindow(dead);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, dead), 0);
  EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
  // The host destroys its window before closing the editor: nothing reaches the gone frame.
  DestroyWindow(host);
  host = nullptr;
  pumpMessages();
  plugin->dispatch(effEditIdle);
  plugin->dispatch(effEditClose);
}

TEST_F(Win32PluginTest, KnobDragReachesTheHostAsBeginAutomateEnd) {
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
  HWND window = editorWindow();
  ASSERT_TRUE(window);
  plugin->clearRequests();
  float before = plugin->getParameter(0);
  // The Freq knob's centre, then 40 pixels up: linear mode, 200 pixels per full range.
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(59, 78));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(59, 58));
  SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(59, 38));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(59, 38));
  EXPECT_EQ(countOf(audioMasterBeginEdit, 0), 1);
  EXPECT_GE(countOf(audioMasterAutomate, 0), 2);
  EXPECT_EQ(countOf(audioMasterEndEdit, 0), 1);
  EXPECT_NEAR(plugin->getParameter(0), before + 0.2f, 1e-5f);
  plugin->dispatch(effEditClose);
}

TEST_F(Win32PluginTest, HundredOpenCloseCyclesLeaveNothingBehind) {
  auto gdi = [] { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); };
  auto user = [] { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); };
  auto memory = [] {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters.PagefileUsage;  // wine leaves PrivateUsage at 0
  };
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);

  // One cycle first: what stays for the process's lifetime (GDI+ start-up, fonts) is set up.
  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
  UpdateWindow(editorWindow());
  plugin->dispatch(effEditClose);
  pumpMessages();
  DWORD gdiBefore = gdi(), userBefore = user();
  SIZE_T memoryBefore = memory();

  double openSeconds = 0;
  for (int i = 0; i < kCycles; i++) {
    QueryPerformanceCounter(&start);
    ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
    UpdateWindow(editorWindow());  // open until the panel is painted
    QueryPerformanceCounter(&end);
    openSeconds += double(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    plugin->dispatch(effEditIdle);
    pumpMessages();
    plugin->dispatch(effEditClose);
    pumpMessages();
  }
  EXPECT_EQ(editorWindow(), nullptr);
  EXPECT_LE(gdi(), gdiBefore);
  EXPECT_LE(user(), userBefore);
  // Allocators keep some memory; a leak of one bitmap per cycle would be 100 x 680 kB.
  EXPECT_LT(memory(), memoryBefore + 4 * 1024 * 1024);

  ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, host), 1);
  UpdateWindow(editorWindow());
  constexpr int kIdles = 1000;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kIdles; i++) plugin->dispatch(effEditIdle);
  QueryPerformanceCounter(&end);
  double idleSeconds = double(end.QuadPart - start.QuadPart) / frequency.QuadPart / kIdles;
  plugin->dispatch(effEditClose);
  std::printf(
      "editor open (window and first paint): %.2f ms; idle without changes: %.1f us;\n"
      "GDI objects %lu -> %lu, USER objects %lu -> %lu, committed memory %.0f kB %+.0f kB after %d cycles\n",
      openSeconds / kCycles * 1e3, idleSeconds * 1e6, gdiBefore, gdi(), userBefore, user(),
      double(memoryBefore) / 1024.0, (double(memory()) - double(memoryBefore)) / 1024.0, kCycles);
}

}  // namespace
