// ShowErrorBox with the system's real message texts (Win32OsFacts over
// FormatMessageA) and a box that only records what it was asked to show.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/error_box.h"
#include "app/win32/os_facts_win32.h"

namespace {

using drivora::WindowHandle;

class RecordingBoxes final : public drivora::MessageBoxes {
 public:
  struct Box {
    WindowHandle owner;
    std::string text, caption;
    std::uint32_t style;
  };
  int Show(WindowHandle owner, const std::string& text, const std::string& caption, std::uint32_t style) override {
    shown.push_back({owner, text, caption, style});
    return IDCANCEL;  // not what an OK box answers, so a passed-on answer shows
  }
  std::vector<Box> shown;
};

// The system's text for a code, read a second way (into a caller's buffer
// rather than one the system allocates); empty when it has none.
std::string SystemText(DWORD code) {
  char text[1024] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), text, sizeof text, nullptr);
  return std::string(text, length);
}

class ErrorBoxWithSystemTexts : public ::testing::Test {
 protected:
  ErrorBoxWithSystemTexts() {
    app_.Sys.Os = &os_;
    app_.Sys.Boxes = &boxes_;
  }

  // Shows the box as the device requests do and returns its text.
  std::string ShowFor(DWORD code, int line) {
    const int answer = drivora::ShowErrorBox(app_, nullptr, code, "Error...", drivora::kBoxIconInformation, line, "otherfun");
    EXPECT_EQ(answer, IDCANCEL) << "the box's answer is handed back";
    if (boxes_.shown.empty()) return {};
    const RecordingBoxes::Box& box = boxes_.shown.back();
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, "Error...");
    EXPECT_EQ(box.style, 0x40u);
    return box.text;
  }

  drivora::win32::Win32OsFacts os_;
  RecordingBoxes boxes_;
  drivora::AppState app_;
};

TEST_F(ErrorBoxWithSystemTexts, NamesLineUnitCodeAndTheSystemsOwnText) {
  struct Case {
    DWORD code;
    const char* codeLine;
  };
  for (const Case c : {Case{ERROR_ACCESS_DENIED, "Error Code : 5 ( 5H )"},
                       Case{ERROR_SERVICE_DOES_NOT_EXIST, "Error Code : 1060 ( 424H )"}}) {
    SCOPED_TRACE(c.code);
    const std::string systemText = SystemText(c.code);
    ASSERT_FALSE(systemText.empty()) << "the system has a text for this code";
    ASSERT_EQ(systemText.find(drivora::kUnknownErrorText), std::string::npos);

    EXPECT_EQ(ShowFor(c.code, 412), "Line 412 at file otherfun\n" + std::string(c.codeLine) + "\n\t" + systemText);
    EXPECT_EQ(os_.SystemErrorText(c.code).value_or("<none>"), systemText);
  }
  EXPECT_EQ(boxes_.shown.size(), 2u) << "one box per failure";
}

TEST_F(ErrorBoxWithSystemTexts, FallsBackToTheFixedTextWhenTheSystemHasNone) {
  // Codes with the customer bit set are never the system's, so it has no text;
  // the second one is negative when taken as a signed number, as %d shows it.
  struct Case {
    DWORD code;
    const char* codeLine;
  };
  for (const Case c : {Case{0x20001234u, "Error Code : 536875572 ( 20001234H )"},
                       Case{0xE0001234u, "Error Code : -536866252 ( e0001234H )"}}) {
    SCOPED_TRACE(c.code);
    ASSERT_EQ(SystemText(c.code), "") << "the system unexpectedly has a text for this code";
    EXPECT_FALSE(os_.SystemErrorText(c.code).has_value());

    EXPECT_EQ(ShowFor(c.code, 77), "Line 77 at file otherfun\n" + std::string(c.codeLine) + "\n\tAn unknown error occured.");
  }
}

}  // namespace
