// A portable reader of INI files that answers exactly as the platform's
// private-profile functions do (GetPrivateProfileSectionA and
// GetPrivateProfileStringA), so that tools on any system see a disc's
// configuration as the wizard sees it on Windows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform.h"

namespace drivora {

class IniDocument {
 public:
  // Parses file contents; never fails (every byte sequence is some INI file).
  static IniDocument Parse(std::string_view contents);

  // GetPrivateProfileSectionA into `buffer`: lines "key=value" (or "key"),
  // each ended by a zero, the list ended by a second zero; returns the count
  // of bytes before the final zero, cut as the platform cuts.
  std::uint32_t GetSection(std::string_view section, std::span<char> buffer) const;

  // GetPrivateProfileStringA for one key into `buffer`, with `fallback` as
  // the default; returns the length of the text written. An empty key name
  // is a name like any other: it finds a line that starts with '='.
  std::uint32_t GetString(std::string_view section, std::string_view key, std::string_view fallback,
                          std::span<char> buffer) const;

  // Where in the file each section and key came from (1-based), for tools.
  struct Key {
    std::string name;
    std::optional<std::string> value;
    int line = 0;
  };
  struct Section {
    std::string name;  // empty for the lines before the first header
    std::vector<Key> keys;
    int line = 0;
  };
  const std::vector<Section>& Sections() const { return sections_; }
  const Section* FindSection(std::string_view name) const;

 private:
  std::vector<Section> sections_;
};

// The configuration-file seam answered from an IniDocument.
class IniConfigFile final : public ConfigFile {
 public:
  explicit IniConfigFile(IniDocument document) : document_(std::move(document)) {}
  // Reads the file; nullopt when it cannot be read.
  static std::unique_ptr<IniConfigFile> Load(const std::string& path);

  std::string ReadSection(const std::string& section, std::uint32_t bufferBytes) const override;
  std::string ReadString(const std::string& section, const std::string& key, std::uint32_t bufferBytes) const override;
  const IniDocument& Document() const { return document_; }

 private:
  IniDocument document_;
};

}  // namespace drivora
