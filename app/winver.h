// Choosing the Windows profile from the "WinVer" section: each key is a label
// and up to five numbers (platform, major, minor, build, product variant).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace drivora {

struct AppState;

// The five numbers of a WinVer key after its label (platform, major, minor,
// build, variant), read as the wizard reads them; missing ones are 0.
std::array<std::int32_t, 5> ParseVersionFields(std::string_view versionFields);

// 1 workstation, 2 server (3: a 64-bit Windows Server 2003), 0 unknown or
// domain controller; on version 6 it tells 32-bit (1) from 64-bit (2) Windows.
std::int32_t ComputeProductVariant(const AppState& app);

// 0 when the running Windows matches the numbers of a WinVer key (the text
// after its label), above 0 when it is newer, below 0 when it is older.
std::int32_t CompareWinVer(const AppState& app, std::string_view versionFields);

// The WinVer key that applies (at most 255 characters).
std::string SelectWinVerKey(const AppState& app);
// The profile name of that key (at most 255 characters), empty without one.
std::string ReadOsProfile(const AppState& app);

}  // namespace drivora
