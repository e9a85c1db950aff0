// OLE drag and drop onto the frame's window: the drop target registered for the window, and the
// drag container that hands the dragged text or files to the views as UTF-8.
#pragma once

// clang-format off
#include <windows.h>
#include <ole2.h>
// clang-format on

#include <cstdint>

#include "toolkit/cdragcontainer.h"

class CFrame;

class CDropTarget : public IDropTarget {
 public:
  explicit CDropTarget(CFrame* frame);

  // IUnknown: answers the drop-target and base interfaces only.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDropTarget
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

  // The frame goes before the platform lets go of the target: no call reaches it afterwards.
  void detach() { frame = nullptr; }

 private:
  virtual ~CDropTarget() {}
  template <typename Operation>
  void atPointer(Operation operation);

  LONG refCount;
  CFrame* frame;
};

class WinDragContainer : public CDragContainer {
 public:
  explicit WinDragContainer(IDataObject* data);
  ~WinDragContainer() override;

  void* first(int32_t& size, int32_t& type) override;
  void* next(int32_t& size, int32_t& type) override;
  int32_t getType(int32_t index) const override;
  int32_t getCount() const override { return nbItems; }

 private:
  bool hasUnicodeText() const;

  IDataObject* platformDrag;
  int32_t nbItems;
  int32_t iterator;
  char* lastItem;
};

// The target of a dropped path when its text from the first "." on is ".lnk" (any case),
// in its short form; the path unchanged otherwise and whenever the link cannot be resolved.
// path holds at most capacity wide characters.
void resolveShortcut(wchar_t* path, int capacity);
