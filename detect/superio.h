// Identifying the board's Super I/O chip through its configuration ports
// (index 0x2E/data 0x2F and index 0x4E/data 0x4F), as text tokens that name
// sections of the configuration file.
#pragma once

#include <cstdint>

#include "detect/hardware.h"

namespace drivora {

constexpr std::uint16_t kSioPort2E = 0x2E;
constexpr std::uint16_t kSioPort4E = 0x4E;

// The ports of one board and the lock that keeps other programs off them.
struct SuperIoAccess {
  Hardware& io;
  HardwareLocks& locks;
};

void SioEnter(Hardware& io, std::uint16_t indexPort);
void SioExit(Hardware& io, std::uint16_t indexPort);
std::uint8_t SioRead(Hardware& io, std::uint16_t indexPort, std::uint8_t reg);
void SioWrite(Hardware& io, std::uint16_t indexPort, std::uint8_t reg, std::uint8_t value);

// Each returns a token, or null when no such chip answers.
const char* IdentifySuperIoChip(SuperIoAccess access);
const char* ProbeWinbondIas(SuperIoAccess access);
const char* ProbeFintekCir(SuperIoAccess access, std::uint16_t indexPort);
// Chip identification (upper 16 bits) and vendor (lower), or 0 without a Fintek chip.
std::uint32_t ReadFintekId(SuperIoAccess access, std::uint16_t indexPort);

}  // namespace drivora
