// Reading the text lspci prints (-nn, -nnv, -nnvv, the hex dumps of -x, -xxx
// and -xxxx, or several of these at once) into the PCI functions of a board,
// with the fields the wizard reads: the dwords at 0x00 and 0x2C and the
// revision byte at 0x08. A hex dump gives them as bytes; the text gives the
// identification, the revision and, in an ordinary header, the subsystem. In
// a bridge's header the dword at 0x2C is the upper half of the prefetchable
// window's limit, which the text shows only through that window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/board.h"

namespace drivora::tool {

struct LspciMessage {
  int line = 0;  // 0: about the text as a whole
  std::string text;
};

struct LspciFunction {
  sim::PciFunction pci{};  // the location and the header as the wizard reads it
  int headerBytes = 0;     // what a hex dump gave (64 to 256 bytes); 0: the text alone
};

struct LspciImport {
  std::vector<LspciFunction> functions;  // PCI domain 0, in the order of the wizard's scan
  std::vector<LspciMessage> notes;       // what was left out, or taken where the text does not tell
};

// False, with `refusal` set, when the text holds no PCI function of domain 0
// or contradicts itself (a location given twice with different fields, a hex
// dump out of order or cut short).
bool ReadLspciText(std::string_view text, LspciImport& out, LspciMessage& refusal);

}  // namespace drivora::tool
