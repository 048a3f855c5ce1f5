// The BIOS pass: the model in the firmware's identification text adds (and its
// ".Uninstall" section removes) entries; marker tags anywhere in the firmware
// area add more.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "portio/board_addresses.h"

namespace drivora {

struct AppState;

constexpr std::size_t kBiosRecordBytes = 1024;
constexpr char kFieldSeparator = '\x01';

// The 64 KiB image of 0xF0000-0xFFFFF: by physical reads on the NT family,
// copied directly elsewhere. A word that cannot be read stays zero.
std::vector<std::uint8_t> ReadFirmwareImage(AppState& app);

// The identification text, then each marker tag, each field followed by 0x01.
// Held to 1023 characters: a tag that does not fit is left out.
std::string BuildBiosRecord(const std::uint8_t* image, std::size_t size);
std::string ReadBiosInfo(AppState& app);

// Removes a trailing MM-DD-YYYY date (separators '-' or '.') with the blanks
// before it and the word before those: "AB12 V1.0 03-15-2011" becomes "AB12".
std::string StripBiosDate(std::string_view text);

void ApplyBiosSections(AppState& app);

}  // namespace drivora
