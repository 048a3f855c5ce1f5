#include "app/program_texts.h"

#include "app/app_state.h"

namespace drivora {

std::string LoadText(const AppState& app, unsigned id, std::size_t capacity) {
  // Asked at every call, as the system's default language is a live setting.
  if (app.Sys.Os->DefaultLanguageId() == kLanguageChinese) ++id;
  return app.Sys.Strings->Load(id, capacity).value_or(std::string{});
}

std::string ReadLangText(const AppState& app, std::string_view key) {
  constexpr std::uint32_t kValueBytes = 256;
  const std::string keyText(key);
  std::string text = app.Config->ReadString("LANG." + std::to_string(app.LanguageId), keyText, kValueBytes);
  if (text.empty()) text = app.Config->ReadString("LANG.1033", keyText, kValueBytes);
  return text;
}

}  // namespace drivora
