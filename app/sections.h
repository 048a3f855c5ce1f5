// Profile sections of the configuration file feed the install catalogue.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace drivora {

struct AppState;

// Lines "supplier=device path": the sound devices Windows may have enumerated,
// each with the section that offers its driver. Detection looks the devices
// up; the install runner removes their keys.
constexpr char kSoundCardSection[] = "SOUND_CARD";

constexpr std::size_t kSectionNameBytes = 256;
constexpr std::uint32_t kSectionBufferBytes = 32766;

// OsProfile followed by the suffix; none when it does not fit the 256-byte
// section name (a cut name could name another section, even the one an
// ".Uninstall" name was made from).
std::optional<std::string> ProfileSectionName(const AppState& app, std::string_view suffix);

// Offer every "category.name=value" line of OsProfile + suffix to the catalogue.
bool AddSectionEntries(AppState& app, std::string_view suffix);
// Take every entry named by a line of OsProfile + suffix out of the catalogue.
bool RemoveSectionEntries(AppState& app, std::string_view suffix);

}  // namespace drivora
