// What one open handle of the device remembers of its own port traffic, and
// what becomes of each of its port requests. Plain C++ over <stdint.h>: the
// driver compiles it, and so do the host tests and the fuzzer, which thus
// check the very decisions the driver makes.
//
// Super I/O: a program may select any register, but write only two of them:
// the logical-device select (0x07) and, with the value 0x02, an ITE chip's
// configuration control (0x02), which leaves configuration mode. Every other
// register of every logical device (GPIOs, decoders, flash write protection,
// a management controller's bridge) stays out of reach. The handle keeps the
// last byte it wrote to each index port, and a permitted data write is put on
// the bus as that index byte followed by the data byte, so that an index
// another handle selected in between cannot redirect it.
//
// PCI: the address written to 0xCF8 stays with the handle (a 0xCF8 read
// returns it) and reaches the machine only together with a data read, as one
// step of the back end; the system's own configuration accesses can then not
// fall between the address and the data. Configuration space is never
// written.
#pragma once

#include <stdint.h>

#include "portio/board_addresses.h"
#include "portio/rules.h"
#include "portio/wire.h"

namespace drivora::portio {

enum class PortOutcome {
  Answered,  // done; a read's value is in the request
  Refused,   // a port or register the driver does not serve
  BadValue,  // a byte write of more than a byte
};

class PortGate {
 public:
  // Answers one of the four port requests (`code`, from wire.h) through
  // `backend`, which offers:
  //   uint8_t ReadByte(uint16_t port)             a Super I/O port
  //   void WriteByte(uint16_t port, uint8_t v)    a Super I/O port
  //   uint32_t ReadPciConfig(uint32_t address, uint32_t offset, uint32_t bytes)
  //       `bytes` (1 or 4) from byte `offset` of the dword that `address`
  //       (as written to 0xCF8, enable bit set) selects; all ones where
  //       nothing answers
  // Nothing reaches the back end for a request that is not Answered.
  template <typename Backend>
  PortOutcome Answer(Backend& backend, uint32_t code, PortRequest& request) {
    const bool dword = code == kReadDword || code == kWriteDword;
    const bool read = code == kReadByte || code == kReadDword;
    if (!dword && !read && code != kWriteByte) return PortOutcome::Refused;
    if (!PortAllowed(dword ? PortWidth::Dword : PortWidth::Byte, read ? PortAccess::Read : PortAccess::Write,
                     request.port))
      return PortOutcome::Refused;
    const auto port = static_cast<uint16_t>(request.port);
    if (port == kPciAddressPort) {
      if (read) request.value = pciAddress_;
      else pciAddress_ = request.value;
      return PortOutcome::Answered;
    }
    if (port >= kPciDataPort && port <= kPciDataPort + 3) {
      request.value = PciRead(backend, port - kPciDataPort, dword ? 4u : 1u);
      return PortOutcome::Answered;
    }
    if (read) {
      request.value = backend.ReadByte(port);
      return PortOutcome::Answered;
    }
    if (request.value > 0xFF) return PortOutcome::BadValue;
    return WriteSuperIo(backend, port, static_cast<uint8_t>(request.value));
  }

  // The address this handle last wrote to 0xCF8.
  uint32_t PciAddress() const { return pciAddress_; }

 private:
  static int Pair(uint16_t port) { return port >= 0x4E ? 1 : 0; }

  template <typename Backend>
  uint32_t PciRead(Backend& backend, uint32_t offset, uint32_t bytes) {
    const uint32_t mask = bytes == 4 ? 0xFFFFFFFFu : 0xFFu;
    // With the enable bit clear the machine answers no configuration cycle.
    if (!(pciAddress_ & kPciEnable)) return mask;
    return backend.ReadPciConfig(pciAddress_, offset, bytes) & mask;
  }

  template <typename Backend>
  PortOutcome WriteSuperIo(Backend& backend, uint16_t port, uint8_t value) {
    const int pair = Pair(port);
    const bool indexPort = (port & 1) == 0;
    if (indexPort) {
      index_[pair] = value;
      indexWritten_[pair] = true;
      backend.WriteByte(port, value);
      return PortOutcome::Answered;
    }
    if (!indexWritten_[pair] || !SuperIoRegisterWriteAllowed(index_[pair], value)) return PortOutcome::Refused;
    backend.WriteByte(static_cast<uint16_t>(port - 1), index_[pair]);
    backend.WriteByte(port, value);
    return PortOutcome::Answered;
  }

  uint32_t pciAddress_ = 0;
  uint8_t index_[2] = {0, 0};  // 0x2E, 0x4E
  bool indexWritten_[2] = {false, false};
};

}  // namespace drivora::portio
