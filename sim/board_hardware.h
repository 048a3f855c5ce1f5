// A board file behind the Hardware seam, for running detection without a board.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "detect/hardware.h"
#include "sim/board.h"

namespace drivora {

// Reads a board file (and the firmware image it names, relative to it). On a
// problem returns null and sets `error` to "FILE:LINE: problem".
std::unique_ptr<sim::Board> LoadBoardFile(const std::string& path, std::string& error);

class SimulatedBoardHardware final : public Hardware {
 public:
  explicit SimulatedBoardHardware(sim::Board& board) : board_(board) {}
  std::uint8_t ReadPortByte(std::uint16_t port) override { return sim::BoardReadPortByte(board_, port); }
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override;
  std::uint32_t ReadPortDword(std::uint16_t port) override { return sim::BoardReadPortDword(board_, port); }
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override;
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override;
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override;
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override;
  // Mappings still open: a caller that forgets an unmap shows here.
  int OpenMappings() const;

 private:
  sim::Board& board_;
  std::array<const std::uint8_t*, 16> mappings_{};
};

}  // namespace drivora
