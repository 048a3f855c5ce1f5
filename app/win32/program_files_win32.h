#pragma once

#include "app/platform.h"

namespace drivora::win32 {

class Win32ProgramFiles final : public ProgramFiles {
 public:
  std::string ModuleFileName() const override;
  std::string ShortPathName(const std::string& path) const override;
  bool FileExists(const std::string& path) const override;
  std::unique_ptr<ConfigFile> OpenConfigFile(const std::string& path) const override;
};

// The configuration file read through GetPrivateProfileSectionA/StringA.
class Win32ConfigFile final : public ConfigFile {
 public:
  explicit Win32ConfigFile(std::string path) : path_(std::move(path)) {}
  std::string ReadSection(const std::string& section, std::uint32_t bufferBytes) const override;
  std::string ReadString(const std::string& section, const std::string& key, std::uint32_t bufferBytes) const override;

 private:
  std::string path_;
};

}  // namespace drivora::win32
