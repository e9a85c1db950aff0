// Drops onto the frame's window through the drop target it registered, with data objects of
// the test's own: text, then files and shortcuts.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "toolkit/cdragcontainer.h"
#include "win32_test_host.h"
#include "x11/x11_test_editor.h"

using x11test::ProbeEvent;

namespace {

// Offers one HGLOBAL of one clipboard format.
class OfferedData : public IDataObject {
 public:
  OfferedData(CLIPFORMAT format, const void* bytes, size_t size) : format(format) {
    memory = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
  }
  ~OfferedData() { GlobalFree(memory); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IDataObject) || IsEqualIID(iid, IID_IUnknown)) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* wanted, STGMEDIUM* medium) override {
    if (wanted->cfFormat != format || !(wanted->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    ++requests;
    SIZE_T size = GlobalSize(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(medium->hGlobal), GlobalLock(memory), size);
    GlobalUnlock(memory);
    GlobalUnlock(medium->hGlobal);
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* wanted) override {
    return wanted->cfFormat == format ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  int requests = 0;

 private:
  CLIPFORMAT format;
  HGLOBAL memory;
};

// A dropped-file list (DROPFILES followed by the wide paths, each terminated, and one more 0).
std::vector<char> fileList(const std::vector<std::wstring>& paths) {
  std::vector<char> bytes(sizeof(DROPFILES));
  for (const std::wstring& p : paths) {
    const char* raw = reinterpret_cast<const char*>(p.c_str());
    bytes.insert(bytes.end(), raw, raw + (p.size() + 1) * sizeof(wchar_t));
  }
  bytes.insert(bytes.end(), sizeof(wchar_t), 0);
  DROPFILES* header = reinterpret_cast<DROPFILES*>(bytes.data());
  *header = DROPFILES{sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
  return bytes;
}

std::wstring tempFolder() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return folder;
}

std::wstring createFile(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  return path;
}

bool createShortcut(const std::wstring& link, const std::wstring& target) {
  IShellLinkW* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shellLink))))
    return false;
  shellLink->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  bool saved = SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
               SUCCEEDED(file->Save(link.c_str(), TRUE));
  if (file) file->Release();
  shellLink->Release();
  return saved;
}

std::string utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n - 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

class Win32DropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = createHostWindow(x11test::TestEditor::kWidth, x11test::TestEditor::kHeight);
    editor = new x11test::TestEditor(&effect);
    ASSERT_TRUE(editor->open(host));
    pumpMessages();
    // Where OLE keeps the drop target registered for a window of this process.
    target = static_cast<IDropTarget*>(GetPropW(editor->frameWindow(), L"OleDropTargetInterface"));
    ASSERT_TRUE(target) << "no drop target registered for the frame's window";
    // The pointer over the first probe: the drag's position is read from it.
    POINT over = {40, 30};
    ClientToScreen(editor->frameWindow(), &over);
    SetCursorPos(over.x, over.y);
    where = POINTL{over.x, over.y};
  }
  void TearDown() override {
    editor->close();
    effect.setEditor(nullptr);
    delete editor;
    DestroyWindow(host);
  }
  // Enters with data and drops; answers the effect the target left after entering.
  DWORD dragAndDrop(IDataObject* data, DWORD allowed) {
    DWORD effectAllowed = allowed;
    target->DragEnter(data, MK_LBUTTON, where, &effectAllowed);
    DWORD afterEnter = effectAllowed;
    target->Drop(data, 0, where, &effectAllowed);
    return afterEnter;
  }

  x11test::TestEffect effect;
  x11test::TestEditor* editor = nullptr;
  HWND host = nullptr;
  IDropTarget* target = nullptr;
  POINTL where{};
};

TEST_F(Win32DropTest, TargetAnswersTheDropTargetAndBaseInterfacesOnly) {
  void* object = nullptr;
  EXPECT_EQ(target->QueryInterface(IID_IDropTarget, &object), S_OK);
  EXPECT_EQ(object, target);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_EQ(target->QueryInterface(IID_IUnknown, &object), S_OK);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_EQ(target->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  DWORD effectAllowed = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(nullptr, 0, where, &effectAllowed), S_OK);
  EXPECT_EQ(effectAllowed, static_cast<DWORD>(DROPEFFECT_NONE));
}

TEST_F(Win32DropTest, TextArrivesAsOneUtf8Item) {
  const wchar_t text[] = L"Gr\u00fc\u00dfe";
  OfferedData data(CF_UNICODETEXT, text, sizeof(text));
  EXPECT_EQ(dragAndDrop(&data, DROPEFFECT_COPY | DROPEFFECT_MOVE), static_cast<DWORD>(DROPEFFECT_COPY));
  const ProbeEvent* drop = editor->probe->last(ProbeEvent::kDrop);
  ASSERT_TRUE(drop);
  EXPECT_EQ(drop->count, 1);
  ASSERT_EQ(drop->items.size(), 2u);
  EXPECT_EQ(drop->items[0],
            std::make_pair(int32_t{CDragContainer::kUnicodeText}, std::string("Gr\xc3\xbc\xc3\x9f"
                                                                              "e")));
  EXPECT_EQ(drop->items[1].first, CDragContainer::kUnknown);
}

TEST_F(Win32DropTest, FilesArriveOneByOneWithShortcutsResolvedByTheFirstDot) {
  std::wstring folder = tempFolder();
  std::wstring first = createFile(folder + L"zarnith_drop_a.txt");
  std::wstring second = createFile(folder + L"zarnith_drop_b.wav");
  std::wstring link = folder + L"ZarnithNotes.LNK";
  std::wstring dotted = folder + L"zarnith.notes.lnk";
  ASSERT_TRUE(createShortcut(link, first));
  ASSERT_TRUE(createShortcut(dotted, first));
  ASSERT_EQ(folder.find(L'.'), std::wstring::npos) << "the first-dot rule needs a folder without dots";

  std::vector<char> list = fileList({first, second, link, dotted});
  OfferedData data(CF_HDROP, list.data(), list.size());
  EXPECT_EQ(dragAndDrop(&data, DROPEFFECT_MOVE | DROPEFFECT_LINK), static_cast<DWORD>(DROPEFFECT_MOVE));
  const ProbeEvent* drop = editor->probe->last(ProbeEvent::kDrop);
  ASSERT_TRUE(drop);
  EXPECT_EQ(drop->count, 4);
  ASSERT_EQ(drop->items.size(), 5u);
  EXPECT_EQ(drop->items[0], std::make_pair(int32_t{CDragContainer::kFile}, utf8(first)));
  EXPECT_EQ(drop->items[1], std::make_pair(int32_t{CDragContainer::kFile}, utf8(second)));
  // The link's target (asked for in its short form, which wine's links do not give).
  EXPECT_EQ(drop->items[2].first, CDragContainer::kFile);
  wchar_t resolved[MAX_PATH] = L"";
  MultiByteToWideChar(CP_UTF8, 0, drop->items[2].second.c_str(), -1, resolved, MAX_PATH);
  wchar_t longForm[MAX_PATH] = L"";
  GetLongPathNameW(resolved, longForm, MAX_PATH);
  EXPECT_STREQ(longForm, first.c_str());
  EXPECT_EQ(drop->items[3], std::make_pair(int32_t{CDragContainer::kFile}, utf8(dotted)));
  EXPECT_EQ(drop->items[4].first, CDragContainer::kUnknown);
  for (const std::wstring& f : {first, second, link, dotted}) DeleteFileW(f.c_str());
}

}  // namespace
