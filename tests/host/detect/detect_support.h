// Shared pieces of the detection tests: boards from board-file text, a
// Hardware decorator and a HardwareLocks that write every request and every
// lock into one log, and an observer that keeps what the key passes applied.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/catalogue_observer.h"
#include "detect/hardware.h"
#include "detect/superio.h"
#include "sim/board.h"
#include "sim/board_hardware.h"
#include "sim/board_parser.h"
#include "tests/host/test_app.h"

namespace drivora::detect_test {

// One request at the Hardware seam, or one lock taken or given back, in the
// order they happened.
struct Event {
  enum Kind : std::uint8_t { WriteByte, ReadByte, WriteDword, ReadDword, Map, Unmap, DirectRead, Acquire, Release };
  Kind kind;
  std::uint32_t where;  // the port, the physical address, or the lock
  std::uint32_t value;  // the value written or read; the length of a map

  bool operator==(const Event&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Event& e) {
  char text[64];
  const auto lock = [](unsigned which) { return which == 0 ? "SuperIo" : "PciConfig"; };
  const unsigned where = e.where, value = e.value;
  switch (e.kind) {
    case Event::WriteByte: std::snprintf(text, sizeof text, "out %02X <- %02X", where, value); break;
    case Event::ReadByte: std::snprintf(text, sizeof text, "in  %02X -> %02X", where, value); break;
    case Event::WriteDword: std::snprintf(text, sizeof text, "outd %03X <- %08X", where, value); break;
    case Event::ReadDword: std::snprintf(text, sizeof text, "ind  %03X -> %08X", where, value); break;
    case Event::Map: std::snprintf(text, sizeof text, "map %05X+%u", where, value); break;
    case Event::Unmap: std::snprintf(text, sizeof text, "unmap #%u", where); break;
    case Event::DirectRead: std::snprintf(text, sizeof text, "direct read %u bytes", value); break;
    case Event::Acquire: std::snprintf(text, sizeof text, "lock %s", lock(where)); break;
    case Event::Release: std::snprintf(text, sizeof text, "unlock %s", lock(where)); break;
  }
  return out << text;
}

using Log = std::vector<Event>;

inline Log operator+(Log a, const Log& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Super I/O traffic as the probes must produce it.
inline Log Bytes(std::uint16_t indexPort, std::initializer_list<std::uint8_t> bytes) {
  Log log;
  for (std::uint8_t b : bytes) log.push_back({Event::WriteByte, indexPort, b});
  return log;
}
inline Log Enter(std::uint16_t port) { return Bytes(port, {0x87, 0x87}); }
inline Log Exit(std::uint16_t port) { return Bytes(port, {0xAA}); }
// Register number to the index port, then the byte the data port answered.
inline Log Reg(std::uint16_t port, std::uint8_t reg, std::uint8_t answer) {
  return {{Event::WriteByte, port, reg}, {Event::ReadByte, static_cast<std::uint32_t>(port + 1), answer}};
}
inline Log SetReg(std::uint16_t port, std::uint8_t reg, std::uint8_t value) {
  return {{Event::WriteByte, port, reg}, {Event::WriteByte, static_cast<std::uint32_t>(port + 1), value}};
}
inline Log Repeat(const Log& log, int times) {
  Log all;
  for (int i = 0; i < times; ++i) all = all + log;
  return all;
}
inline Log Locked(const Log& inner, HardwareLock which = HardwareLock::SuperIo) {
  const auto w = static_cast<std::uint32_t>(which);
  return Log{{Event::Acquire, w, 0}} + inner + Log{{Event::Release, w, 0}};
}

// Passes every request on and logs it with the value that came back.
class RecordingHardware final : public Hardware {
 public:
  RecordingHardware(Hardware& inner, Log& log) : inner_(inner), log_(log) {}
  bool recording = true;

  std::uint8_t ReadPortByte(std::uint16_t port) override {
    const std::uint8_t v = inner_.ReadPortByte(port);
    Add({Event::ReadByte, port, v});
    return v;
  }
  bool WritePortByte(std::uint16_t port, std::uint8_t value) override {
    Add({Event::WriteByte, port, value});
    return inner_.WritePortByte(port, value);
  }
  std::uint32_t ReadPortDword(std::uint16_t port) override {
    const std::uint32_t v = inner_.ReadPortDword(port);
    Add({Event::ReadDword, port, v});
    return v;
  }
  bool WritePortDword(std::uint16_t port, std::uint32_t value) override {
    Add({Event::WriteDword, port, value});
    return inner_.WritePortDword(port, value);
  }
  const void* MapPhysicalMemory(std::uint32_t address, std::uint32_t length, std::uint32_t& handle) override {
    Add({Event::Map, address, length});
    return inner_.MapPhysicalMemory(address, length, handle);
  }
  bool UnmapPhysicalMemory(std::uint32_t handle, const void* pointer) override {
    Add({Event::Unmap, handle, 0});
    return inner_.UnmapPhysicalMemory(handle, pointer);
  }
  bool ReadFirmwareDirectly(std::uint8_t* image, std::uint32_t size) override {
    Add({Event::DirectRead, 0, size});
    return inner_.ReadFirmwareDirectly(image, size);
  }

 private:
  void Add(const Event& e) {
    if (recording) log_.push_back(e);
  }
  Hardware& inner_;
  Log& log_;
};

// Logs every wait for a lock and every giving back into the same log as the
// requests; `grant` false plays a lock that another program holds past the
// wait.
class RecordingLocks final : public HardwareLocks {
 public:
  explicit RecordingLocks(Log& log) : log_(log) {}
  bool grant = true;
  bool recording = true;
  int acquired[2] = {0, 0};  // waits
  int released[2] = {0, 0};

 protected:
  WaitOutcome Wait(HardwareLock which) override {
    ++acquired[static_cast<int>(which)];
    if (recording) log_.push_back({Event::Acquire, static_cast<std::uint32_t>(which), 0});
    return grant ? WaitOutcome::Acquired : WaitOutcome::TimedOut;
  }
  void Give(HardwareLock which) override {
    ++released[static_cast<int>(which)];
    if (recording) log_.push_back({Event::Release, static_cast<std::uint32_t>(which), 0});
  }

 private:
  Log& log_;
};

// What a key pass showed its observer.
class RecordingObserver final : public CatalogueObserver {
 public:
  struct Applied {
    std::string section;
    bool removal;
    bool operator==(const Applied&) const = default;
  };
  std::vector<Applied> applied;
  std::vector<std::string> added, refused, removed;  // "section: key"
  std::vector<std::string> deviceTokens, cirTokens, tags;
  std::vector<std::pair<std::string, std::string>> models;

  void SectionApplied(std::string_view section, bool removal) override {
    applied.push_back({std::string(section), removal});
  }
  void EntryAdded(std::string_view section, std::string_view key, std::string_view) override {
    added.push_back(std::string(section) + ": " + std::string(key));
  }
  void EntryRefused(std::string_view section, std::string_view key) override {
    refused.push_back(std::string(section) + ": " + std::string(key));
  }
  void EntryRemoved(std::string_view section, std::string_view key) override {
    removed.push_back(std::string(section) + ": " + std::string(key));
  }
  void DeviceTokens(const char* chip, const char* ias, unsigned fintek2E, unsigned fintek4E) override {
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %08x %08x", chip ? chip : "-", ias ? ias : "-", fintek2E, fintek4E);
    deviceTokens.emplace_back(text);
  }
  void CirTokens(const char* cir2E, const char* cir4E) override {
    cirTokens.push_back(std::string(cir2E ? cir2E : "-") + " " + (cir4E ? cir4E : "-"));
  }
  void BiosModel(std::string_view identification, std::string_view model) override {
    models.emplace_back(identification, model);
  }
  void FirmwareTag(std::string_view tag) override { tags.emplace_back(tag); }

  // The names of the sections read to add entries, in order.
  std::vector<std::string> AddedFrom() const {
    std::vector<std::string> names;
    for (const Applied& a : applied)
      if (!a.removal) names.push_back(a.section);
    return names;
  }
};

// Compares logs of a whole scan (hundreds of thousands of events): a failure
// names the first difference instead of printing both logs.
inline ::testing::AssertionResult SameLog(const Log& actual, const Log& expected) {
  const std::size_t common = actual.size() < expected.size() ? actual.size() : expected.size();
  for (std::size_t i = 0; i < common; ++i) {
    if (!(actual[i] == expected[i]))
      return ::testing::AssertionFailure() << "event " << i << " is " << ::testing::PrintToString(actual[i])
                                           << ", expected " << ::testing::PrintToString(expected[i]);
  }
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << actual.size() << " events, expected " << expected.size() << "; first extra: "
                                         << ::testing::PrintToString(actual.size() > common ? actual[common]
                                                                                            : expected[common]);
  return ::testing::AssertionSuccess();
}

// A firmware image a board file names, served from memory; it keeps the name
// it was asked for, and may refuse it.
struct ImageSource {
  std::vector<std::uint8_t> bytes;
  bool refuseName = false;
  std::string askedFor;
  static std::int64_t Load(void* context, const char* name, std::size_t nameLength, std::uint8_t* out,
                           std::uint32_t capacity) {
    auto* self = static_cast<ImageSource*>(context);
    self->askedFor.assign(name, nameLength);
    if (self->refuseName) return sim::kImageNameRefused;
    const std::size_t n = self->bytes.size() < capacity ? self->bytes.size() : capacity;
    for (std::size_t i = 0; i < n; ++i) out[i] = self->bytes[i];
    return static_cast<std::int64_t>(self->bytes.size());
  }
};

// A board read from board-file text; a board that does not parse fails the test.
inline std::unique_ptr<sim::Board> BoardFrom(std::string_view text, ImageSource* image = nullptr) {
  auto board = std::make_unique<sim::Board>();
  sim::BoardParseError error{};
  if (!sim::ParseBoard(text.data(), text.size(), *board, image ? &ImageSource::Load : nullptr, image, error))
    ADD_FAILURE() << "board does not parse: line " << error.line << ": " << error.message << "\n" << text;
  return board;
}

// A board with its ports logged, ready for the Super I/O probes.
struct ProbeBench {
  explicit ProbeBench(std::string_view boardText) : board(BoardFrom(boardText)), sim(*board), io(sim, log), locks(log) {}
  SuperIoAccess Access() { return SuperIoAccess{io, locks}; }

  std::unique_ptr<sim::Board> board;
  SimulatedBoardHardware sim;
  Log log;
  RecordingHardware io;
  RecordingLocks locks;
};

// The traffic of each stretch that held the Super I/O lock. Traffic outside
// any such stretch, or a lock taken twice, fails the test.
inline std::vector<Log> LockedStretches(const Log& log) {
  std::vector<Log> stretches;
  bool held = false;
  for (const Event& e : log) {
    const bool superIo = e.where == static_cast<std::uint32_t>(HardwareLock::SuperIo);
    if (e.kind == Event::Acquire && superIo) {
      if (held) ADD_FAILURE() << "the Super I/O lock was taken again while held";
      held = true;
      stretches.emplace_back();
    } else if (e.kind == Event::Release && superIo) {
      if (!held) ADD_FAILURE() << "the Super I/O lock was given back without being held";
      held = false;
    } else if (!held) {
      ADD_FAILURE() << "traffic outside the Super I/O lock: " << e;
    } else {
      stretches.back().push_back(e);
    }
  }
  if (held) ADD_FAILURE() << "the Super I/O lock is still held";
  return stretches;
}

// An AppState over a simulated board, as start-up leaves it before detection:
// Windows identified (XP unless told otherwise), the configuration open, the
// profile "WINXP." chosen; every request counted and logged.
class DetectBench : public test::TestApp {
 public:
  explicit DetectBench(std::string_view boardText, std::string_view ini = "", ImageSource* image = nullptr)
      : TestApp(ini), board(BoardFrom(boardText, image)), sim(*board), counting(sim), io(counting, log), locks(log) {
    app.OsProfile = "WINXP.";
    app.Sys.Io = &io;
    app.Sys.Locks = &locks;
    app.Observer = &observer;
  }

  std::unique_ptr<sim::Board> board;
  SimulatedBoardHardware sim;
  CountingHardware counting;
  Log log;
  RecordingHardware io;
  RecordingLocks locks;
  RecordingObserver observer;
};

}  // namespace drivora::detect_test
