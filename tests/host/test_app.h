// Shared fixtures of the host tests: an AppState wired to the simulated system,
// with the program's files and configuration given as text.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/ini_file.h"
#include "app/program_texts.h"
#include "app/startup.h"
#include "sim/simulated_system.h"
#include "sim/windows_version.h"

namespace drivora::test {

inline WindowsVersion Windows(std::string_view text) {
  const auto described = ParseWindowsVersion(text);
  if (!described) ADD_FAILURE() << "not a Windows version: " << text;
  return described.value_or(WindowsVersion{});
}

inline std::unique_ptr<ConfigFile> ConfigFrom(std::string_view ini) {
  return std::make_unique<IniConfigFile>(IniDocument::Parse(ini));
}

// The disc as the program sees it: its own path and the files beside it.
// Paths are compared without regard to case, as on Windows.
class FakeProgramFiles final : public ProgramFiles {
 public:
  std::string modulePath = "D:\\SETUP.EXE";
  std::string shortPath;  // empty: the short form cannot be made
  std::map<std::string, std::string> files;  // upper-cased path -> contents

  void AddFile(const std::string& path, std::string contents) { files[ToUpperAscii(path)] = std::move(contents); }

  std::string ModuleFileName() const override { return modulePath; }
  std::string ShortPathName(const std::string&) const override { return shortPath; }
  bool FileExists(const std::string& path) const override { return files.contains(ToUpperAscii(path)); }
  std::unique_ptr<ConfigFile> OpenConfigFile(const std::string& path) const override {
    const auto it = files.find(ToUpperAscii(path));
    if (it == files.end()) return nullptr;
    return ConfigFrom(it->second);
  }
};

// The simulated system and an AppState wired to it; nothing has run yet.
class TestSystem {
 public:
  explicit TestSystem(std::string_view windows = "xp", std::uint16_t language = kLanguageEnglish)
      : os(Windows(windows), language) {
    app.Sys.Os = &os;
    app.Sys.Files = &files;
    app.Sys.Reg = &registry;
    app.Sys.Boxes = &boxes;
    app.Sys.Strings = &strings;
  }
  TestSystem(const TestSystem&) = delete;
  TestSystem& operator=(const TestSystem&) = delete;

  SimulatedOs os;
  FakeProgramFiles files;
  MemoryRegistry registry;
  RecordedMessageBoxes boxes;
  BuiltinStringTable strings;
  AppState app;
};

// The state the readers work on: Windows identified and the configuration
// opened from `ini`, as after the start-up checks.
class TestApp : public TestSystem {
 public:
  explicit TestApp(std::string_view ini = "", std::string_view windows = "xp",
                   std::uint16_t language = kLanguageEnglish)
      : TestSystem(windows, language) {
    app.Config = ConfigFrom(ini);
    EXPECT_TRUE(IdentifyWindows(app));
  }
};

inline std::vector<std::string> Keys(const InstallCatalogue& catalogue) {
  std::vector<std::string> keys;
  for (const InstallEntry& entry : catalogue.Entries) keys.push_back(entry.key);
  return keys;
}

inline std::vector<std::string> Values(const InstallCatalogue& catalogue) {
  std::vector<std::string> values;
  for (const InstallEntry& entry : catalogue.Entries) values.push_back(entry.value);
  return values;
}

}  // namespace drivora::test
