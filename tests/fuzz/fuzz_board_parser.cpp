// The board-file reader on arbitrary bytes. Whatever the text, ParseBoard
// must either fill a board the simulation can run on, or fail with a
// terminated message and a board left all zero.
//
// Input: the board text, optionally followed by a zero byte and up to four
// bytes that choose what the image loader serves (its size, or a file that
// cannot be read). Without that trailer the loader serves 65,536 bytes, so
// plain board files are good seeds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz_check.h"
#include "detect/bios.h"
#include "detect/hardware.h"
#include "detect/superio.h"
#include "sim/board.h"
#include "sim/board_hardware.h"
#include "sim/board_parser.h"

namespace {

using drivora::sim::Board;

// The harness's own loops carry no coverage: they would only slow the run
// down, and their branches say nothing about the code under test.
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))

struct ImageChoice {
  std::int64_t size;         // what the loader reports; -1: cannot be read
  std::string_view pattern;  // what it fills the image with
  int calls = 0;
};

NO_COVERAGE std::int64_t Load(void* context, const char* name, std::size_t nameLength, std::uint8_t* out,
                              std::uint32_t capacity) {
  auto* choice = static_cast<ImageChoice*>(context);
  ++choice->calls;
  FUZZ_CHECK(nameLength > 0 && nameLength < 260 && name != nullptr);
  FUZZ_CHECK(capacity == drivora::kFirmwareSize);
  if (choice->size < 0) return -1;
  const std::size_t n = choice->size < capacity ? static_cast<std::size_t>(choice->size) : capacity;
  for (std::size_t i = 0; i < n; ++i)
    out[i] = choice->pattern.empty() ? 0xFF : static_cast<std::uint8_t>(choice->pattern[i % choice->pattern.size()]);
  return choice->size;
}

bool Terminated(const char* text, std::size_t capacity) { return std::memchr(text, '\0', capacity) != nullptr; }

NO_COVERAGE bool AllZero(const Board& board) {
  static const Board* const zero = new Board{};
  return std::memcmp(&board, zero, sizeof board) == 0;
}

void CheckBoard(Board& board) {
  FUZZ_CHECK(Terminated(board.name, sizeof board.name));
  FUZZ_CHECK(board.pciCount >= 0 && board.pciCount <= drivora::sim::kMaxPciFunctions);
  for (int i = 0; i < board.pciCount; ++i) {
    const auto& f = board.pci[i];
    FUZZ_CHECK(f.device <= 0x1F && f.function <= 7);
    FUZZ_CHECK(drivora::sim::FindPciFunction(board, f.bus, f.device, f.function) == &f);  // no function twice
  }
  FUZZ_CHECK(board.enumKeyCount >= 0 && board.enumKeyCount <= drivora::sim::kMaxEnumKeys);
  for (int i = 0; i < board.enumKeyCount; ++i) {
    FUZZ_CHECK(Terminated(board.enumKeys[i], sizeof board.enumKeys[i]));
  }
  for (const auto& chip : board.superIo) {
    if (!chip.present) continue;
    FUZZ_CHECK(chip.indexPort == 0x2E || chip.indexPort == 0x4E);
    FUZZ_CHECK(chip.entryLength >= 1 && chip.entryLength <= drivora::sim::kMaxSequence);
    FUZZ_CHECK(chip.exitLength <= drivora::sim::kMaxSequence);
    FUZZ_CHECK((chip.exitLength > 0) != chip.exitByRegister);
    FUZZ_CHECK(!chip.configuring);
  }
  FUZZ_CHECK(board.superIo[0].indexPort != 0x4E && board.superIo[1].indexPort != 0x2E);

  // Whatever the board, the probes and the BIOS record run on it.
  drivora::SimulatedBoardHardware io(board);
  drivora::NoHardwareLocks locks;
  const drivora::SuperIoAccess access{io, locks};
  for (int round = 0; round < 2; ++round) {
    drivora::IdentifySuperIoChip(access);
    drivora::ProbeWinbondIas(access);
    drivora::ReadFintekId(access, 0x2E);
    drivora::ReadFintekId(access, 0x4E);
    drivora::ProbeFintekCir(access, 0x2E);
    drivora::ProbeFintekCir(access, 0x4E);
  }
  for (int i = 0; i < board.pciCount; ++i) {
    const auto& f = board.pci[i];
    io.WritePortDword(0xCF8, 0x80000000u | f.bus << 16 | f.device << 11 | f.function << 8);
    FUZZ_CHECK(io.ReadPortDword(0xCFC) == f.config[0]);
  }
  const std::string record = drivora::BuildBiosRecord(board.firmware, sizeof board.firmware);
  FUZZ_CHECK(record.size() <= drivora::kBiosRecordBytes - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Board* board = new Board;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view text = input;
  ImageChoice choice{drivora::kFirmwareSize, {}};
  const std::size_t zero = input.rfind('\0');
  if (zero != std::string_view::npos && size - zero - 1 <= 4) {
    text = input.substr(0, zero);
    std::uint32_t v = 0;
    for (std::size_t i = zero + 1; i < size; ++i) v = v << 8 | data[i];
    if (zero + 1 < size) {
      switch (v % 5) {
        case 0: choice.size = -1; break;
        case 1: choice.size = 0; break;
        case 2: choice.size = drivora::kFirmwareSize - 1; break;
        case 3: choice.size = drivora::kFirmwareSize + 1; break;
        default: choice.size = (v >> 3) % 0x20000; break;
      }
    }
    choice.pattern = text;
  }

  drivora::sim::BoardParseError error;
  std::memset(&error, 0x5A, sizeof error);
  const bool ok = drivora::sim::ParseBoard(text.data(), text.size(), *board, Load, &choice, error);
  FUZZ_CHECK(choice.calls <= 1);
  FUZZ_CHECK(Terminated(error.message, sizeof error.message));
  if (!ok) {
    FUZZ_CHECK(error.message[0] != '\0');
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';
    FUZZ_CHECK(error.line >= 0 && static_cast<std::size_t>(error.line) <= lines);
    FUZZ_CHECK(AllZero(*board));
    return 0;
  }
  FUZZ_CHECK(error.message[0] == '\0' && error.line == 0);
  CheckBoard(*board);
  return 0;
}
