// The program's two text sources: its string table (with Chinese twins) and
// the LANG sections of the configuration file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace drivora {

struct AppState;

// String table ids: each even id is English, the odd id after it Chinese.
enum TextId : unsigned {
  kTextBrowseCd = 2,
  kTextBrowseCdLong = 4,
  kTextExit = 6,
  kTextExitRestart = 8,
  kTextInstallBoard = 10,
  kTextRights = 12,
  kTextNoNtSupport = 14,
  kTextCategoryList = 16,
  kTextTitle = 18,
  kTextAbout = 20,
  kTextRestartQuestion = 22,
};

constexpr std::uint16_t kLanguageChinese = 2052;
constexpr std::uint16_t kLanguageEnglish = 1033;

// LoadText: the text `id`, or its Chinese twin when the system default language
// is exactly 2052; at most capacity - 1 characters, empty when it is missing.
std::string LoadText(const AppState& app, unsigned id, std::size_t capacity);

// The localised text of `key` from "LANG.<language id>", falling back to
// "LANG.1033"; at most 255 characters, empty when neither has it.
std::string ReadLangText(const AppState& app, std::string_view key);

}  // namespace drivora
