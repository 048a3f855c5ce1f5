// The restart question on the NT family through the real token and shutdown
// calls. Under Wine the delayed restart request is accepted and does nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "runner/restart.h"
#include "runner/win32/shutdown_win32.h"

namespace {

class AnsweringYes final : public drivora::MessageBoxes {
 public:
  int Show(drivora::WindowHandle, const std::string& text, const std::string& caption, std::uint32_t style) override {
    shown.push_back(caption + " | " + text + " | " + std::to_string(style));
    return IDYES;
  }
  std::vector<std::string> shown;
};

TEST(RestartThroughWin32, YesOnTheNtFamilyRequestsTheRestartAndAnswersOne) {
  drivora::win32::Win32OsFacts os;
  AnsweringYes boxes;
  drivora::AppState app;
  app.Sys.Os = &os;
  app.Sys.Boxes = &boxes;
  app.OsClass = 2;
  app.LanguageId = 1033;
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  // No configuration file: the question has an empty text.
  app.Config = std::make_unique<drivora::win32::Win32ConfigFile>(std::string(temp) + "drivora-no-such.ini");
  drivora::win32::Win32ShutdownControl shutdown;

  EXPECT_EQ(drivora::AskRestart(app, shutdown, nullptr), 1);

  // The question, then no error box: the prefix's user holds the privilege.
  ASSERT_GE(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0], "Drivora... |  | " + std::to_string(MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND));
  EXPECT_EQ(boxes.shown.size(), 1u) << boxes.shown.back();
}

TEST(RestartThroughWin32, TheShutdownPrivilegeIsHeldAndGivenBack) {
  drivora::win32::Win32ShutdownControl shutdown;
  const auto steps = shutdown.BeginNtRestart();
  EXPECT_TRUE(steps->OpenOwnToken().succeeded);
  steps->LookUpShutdownPrivilege();
  EXPECT_EQ(steps->EnableShutdownPrivilege().lastError, 0u);
  EXPECT_EQ(steps->DisableShutdownPrivilege().lastError, 0u);
}

}  // namespace
