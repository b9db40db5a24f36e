// Files dropped from Explorer onto a window: an OLE drop target, which
// unlike WM_DROPFILES can refuse a drag while it is still going on, so that
// the cursor shows at once that the window will not take it.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleidl.h>

#include <functional>
#include "ui/forms/drop_policy.h"

namespace quillet::win32 {

// Asked with what a drag carries (the paths of its files, UTF-8, and whether
// its source lets them be copied): whether the window takes it, as a copy,
// and with `drop` set also to take it. It must not throw: it runs inside the
// system's drag loop.
using FileDropHandler = std::function<bool(const forms::Drag& drag, bool drop)>;

class FileDropTarget final : public IDropTarget {
 public:
  explicit FileDropTarget(FileDropHandler handler) : handler_(std::move(handler)) {}
  FileDropTarget(const FileDropTarget&) = delete;
  FileDropTarget& operator=(const FileDropTarget&) = delete;

  // A drag the handler takes is offered as a copy; every other drag is
  // refused for as long as it lasts.
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                 DWORD* effect) override;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

 private:
  FileDropHandler handler_;
  bool taken_ = false;  // what DragEnter decided, for DragOver
  ULONG references_ = 1;
};

}  // namespace quillet::win32
