// Removing the listed sound devices' keys below HKEY_LOCAL_MACHINE\Enum.
#include "runner/enum_key_deletion.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/host/runner/runner_fakes.h"

namespace drivora {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using runner_test::RunnerBench;

constexpr char kDevice[] = "PCI\\VEN_1234&DEV_5678\\3&61AAA01&0&28";

TEST(SplitDevicePath, AtTheLastBackslash) {
  const struct {
    const char* path;
    const char* parent;
    const char* leaf;
  } cases[] = {
      {kDevice, "PCI\\VEN_1234&DEV_5678", "3&61AAA01&0&28"},
      {"ROOT\\*PNP0000", "ROOT", "*PNP0000"},
      {"ISAPNP", "", "ISAPNP"},
      {"PCI\\", "PCI", ""},
      {"\\X", "", "X"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    const DevicePathParts parts = SplitDevicePath(c.path);
    EXPECT_EQ(parts.parent, c.parent) << c.path;
    EXPECT_EQ(parts.leaf, c.leaf) << c.path;
  }
}

TEST(EnumParentKeyPath, HeldTo127Characters) {
  EXPECT_EQ(EnumParentKeyPath(""), "Enum");
  EXPECT_EQ(EnumParentKeyPath("PCI\\VEN_1234&DEV_5678"), "Enum\\PCI\\VEN_1234&DEV_5678");
  EXPECT_EQ(EnumParentKeyPath(std::string(122, 'P')), "Enum\\" + std::string(122, 'P'));
  EXPECT_EQ(EnumParentKeyPath(std::string(123, 'P')), std::nullopt);
}

struct EnumBench : RunnerBench {
  explicit EnumBench(std::string_view ini = "") : RunnerBench(ini) {}
  bool Delete(std::string_view devicePath) { return DeleteEnumKey(*app.Sys.Reg, devicePath); }
};

TEST(DeleteEnumKey, DeletesTheDeviceKeyAndLeavesItsParent) {
  EnumBench bench;
  bench.registry.CreateKey(std::string("Enum\\") + kDevice);
  EXPECT_TRUE(bench.Delete(kDevice));
  EXPECT_FALSE(bench.registry.HasKey(std::string("Enum\\") + kDevice));
  EXPECT_TRUE(bench.registry.HasKey("Enum\\PCI\\VEN_1234&DEV_5678"));
  EXPECT_THAT(bench.log, ElementsAre("VEN_1234&DEV_5678 delete key 3&61AAA01&0&28"));
}

TEST(DeleteEnumKey, APathWithoutABackslashLiesDirectlyBelowEnum) {
  EnumBench bench;
  bench.registry.CreateKey("Enum\\ISAPNP");
  EXPECT_TRUE(bench.Delete("ISAPNP"));
  EXPECT_FALSE(bench.registry.HasKey("Enum\\ISAPNP"));
  EXPECT_TRUE(bench.registry.HasKey("Enum"));
}

TEST(DeleteEnumKey, WhatItLeavesAlone) {
  const std::string longParent = "PCI\\" + std::string(119, 'V');  // "Enum\" and it: 128 characters
  const struct {
    const char* what;
    std::string devicePath;
    std::vector<std::string> keys;
  } cases[] = {
      {"a device that is not there", kDevice, {"Enum\\PCI\\VEN_1234&DEV_5678"}},
      {"no Enum tree at all (the NT family)", kDevice, {}},
      {"a device key that still has subkeys", kDevice, {std::string("Enum\\") + kDevice + "\\Control"}},
      {"a parent too long for its path", longParent + "\\DEV", {"Enum\\" + longParent + "\\DEV"}},
      {"an empty last part, which would name the parent", "PCI\\", {"Enum\\PCI"}},
      {"an empty path, which would name Enum itself", "", {"Enum\\PCI"}},
  };
  for (const auto& c : cases) {
    EnumBench bench;
    for (const std::string& key : c.keys) bench.registry.CreateKey(key);
    const auto before = bench.registry.Keys();
    EXPECT_FALSE(bench.Delete(c.devicePath)) << c.what;
    EXPECT_EQ(bench.registry.Keys().size(), before.size()) << c.what;
  }
}

TEST(DeleteEnumKey, AParentOf122CharactersStillOpens) {
  EnumBench bench;
  const std::string parent = "PCI\\" + std::string(118, 'V');
  bench.registry.CreateKey("Enum\\" + parent + "\\DEV");
  EXPECT_TRUE(bench.Delete(parent + "\\DEV"));
}

TEST(DeleteSoundCardKeys, EveryListedDeviceInFileOrder) {
  EnumBench bench(
      "[SOUND_CARD]\n"
      "ALPHA=PCI\\VEN_1106&DEV_3059\\0\n"
      "NOEQUALS\n"
      "BETA=HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888\\4&1\n"
      "GAMMA=PCI\\VEN_0000&DEV_0000\\9\n");
  bench.registry.CreateKey("Enum\\PCI\\VEN_1106&DEV_3059\\0");
  bench.registry.CreateKey("Enum\\HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888\\4&1");
  DeleteSoundCardKeys(bench.app);
  EXPECT_THAT(bench.log, ElementsAre("VEN_1106&DEV_3059 delete key 0",
                                     "FUNC_01&VEN_10EC&DEV_0888 delete key 4&1"));
  EXPECT_FALSE(bench.registry.HasKey("Enum\\PCI\\VEN_1106&DEV_3059\\0"));
  EXPECT_TRUE(bench.registry.HasKey("Enum\\PCI\\VEN_1106&DEV_3059"));
  EXPECT_FALSE(bench.registry.HasKey("Enum\\HDAUDIO\\FUNC_01&VEN_10EC&DEV_0888\\4&1"));
}

TEST(DeleteSoundCardKeys, NoSectionNoChange) {
  EnumBench bench("[OTHER]\nALPHA=PCI\\VEN_1106&DEV_3059\\0\n");
  bench.registry.CreateKey("Enum\\PCI\\VEN_1106&DEV_3059\\0");
  DeleteSoundCardKeys(bench.app);
  EXPECT_THAT(bench.log, IsEmpty());
  EXPECT_TRUE(bench.registry.HasKey("Enum\\PCI\\VEN_1106&DEV_3059\\0"));
}

}  // namespace
}  // namespace drivora
