// The driver's rules on how a handle is opened and which image file the test
// build reads, compiled here as the driver compiles them.
#include "portio/rules.h"

#include <gtest/gtest.h>

#include <cstring>

namespace drivora::portio {
namespace {

TEST(OpenedToRead, ReadAccessInAnyFormTheSystemHandsOn) {
  for (const uint32_t access : {0x80000000u, 0x00000001u, 0x00120089u /* FILE_GENERIC_READ */, 0x10000000u,
                                0x001F01FFu /* FILE_ALL_ACCESS */, 0xC0000000u})
    EXPECT_TRUE(OpenedToRead(access)) << std::hex << access;
  for (const uint32_t access : {0u, 0x40000000u /* GENERIC_WRITE */, 0x00000002u /* FILE_WRITE_DATA */,
                                0x00000080u /* FILE_READ_ATTRIBUTES */, 0x00100000u /* SYNCHRONIZE */,
                                0x00020000u /* READ_CONTROL */, 0x20000000u /* GENERIC_EXECUTE */})
    EXPECT_FALSE(OpenedToRead(access)) << std::hex << access;
}

bool Plain(const char* name) { return PlainFileName(name, std::strlen(name)); }

TEST(PlainFileName, OnlyANameBesideTheBoardFile) {
  for (const char* name : {"board.rom", "ws-bus128.rom", "A", "...", ".rom", "name with blanks.rom", "x..rom"})
    EXPECT_TRUE(Plain(name)) << name;
  for (const char* name : {"", ".", "..", "..\\board.rom", "sub\\board.rom", "sub/board.rom", "C:\\board.rom",
                           "C:board.rom", "\\??\\C:\\x", "\\\\server\\share\\x", "board.rom:stream", "*.rom",
                           "board?.rom", "\"board.rom\"", "a<b", "a>b", "a|b", "tab\tname"})
    EXPECT_FALSE(Plain(name)) << name;
  // Judged over the given length, not up to a zero byte.
  EXPECT_FALSE(PlainFileName("ok\0..\\x", 7));
  EXPECT_TRUE(PlainFileName("ok.rom\\..", 6));
}

}  // namespace
}  // namespace drivora::portio
