// LoadText through the real Win32 layer: the system's own default language and
// the string table of the built Setup.exe. Which twin comes back depends on the
// language of the whole system, so CTest runs each suite in its own process:
// the English one under a C.UTF-8 locale, the Chinese one under zh_CN.UTF-8
// (Wine takes the system default language and ANSI code page from the Unix
// locale). Each fixture first checks that it really got that system.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "app/program_texts.h"
#include "app/win32/dialogs_win32.h"
#include "app/win32/os_facts_win32.h"
#include "tests/windows/setup_image.h"

namespace {

using drivora::AppState;
using drivora::LoadText;

// The bytes a UTF-16 text becomes in an ANSI code page, or nothing when the
// code page cannot represent it exactly.
std::string InCodePage(UINT codePage, const wchar_t* text) {
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  bytes.pop_back();  // the terminator
  return bytes;
}

// The texts whose twins hold the same text: every system must read them alike.
constexpr char kCategoryList[] =
    "EXPLORER.EXIT.INTEL.VIA.SIS.INF.VXD.IDE.VGA.SOUND.LAN.USB.1394.RAID.DIRECTX.PCC.MONITOR.BIOS.APP.TWIN.OTHER."
    "RST.END";
constexpr char kTitle[] = "Drivora...";
constexpr char kAbout[] = "Drivora...\n  Version 1.1";

class LoadTextFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(setup_.Module(), nullptr) << "cannot open " << drivora::test::SetupExePath() << " as a data file";
    app_.Sys.Os = &os_;
    app_.Sys.Strings = &strings_;
  }

  std::string Text(unsigned id, std::size_t capacity = 256) const { return LoadText(app_, id, capacity); }

  void ExpectSharedTexts() const {
    EXPECT_EQ(Text(drivora::kTextCategoryList), kCategoryList);
    EXPECT_EQ(Text(drivora::kTextTitle), kTitle);
    EXPECT_EQ(Text(drivora::kTextAbout), kAbout);
  }

  drivora::test::SetupImage setup_;
  drivora::win32::Win32OsFacts os_;
  drivora::win32::Win32StringTable strings_{setup_.Module()};
  AppState app_;
};

class LoadTextOnEnglishSystem : public LoadTextFixture {
 protected:
  void SetUp() override {
    LoadTextFixture::SetUp();
    ASSERT_EQ(GetSystemDefaultLangID(), drivora::kLanguageEnglish) << "run this suite under LANG=C.UTF-8";
  }
};

class LoadTextOnChineseSystem : public LoadTextFixture {
 protected:
  void SetUp() override {
    LoadTextFixture::SetUp();
    ASSERT_EQ(GetSystemDefaultLangID(), drivora::kLanguageChinese) << "run this suite under LANG=zh_CN.UTF-8";
    // The expected bytes below are GBK: the string table must come out in it.
    ASSERT_EQ(GetACP(), 936u);
  }
};

TEST_F(LoadTextOnEnglishSystem, ReadsTheEvenIds) {
  EXPECT_EQ(Text(drivora::kTextBrowseCd), "Browse CD");
  EXPECT_EQ(Text(drivora::kTextBrowseCdLong), "Browser CD-ROM...");
  EXPECT_EQ(Text(drivora::kTextExit), "Exit");
  EXPECT_EQ(Text(drivora::kTextExitRestart), "Exit, then restart the computer.");
  EXPECT_EQ(Text(drivora::kTextInstallBoard), "Install:Mainboard device drivers...");
  EXPECT_EQ(Text(drivora::kTextNoNtSupport), "Not support Window NT...");
  EXPECT_EQ(Text(drivora::kTextRestartQuestion), "Restart your computer?");
  ExpectSharedTexts();
}

TEST_F(LoadTextOnEnglishSystem, KeepsToTheCapacityAndGivesNothingForMissingIds) {
  // capacity - 1 characters and a terminator, as in the program's fixed buffers.
  EXPECT_EQ(Text(drivora::kTextBrowseCd, 5), "Brow");
  EXPECT_EQ(Text(drivora::kTextCategoryList, 255), kCategoryList);
  EXPECT_EQ(Text(1), "");
  EXPECT_EQ(Text(24), "");
}

TEST_F(LoadTextOnChineseSystem, ReadsTheChineseTwinsInTheAnsiCodePage) {
  const std::string browse = InCodePage(936, L"浏览CD");
  ASSERT_EQ(browse.size(), 6u) << "two double-byte characters and two letters";
  EXPECT_EQ(Text(drivora::kTextBrowseCd), browse);
  EXPECT_EQ(Text(drivora::kTextBrowseCdLong), InCodePage(936, L"浏览这张光盘..."));
  EXPECT_EQ(Text(drivora::kTextExit), InCodePage(936, L"退出"));
  // The line break inside the text is a real one, not a backslash and an n.
  EXPECT_EQ(Text(drivora::kTextExitRestart), InCodePage(936, L"所有程序安装完毕，\n必需单击此键退出并重新启动。"));
  EXPECT_EQ(Text(drivora::kTextInstallBoard), InCodePage(936, L"安装：主板驱动程序..."));
  EXPECT_EQ(Text(drivora::kTextNoNtSupport), InCodePage(936, L"不支持Windows NT...\n浏览这张光盘?"));
  EXPECT_EQ(Text(drivora::kTextRestartQuestion), InCodePage(936, L"建议重新启动计算机。\n现在重新启动计算机?"));
}

TEST_F(LoadTextOnChineseSystem, ReadsTheSharedTextsAsTheEnglishSystemDoes) { ExpectSharedTexts(); }

TEST_F(LoadTextOnChineseSystem, GivesNothingWhenTheTwinIsMissing) {
  // 23 is itself the last Chinese text; its "twin" 24 does not exist.
  EXPECT_EQ(Text(23), "");
}

}  // namespace
