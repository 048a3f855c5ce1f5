// The system the core runs on when it is not Windows: a Windows version from a
// description, an in-memory registry, the built-in string table, recorded message boxes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/platform.h"
#include "sim/windows_version.h"

namespace drivora {

class SimulatedOs final : public OsFacts {
 public:
  SimulatedOs(WindowsVersion windows, std::uint16_t languageId) : windows_(windows), languageId_(languageId) {}
  bool GetVersion(OsVersionInfo& out) const override;
  int GetProductType(std::uint8_t& productType) const override;
  bool IsWow64() const override { return windows_.wow64; }
  std::uint16_t DefaultLanguageId() const override { return languageId_; }
  std::optional<std::string> SystemErrorText(std::uint32_t code) const override;
  std::string WindowsFolder() const override { return "C:\\WINDOWS"; }

 private:
  WindowsVersion windows_;
  std::uint16_t languageId_;
};

// The program's string table, from the same texts the resource script uses.
// Chinese texts come out in UTF-8 here, where Windows gives the ANSI code page.
class BuiltinStringTable final : public StringTable {
 public:
  std::optional<std::string> Load(unsigned id, std::size_t capacity) const override;
};

// Keys below HKEY_LOCAL_MACHINE, by path without regard to ASCII case.
class MemoryRegistry final : public Registry {
 public:
  struct Key {
    std::map<std::string, std::string> values;  // by upper-cased name
  };
  std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path, RegistryAccess access) override;
  void CreateKey(const std::string& path);
  bool HasKey(const std::string& path) const;
  std::map<std::string, Key>& Keys() { return keys_; }  // by upper-cased path

 private:
  std::map<std::string, Key> keys_;
};

// Message boxes that are answered with a preset answer and remembered.
class RecordedMessageBoxes final : public MessageBoxes {
 public:
  struct Box {
    std::string text, caption;
    std::uint32_t style;
  };
  explicit RecordedMessageBoxes(int answer = kAnswerOk) : answer_(answer) {}
  int Show(WindowHandle owner, const std::string& text, const std::string& caption, std::uint32_t style) override;
  const std::vector<Box>& Shown() const { return shown_; }

 private:
  int answer_;
  std::vector<Box> shown_;
};

}  // namespace drivora
