// What Explorer, the shortcuts and Windows itself read from the programs'
// resources: the icon in every size a desktop asks for, the product's name,
// version, publisher and copyright, and the window program's manifest (the
// common controls of version 6, a window laid out at the display's
// resolution).
#include <windows.h>
// After windows.h, which they need.
#include <winver.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quillet {
namespace {

// The programs lie beside this test.
std::wstring BesideThisTest(const char* name) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  path.resize(path.find_last_of(L'\\') + 1);
  for (const char* c = name; *c != '\0'; ++c) path.push_back(static_cast<wchar_t>(*c));
  return path;
}

std::wstring Wide(const char* text) {
  return std::wstring(text, text + std::strlen(text));
}

// A string of the version resource's US English, Unicode block.
std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || length == 0) return L"";
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

// The resource types, as the wide API names them.
const wchar_t* const kGroupIconType = MAKEINTRESOURCEW(14);
const wchar_t* const kManifestType = MAKEINTRESOURCEW(24);

struct ResourceBytes {
  const char* data = nullptr;
  DWORD size = 0;
};

ResourceBytes Resource(HMODULE module, const wchar_t* type) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), type);
  if (found == nullptr) return {};
  return {static_cast<const char*>(LockResource(LoadResource(module, found))),
          SizeofResource(module, found)};
}

// The pixel sizes of the first icon group; 256 is stored as 0.
std::vector<int> IconSizes(HMODULE module) {
  const ResourceBytes group = Resource(module, kGroupIconType);
  std::vector<int> sizes;
  if (group.size < 6) return sizes;
  std::uint16_t count = 0;
  std::memcpy(&count, group.data + 4, sizeof count);
  constexpr std::size_t kEntry = 14;  // width, height, colours, reserved, planes, bits, bytes, id
  for (std::size_t i = 0; i < count && 6 + (i + 1) * kEntry <= group.size; ++i) {
    const int width = static_cast<unsigned char>(group.data[6 + i * kEntry]);
    sizes.push_back(width == 0 ? 256 : width);
  }
  return sizes;
}

struct Program {
  const char* file;
  const char* description;
  bool has_manifest;
};

class ProgramResourcesTest : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramResourcesTest, CarriesIconVersionAndManifest) {
  const Program& program = GetParam();
  const std::wstring path = BesideThisTest(program.file);

  DWORD ignored = 0;
  std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(info.empty()) << program.file << " has no version resource";
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  EXPECT_EQ(VersionString(info, L"ProductName"), L"Quillet");
  EXPECT_EQ(VersionString(info, L"ProductVersion"), Wide(QUILLET_TEST_PROJECT_VERSION));
  EXPECT_EQ(VersionString(info, L"FileVersion"), Wide(QUILLET_TEST_PROJECT_VERSION));
  EXPECT_EQ(VersionString(info, L"FileDescription"), Wide(program.description));
  EXPECT_EQ(VersionString(info, L"OriginalFilename"), Wide(program.file));
  EXPECT_EQ(VersionString(info, L"CompanyName"), Wide(QUILLET_TEST_PUBLISHER));
  EXPECT_EQ(VersionString(info, L"LegalCopyright"), Wide(QUILLET_TEST_COPYRIGHT));

  HMODULE module = LoadLibraryExW(path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(IconSizes(module), (std::vector<int>{16, 32, 48, 256}));
  const ResourceBytes manifest = Resource(module, kManifestType);
  if (program.has_manifest) {
    ASSERT_NE(manifest.data, nullptr) << program.file << " has no manifest";
    const std::string text(manifest.data, manifest.size);
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(text.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
  } else {
    EXPECT_EQ(manifest.data, nullptr);
  }
  FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramResourcesTest,
                         ::testing::Values(
#ifdef QUILLET_WINDOW_PATH
                             Program{QUILLET_WINDOW_PATH, "Quillet", true},
#endif
                             Program{QUILLET_CONVERT_PATH, "Quillet chain file converter", false}));

}  // namespace
}  // namespace quillet
