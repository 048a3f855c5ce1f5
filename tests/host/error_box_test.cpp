#include "app/error_box.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/host/test_app.h"

namespace drivora {
namespace {

using test::TestSystem;

std::string SecondLine(const std::string& text) {
  const std::size_t start = text.find('\n') + 1;
  return text.substr(start, text.find('\n', start) - start);
}

TEST(FormatErrorBoxText, WholeText) {
  EXPECT_EQ(FormatErrorBoxText(120, "otherfun", 5, "Access is denied.\r\n"),
            "Line 120 at file otherfun\nError Code : 5 ( 5H )\n\tAccess is denied.\r\n");
}

TEST(FormatErrorBoxText, CodeInDecimalAndLowerCaseHex) {
  const struct {
    std::uint32_t code;
    const char* line;
  } cases[] = {
      {5, "Error Code : 5 ( 5H )"},
      {1060, "Error Code : 1060 ( 424H )"},
      {0, "Error Code : 0 ( 0H )"},
      {0xABC, "Error Code : 2748 ( abcH )"},
      {0x80070005, "Error Code : -2147024891 ( 80070005H )"},  // %d of the code: signed
      {0xFFFFFFFF, "Error Code : -1 ( ffffffffH )"},
  };
  for (const auto& c : cases) EXPECT_EQ(SecondLine(FormatErrorBoxText(1, "otherfun", c.code, "x")), c.line);
}

TEST(FormatErrorBoxText, HeldTo1023Characters) {
  const std::string text = FormatErrorBoxText(7, "otherfun", 5, std::string(2000, 'm'));
  EXPECT_EQ(text.size(), 1023u);
  EXPECT_TRUE(text.starts_with("Line 7 at file otherfun\nError Code : 5 ( 5H )\n\tmmm"));
}

TEST(ShowErrorBox, SystemTextOrTheFixedOne) {
  TestSystem sys;
  ShowErrorBox(sys.app, nullptr, 1060, "Error...", kBoxIconInformation, 88, "otherfun");
  ShowErrorBox(sys.app, nullptr, 4242, "Error...", kBoxIconInformation, 89, "otherfun");
  ASSERT_EQ(sys.boxes.Shown().size(), 2u);
  const auto& known = sys.boxes.Shown()[0];
  EXPECT_EQ(known.text,
            "Line 88 at file otherfun\nError Code : 1060 ( 424H )\n"
            "\tThe specified service does not exist as an installed service.\r\n");
  EXPECT_EQ(known.caption, "Error...");
  EXPECT_EQ(known.style, 0x40u);
  EXPECT_EQ(sys.boxes.Shown()[1].text,
            "Line 89 at file otherfun\nError Code : 4242 ( 1092H )\n\tAn unknown error occured.");
}

TEST(ShowErrorBox, ReturnsTheAnswer) {
  TestSystem sys;
  RecordedMessageBoxes boxes(kAnswerNo);
  sys.app.Sys.Boxes = &boxes;
  EXPECT_EQ(ShowErrorBox(sys.app, nullptr, 5, "Error...", kBoxIconInformation, 1, "otherfun"), kAnswerNo);
}

}  // namespace
}  // namespace drivora
