// The windows' background on Windows: the user's own system colour.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>

#include "ui/forms/desktop.h"

namespace quillet::forms {
namespace {

// The colour the user chose, as the control panel keeps it ("R G B"). The
// Wine prefix of scripts/build-windows.sh sets one whose three parts differ.
TEST(Win32PlatformTest, ActiveBorderIsTheUsersColour) {
  wchar_t text[64] = {};
  DWORD size = sizeof text;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Colors", L"ActiveBorder",
                         RRF_RT_REG_SZ, nullptr, text, &size),
            ERROR_SUCCESS);
  unsigned red = 0, green = 0, blue = 0;
  ASSERT_EQ(std::swscanf(text, L"%u %u %u", &red, &green, &blue), 3) << text;
  const Rgb colour = ActiveBorderColour();
  EXPECT_EQ(colour.red, red);
  EXPECT_EQ(colour.green, green);
  EXPECT_EQ(colour.blue, blue);
}

}  // namespace
}  // namespace quillet::forms
