// The driver's request check (rules.h and the port state of a handle), as the
// driver compiles it, on any sequence of port requests from two handles. A
// model machine underneath checks what reaches it: a Super I/O data write only
// into the logical-device select or as the ITE exit, judged by the index the
// chip really has selected; a PCI configuration read only with the enable bit
// set and the address the asking handle wrote; never a write to PCI ports.
//
// Input: records of six bytes: which handle and which request (byte 0), the
// port (byte 1 picks a port the driver knows, or bytes 1-2 any port), the
// value (bytes 2-5).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "portio/port_gate.h"
#include "portio/rules.h"
#include "portio/wire.h"

namespace {

using namespace drivora::portio;
using drivora::kPciEnable;

// The ports at the back end, and what the chips have selected there.
struct ModelMachine {
  uint8_t selected[2] = {0, 0};  // the index last written to 0x2E and 0x4E
  uint32_t expectedAddress = 0;  // the address of the handle now asking

  uint8_t ReadByte(uint16_t port) {
    FUZZ_CHECK(port == 0x2E || port == 0x2F || port == 0x4E || port == 0x4F);
    return static_cast<uint8_t>(port * 7);
  }
  void WriteByte(uint16_t port, uint8_t value) {
    FUZZ_CHECK(port == 0x2E || port == 0x2F || port == 0x4E || port == 0x4F);
    const int pair = port >= 0x4E;
    if ((port & 1) == 0) selected[pair] = value;
    else FUZZ_CHECK(SuperIoRegisterWriteAllowed(selected[pair], value));
  }
  uint32_t ReadPciConfig(uint32_t address, uint32_t offset, uint32_t bytes) {
    FUZZ_CHECK(address & kPciEnable);
    FUZZ_CHECK(address == expectedAddress);
    FUZZ_CHECK((bytes == 4 && offset == 0) || (bytes == 1 && offset < 4));
    return 0x01020304u * (offset + 1);
  }
};

constexpr uint32_t kCodes[] = {kReadByte, kWriteByte, kReadDword, kWriteDword, 0x80102048u, 0};
constexpr uint16_t kKnownPorts[] = {0x2E, 0x2F, 0x4E, 0x4F, 0xCF8, 0xCFC, 0xCFD, 0xCFE, 0xCFF, 0xCF9, 0x2D, 0x50};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PortGate handles[2];
  ModelMachine machine;
  for (size_t at = 0; at + 6 <= size; at += 6) {
    const uint8_t* r = data + at;
    PortGate& gate = handles[r[0] & 1];
    const uint32_t code = kCodes[(r[0] >> 1) % 6];
    uint32_t value;
    std::memcpy(&value, r + 2, sizeof value);
    const uint32_t port = (r[0] & 0x80) ? (r[1] | (value & 0xFFFF0000u)) : kKnownPorts[r[1] % 12];
    if (r[0] & 0x40) value &= 0xFF;
    machine.expectedAddress = gate.PciAddress();

    PortRequest request{port, value};
    const PortOutcome outcome = gate.Answer(machine, code, request);
    if (outcome != PortOutcome::Answered) {
      FUZZ_CHECK(request.port == port && request.value == value);  // a refusal changes nothing
      continue;
    }
    const bool dword = code == kReadDword || code == kWriteDword;
    FUZZ_CHECK(code == kReadByte || code == kWriteByte || dword);
    FUZZ_CHECK(port <= 0xFFFF);
    if (code == kReadByte) FUZZ_CHECK(request.value <= 0xFF);
    if (code == kWriteByte) FUZZ_CHECK(value <= 0xFF);
    if (dword) FUZZ_CHECK(port == 0xCF8 || (code == kReadDword && port == 0xCFC));
    if (code == kWriteDword) FUZZ_CHECK(gate.PciAddress() == value);
    if (code == kReadDword && port == 0xCF8) FUZZ_CHECK(request.value == gate.PciAddress());
    const bool pciData = port >= 0xCFC && port <= 0xCFF;
    if (pciData && !(gate.PciAddress() & kPciEnable)) FUZZ_CHECK(request.value == (dword ? 0xFFFFFFFFu : 0xFFu));
  }
  return 0;
}
