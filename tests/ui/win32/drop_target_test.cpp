// The drop target as the system's drag loop calls it, with the data Explorer
// gives for files (CF_HDROP): what the handler is asked, and the effect the
// drag shows at its start, while it moves and at the drop.
#include <windows.h>
// After windows.h, which they need.
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "files/wide_text.h"
#include "ui/win32/drop_target.h"

namespace quillet::win32 {
namespace {

// The data of a drag of `files` as Explorer offers it; with no files, text
// alone, as from an editor.
class DraggedData final : public IDataObject {
 public:
  explicit DraggedData(std::vector<std::string> files) : files_(std::move(files)) {}

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (files_.empty() || format->cfFormat != CF_HDROP || (format->tymed & TYMED_HGLOBAL) == 0) {
      return DV_E_FORMATETC;
    }
    std::wstring names;
    for (const std::string& file : files_) names += Wide(file) + L'\0';
    names += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(global));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(global);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = global;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return !files_.empty() && format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

 private:
  std::vector<std::string> files_;
};

struct DropCase {
  const char* name;
  std::vector<std::string> files;
  DWORD allowed;       // the effects the drag's source allows
  bool can_copy;       // what the handler is told of them
  bool handler_takes;  // what the handler answers
  DWORD shown;         // the effect at the start, while moving and at the drop
  int drops_taken;     // how often the handler was asked to take the files
};

class DropTargetTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropTargetTest, OffersACopyOnlyOfWhatTheHandlerTakes) {
  const DropCase& c = GetParam();
  std::vector<std::vector<std::string>> asked;
  int drops_taken = 0;
  FileDropTarget target([&](const forms::Drag& drag, bool drop) {
    std::vector<std::string> files;
    for (const std::optional<std::string>& item : drag.items) files.push_back(item.value());
    asked.push_back(files);
    EXPECT_EQ(drag.can_copy, c.can_copy);
    if (drop && c.handler_takes) ++drops_taken;
    return c.handler_takes;
  });
  DraggedData data(c.files);

  DWORD effect = c.allowed;
  ASSERT_EQ(target.DragEnter(&data, MK_LBUTTON, {10, 10}, &effect), S_OK);
  EXPECT_EQ(effect, c.shown) << "at the start";
  effect = c.allowed;
  ASSERT_EQ(target.DragOver(MK_LBUTTON, {20, 20}, &effect), S_OK);
  EXPECT_EQ(effect, c.shown) << "while moving";
  effect = c.allowed;
  ASSERT_EQ(target.Drop(&data, 0, {20, 20}, &effect), S_OK);
  EXPECT_EQ(effect, c.shown) << "at the drop";

  EXPECT_EQ(drops_taken, c.drops_taken);
  ASSERT_FALSE(asked.empty());
  for (const std::vector<std::string>& files : asked) EXPECT_EQ(files, c.files);
}

constexpr DWORD kCopyOrMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;

INSTANTIATE_TEST_SUITE_P(
    Drags, DropTargetTest,
    ::testing::Values(
        DropCase{
            "DataFileTaken", {"C:\\drom\\myfile.out"}, kCopyOrMove, true, true, DROPEFFECT_COPY, 1},
        DropCase{"Utf8Path",
                 {"C:\\L\xC3\xA4ufe\\run \xE2\x82\xAC.ind"},
                 DROPEFFECT_COPY,
                 true,
                 true,
                 DROPEFFECT_COPY,
                 1},
        DropCase{"RefusedByTheHandler",
                 {"C:\\drom\\notes.txt"},
                 kCopyOrMove,
                 true,
                 false,
                 DROPEFFECT_NONE,
                 0},
        DropCase{"MoveOnlyRefusedByTheHandler",
                 {"C:\\drom\\myfile.out"},
                 DROPEFFECT_MOVE,
                 false,
                 false,
                 DROPEFFECT_NONE,
                 0},
        DropCase{"TwoFilesReachTheHandler",
                 {"C:\\a.out", "C:\\b.out"},
                 kCopyOrMove,
                 true,
                 false,
                 DROPEFFECT_NONE,
                 0},
        DropCase{"TextWithoutFiles", {}, kCopyOrMove, true, false, DROPEFFECT_NONE, 0}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet::win32
