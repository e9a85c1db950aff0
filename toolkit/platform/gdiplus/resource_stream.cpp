#include "toolkit/platform/gdiplus/resource_stream.h"

#include <cstring>

ResourceStream::ResourceStream(const uint8_t* data, size_t size)
    : references(1), data(data), size(size), position(0) {}

HRESULT ResourceStream::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IStream) || IsEqualIID(iid, IID_ISequentialStream) ||
      IsEqualIID(iid, IID_IUnknown)) {
    *object = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ResourceStream::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references));
}

ULONG ResourceStream::Release() {
  LONG left = InterlockedDecrement(&references);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ResourceStream::Read(void* out, ULONG count, ULONG* read) {
  if (read) *read = 0;
  // A read that would pass the end delivers nothing.
  if (count > size - position) return S_FALSE;
  if (!out && count) return STG_E_INVALIDPOINTER;
  std::memcpy(out, data + position, count);
  position += count;
  if (read) *read = count;
  return S_OK;
}

HRESULT ResourceStream::Write(const void*, ULONG, ULONG*) {
  return E_NOTIMPL;
}

HRESULT ResourceStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
  LONGLONG base;
  if (origin == STREAM_SEEK_SET)
    base = 0;
  else if (origin == STREAM_SEEK_CUR)
    base = static_cast<LONGLONG>(position);
  else
    return S_FALSE;  // from the end: not supported
  LONGLONG target = base + move.QuadPart;
  if (target < 0 || static_cast<ULONGLONG>(target) >= size) return S_FALSE;
  position = static_cast<size_t>(target);
  if (newPosition) newPosition->QuadPart = position;
  return S_OK;
}

HRESULT ResourceStream::SetSize(ULARGE_INTEGER) {
  return E_NOTIMPL;
}

HRESULT ResourceStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return E_NOTIMPL;
}

HRESULT ResourceStream::Commit(DWORD) {
  return E_NOTIMPL;
}

HRESULT ResourceStream::Revert() {
  position = 0;
  return S_OK;
}

HRESULT ResourceStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return E_NOTIMPL;
}

HRESULT ResourceStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return E_NOTIMPL;
}

HRESULT ResourceStream::Stat(STATSTG* status, DWORD) {
  if (!status) return STG_E_INVALIDPOINTER;
  std::memset(status, 0, sizeof(*status));
  status->type = STGTY_STREAM;
  status->cbSize.QuadPart = size;
  return S_OK;
}

HRESULT ResourceStream::Clone(IStream**) {
  return E_NOTIMPL;
}
