#include "ui/win32/drop_target.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "files/wide_text.h"

namespace quillet::win32 {
namespace {

// The paths of the files a drag's data carries; empty when it carries none.
std::vector<std::string> DraggedFiles(IDataObject* data) {
  std::vector<std::string> files;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (data == nullptr || FAILED(data->GetData(&format, &medium))) return files;
  if (auto* drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
      path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
      files.push_back(Utf8Of(path));
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return files;
}

forms::Drag DragOf(IDataObject* data, DWORD allowed) {
  forms::Drag drag;
  for (std::string& file : DraggedFiles(data)) drag.items.emplace_back(std::move(file));
  drag.can_copy = (allowed & DROPEFFECT_COPY) != 0;
  return drag;
}

DWORD Effect(bool taken) {
  return taken ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

}  // namespace

HRESULT FileDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  taken_ = handler_(DragOf(data, *effect), false);
  *effect = Effect(taken_);
  return S_OK;
}

HRESULT FileDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
  *effect = Effect(taken_);
  return S_OK;
}

HRESULT FileDropTarget::DragLeave() {
  taken_ = false;
  return S_OK;
}

HRESULT FileDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  *effect = Effect(handler_(DragOf(data, *effect), true));
  taken_ = false;
  return S_OK;
}

HRESULT FileDropTarget::QueryInterface(REFIID id, void** object) {
  if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG FileDropTarget::AddRef() {
  return ++references_;
}

ULONG FileDropTarget::Release() {
  // Owned by the window it serves, which revokes it before it goes: the
  // count only keeps the system's references honest.
  return --references_;
}

}  // namespace quillet::win32
