#include "toolkit/platform/win32/win32_drop_target.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <cwchar>

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"

namespace {

constexpr int kMaxPath = 2048;
constexpr DWORD kResolveTimeoutMs = 500;

// One drag at a time for the whole process.
WinDragContainer* gDragContainer = nullptr;

FORMATETC formatOf(CLIPFORMAT format) {
  FORMATETC f = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return f;
}

// Of the allowed effects only one stays: copy, else move, else link.
void reduceEffect(DWORD* effect) {
  if (*effect & DROPEFFECT_COPY)
    *effect = DROPEFFECT_COPY;
  else if (*effect & DROPEFFECT_MOVE)
    *effect = DROPEFFECT_MOVE;
  else if (*effect & DROPEFFECT_LINK)
    *effect = DROPEFFECT_LINK;
}

// UTF-16 as new UTF-8 bytes with a terminator; size is their length without it.
char* toUtf8(const wchar_t* text, int32_t& size) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return nullptr;
  char* out = new char[bytes];
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, bytes, nullptr, nullptr);
  out[bytes - 1] = 0;
  size = bytes - 1;
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------

CDropTarget::CDropTarget(CFrame* frame) : refCount(0), frame(frame) {}

HRESULT CDropTarget::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CDropTarget::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG CDropTarget::Release() {
  LONG left = InterlockedDecrement(&refCount);
  if (left <= 0) {
    delete this;
    return 0;
  }
  return static_cast<ULONG>(left);
}

HRESULT CDropTarget::DragEnter(IDataObject* data, DWORD /*keyState*/, POINTL /*point*/, DWORD* effect) {
  if (!data || !frame) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  if (gDragContainer) gDragContainer->forget();  // a drag whose end never came
  gDragContainer = new WinDragContainer(data);
  atPointer([this](const CPoint& where) { frame->onDragEnter(gDragContainer, where); });
  if (effect) reduceEffect(effect);
  return S_OK;
}

// The frame's drag operations get the pointer's position with a drawing context of the frame
// around them, as views may draw while they look at a drag.
template <typename Operation>
void CDropTarget::atPointer(Operation operation) {
  CDrawContext* context = frame->createDrawContext();
  CPoint where;
  frame->getCurrentMouseLocation(where);
  operation(where);
  if (context) context->forget();
}

HRESULT CDropTarget::DragOver(DWORD /*keyState*/, POINTL /*point*/, DWORD* effect) {
  if (!gDragContainer || !frame) return S_OK;
  atPointer([this](const CPoint& where) { frame->onDragMove(gDragContainer, where); });
  if (effect) reduceEffect(effect);
  return S_OK;
}

HRESULT CDropTarget::DragLeave() {
  if (!gDragContainer || !frame) return S_OK;
  atPointer([this](const CPoint& where) { frame->onDragLeave(gDragContainer, where); });
  gDragContainer->forget();
  gDragContainer = nullptr;
  return S_OK;
}

HRESULT CDropTarget::Drop(IDataObject* /*data*/, DWORD /*keyState*/, POINTL /*point*/, DWORD* /*effect*/) {
  if (!gDragContainer || !frame) return S_OK;
  atPointer([this](const CPoint& where) { frame->onDrop(gDragContainer, where); });
  gDragContainer->forget();
  gDragContainer = nullptr;
  return S_OK;
}

// ---------------------------------------------------------------------------

WinDragContainer::WinDragContainer(IDataObject* data)
    : platformDrag(data), nbItems(0), iterator(0), lastItem(nullptr) {
  if (!platformDrag) return;
  platformDrag->AddRef();  // the container may outlive the platform's call
  if (hasUnicodeText()) {
    nbItems = 1;
    return;
  }
  FORMATETC files = formatOf(CF_HDROP);
  STGMEDIUM medium;
  if (platformDrag->GetData(&files, &medium) == S_OK) {
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (drop) nbItems = static_cast<int32_t>(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
  }
}

WinDragContainer::~WinDragContainer() {
  delete[] lastItem;
  if (platformDrag) platformDrag->Release();
}

bool WinDragContainer::hasUnicodeText() const {
  FORMATETC text = formatOf(CF_UNICODETEXT);
  STGMEDIUM medium;
  if (platformDrag->GetData(&text, &medium) != S_OK) return false;
  ReleaseStgMedium(&medium);
  return true;
}

int32_t WinDragContainer::getType(int32_t /*index*/) const {
  if (!platformDrag) return kError;
  return hasUnicodeText() ? kText : kFile;
}

void* WinDragContainer::first(int32_t& size, int32_t& type) {
  iterator = 0;
  return next(size, type);
}

void* WinDragContainer::next(int32_t& size, int32_t& type) {
  if (!platformDrag) {
    type = kError;
    return nullptr;
  }
  delete[] lastItem;
  lastItem = nullptr;
  size = 0;
  type = kUnknown;

  FORMATETC text = formatOf(CF_UNICODETEXT);
  STGMEDIUM medium;
  if (platformDrag->GetData(&text, &medium) == S_OK) {
    if (iterator++ == 0) {
      const wchar_t* wide = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal));
      if (wide) {
        // The global block need not be terminated: copy at most its size.
        SIZE_T chars = GlobalSize(medium.hGlobal) / sizeof(wchar_t);
        wchar_t* copy = new wchar_t[chars + 1];
        SIZE_T n = 0;
        while (n < chars && wide[n]) {
          copy[n] = wide[n];
          n++;
        }
        copy[n] = 0;
        lastItem = toUtf8(copy, size);
        delete[] copy;
        if (lastItem) type = kUnicodeText;
      }
      GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return lastItem;
  }

  FORMATETC files = formatOf(CF_HDROP);
  if (platformDrag->GetData(&files, &medium) != S_OK) return nullptr;
  HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  wchar_t path[kMaxPath];
  if (drop && iterator < static_cast<int32_t>(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0)) &&
      DragQueryFileW(drop, static_cast<UINT>(iterator), path, kMaxPath) > 0) {
    iterator++;
    resolveShortcut(path, kMaxPath);
    lastItem = toUtf8(path, size);
    if (lastItem) type = kFile;
  }
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
  return lastItem;
}

// ---------------------------------------------------------------------------

void resolveShortcut(wchar_t* path, int capacity) {
  const wchar_t* dot = std::wcschr(path, L'.');
  if (!dot || _wcsicmp(dot, L".lnk") != 0) return;
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(path, STGM_READ)) &&
        SUCCEEDED(link->Resolve(nullptr, MAKELONG(SLR_NO_UI | SLR_ANY_MATCH, kResolveTimeoutMs)))) {
      // Read into a buffer of our own: a failing read leaves the dropped path as it was.
      wchar_t target[kMaxPath];
      target[0] = 0;
      if (link->GetPath(target, capacity < kMaxPath ? capacity : kMaxPath, nullptr, SLGP_SHORTPATH) == S_OK &&
          target[0])
        std::wcsncpy(path, target, static_cast<size_t>(capacity));
    }
    file->Release();
  }
  link->Release();
}
