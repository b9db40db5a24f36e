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
  bool handler_takes;  // what the handler answers: the drag shows a copy, or nothing
};

class DropTargetTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropTargetTest, OffersACopyOnlyOfWhatTheHandlerTakes) {
  const DropCase& c = GetParam();
  std::vector<std::vector<std::string>> asked;
  int drops = 0;
  FileDropTarget target([&](const forms::Drag& drag, bool drop) {
    EXPECT_EQ(drag.can_copy, (c.allowed & DROPEFFECT_COPY) != 0);
    std::vector<std::string>& files = asked.emplace_back();
    for (const std::optional<std::string>& item : drag.items) files.push_back(item.value());
    if (drop) ++drops;
    return c.handler_takes;
  });
  DraggedData data(c.files);

  const DWORD shown = c.handler_takes ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  DWORD effect = c.allowed;
  ASSERT_EQ(target.DragEnter(&data, MK_LBUTTON, {10, 10}, &effect), S_OK);
  EXPECT_EQ(effect, shown) << "at the start";
  effect = c.allowed;
  ASSERT_EQ(target.DragOver(MK_LBUTTON, {20, 20}, &effect), S_OK);
  EXPECT_EQ(effect, shown) << "while moving";
  effect = c.allowed;
  ASSERT_EQ(target.Drop(&data, 0, {20, 20}, &effect), S_OK);
  EXPECT_EQ(effect, shown) << "at the drop";

  EXPECT_EQ(drops, 1);
  ASSERT_FALSE(asked.empty());
  for (const std::vector<std::string>& files : asked) EXPECT_EQ(files, c.files);
}

constexpr DWORD kCopyOrMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;

INSTANTIATE_TEST_SUITE_P(
    Drags, DropTargetTest,
    ::testing::Values(
        DropCase{"DataFileTaken", {"C:\\drom\\myfile.out"}, kCopyOrMove, true},
        DropCase{"Utf8Path", {"C:\\L\xC3\xA4ufe\\run \xE2\x82\xAC.ind"}, DROPEFFECT_COPY, true},
        DropCase{"RefusedByTheHandler", {"C:\\drom\\notes.txt"}, kCopyOrMove, false},
        DropCase{"MoveOnlyRefused", {"C:\\drom\\myfile.out"}, DROPEFFECT_MOVE, false},
        DropCase{"TwoFilesReachTheHandler", {"C:\\a.out", "C:\\b.out"}, kCopyOrMove, false},
        DropCase{"TextWithoutFiles", {}, kCopyOrMove, false}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet::win32
