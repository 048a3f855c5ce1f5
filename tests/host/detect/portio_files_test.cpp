// Which driver file the wizard registers as the kernel service, and that a
// path it cannot hold is refused rather than cut into another file's name.
#include "detect/portio_files.h"

#include <gtest/gtest.h>

#include <string>

namespace drivora {
namespace {

TEST(DriverFiles, FileIsChosenByClassAndWow64) {
  EXPECT_STREQ(PortIoDriverFileName(8, true), "s1234564_win8.sys");
  EXPECT_STREQ(PortIoDriverFileName(8, false), "s12345_win8.sys");
  EXPECT_STREQ(PortIoDriverFileName(4, true), "s1234564.sys");
  EXPECT_STREQ(PortIoDriverFileName(4, false), "s12345.sys");
  EXPECT_STREQ(PortIoDriverFileName(2, false), "s12345.sys");
  // Every class but 8 takes the plain pair, unknown ones included.
  EXPECT_STREQ(PortIoDriverFileName(-1, true), "s1234564.sys");
  EXPECT_STREQ(PortIoDriverFileName(3, false), "s12345.sys");
}

TEST(DriverFiles, PathIsTheModuleFolderCutAfterItsLastBackslash) {
  EXPECT_EQ(PortIoDriverPath("D:\\DRIVERS\\SETUP.EXE", 4, false), "D:\\DRIVERS\\s12345.sys");
  EXPECT_EQ(PortIoDriverPath("D:\\A.B\\C\\SETUP.EXE", 4, true), "D:\\A.B\\C\\s1234564.sys");
  // A forward slash is no separator to the wizard.
  EXPECT_EQ(PortIoDriverPath("D:\\DISC\\SUB/SETUP.EXE", 2, false), "D:\\DISC\\s12345.sys");
  // A module name that cannot be read gives the file name alone.
  EXPECT_EQ(PortIoDriverPath("", 4, false), "s12345.sys");
  EXPECT_EQ(PortIoDriverPath("SETUP.EXE", 8, false), "s12345_win8.sys");
}

TEST(DriverFiles, PathThatDoesNotFitItsBufferIsRefusedNotCut) {
  // 255 characters and the terminating zero fill the 256-byte buffer.
  const std::string folder = "C:\\" + std::string(255 - 3 - 1 - 10, 'd') + "\\";
  ASSERT_EQ((folder + "s12345.sys").size(), 255u);
  EXPECT_EQ(PortIoDriverPath(folder + "SETUP.EXE", 4, false), folder + "s12345.sys");
  // One character more: cut to 255, it would name "...\s12345.sy", or with a
  // deeper folder "...\s": some other file, registered as the kernel driver.
  EXPECT_EQ(PortIoDriverPath(folder + "SETUP.EXE", 4, true), std::nullopt);
  EXPECT_EQ(PortIoDriverPath("C:\\" + std::string(251, 'd') + "\\SETUP.EXE", 2, false), std::nullopt);
  EXPECT_EQ(PortIoDriverPath("C:\\" + std::string(300, 'd') + "\\SETUP.EXE", 8, true), std::nullopt);
}

}  // namespace
}  // namespace drivora
