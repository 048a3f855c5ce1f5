// ninex_probe: executes every port instruction form the 9x harness answers,
// and reads the firmware area, printing what came back; started through
// ninex_launch with the harness on a demo board. "word" executes a 16-bit
// form, which the harness must refuse. Test-only.
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

void OutByteDx(std::uint16_t port, std::uint8_t value) { __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "d"(port)); }

std::uint8_t InByteDx(std::uint16_t port) {
  std::uint32_t value = 0xA5A5A500u;  // the upper part must survive a byte read
  __asm__ __volatile__("inb %w1, %b0" : "+a"(value) : "d"(port));
  return (value >> 8) == 0xA5A5A5u ? static_cast<std::uint8_t>(value) : 0;
}

void OutByte2E(std::uint8_t value) { __asm__ __volatile__("outb %b0, $0x2E" : : "a"(value)); }

std::uint8_t InByte2F() {
  std::uint8_t value;
  __asm__ __volatile__("inb $0x2F, %b0" : "=a"(value));
  return value;
}

void OutDwordDx(std::uint16_t port, std::uint32_t value) { __asm__ __volatile__("outl %k0, %w1" : : "a"(value), "d"(port)); }

std::uint32_t InDwordDx(std::uint16_t port) {
  std::uint32_t value;
  __asm__ __volatile__("inl %w1, %k0" : "=a"(value) : "d"(port));
  return value;
}

void OutDword80(std::uint32_t value) { __asm__ __volatile__("outl %k0, $0x80" : : "a"(value)); }

std::uint32_t InDword80() {
  std::uint32_t value;
  __asm__ __volatile__("inl $0x80, %k0" : "=a"(value));
  return value;
}

int Forms() {
  // The Super I/O chip at 0x2E: key 87 87 through dx and the immediate form.
  OutByteDx(0x2E, 0x87);
  OutByte2E(0x87);
  OutByte2E(0x20);
  std::printf("chip-id %02X\n", InByte2F());
  OutByteDx(0x2E, 0x21);
  std::printf("chip-revision %02X\n", InByteDx(0x2F));
  OutByteDx(0x2E, 0xAA);
  std::printf("after-exit %02X\n", InByteDx(0x2F));
  // PCI 00:00.0 through the address and data ports.
  OutDwordDx(0xCF8, 0x80000000u);
  std::printf("pci-address %08X\n", InDwordDx(0xCF8));
  std::printf("pci-id %08X\n", InDwordDx(0xCFC));
  OutDword80(0x12345678u);
  std::printf("port-80 %08X\n", InDword80());
  // The firmware area, straight out of memory as the wizard reads it.
  const auto* firmware = reinterpret_cast<const volatile char*>(static_cast<std::uintptr_t>(0xF0000));
  char id[64] = {};
  for (int i = 0; i < 63 && firmware[0xE0C1 + i]; ++i) id[i] = firmware[0xE0C1 + i];
  std::printf("firmware-id %s\n", id);
  return 0;
}

int Word() {
  std::uint16_t value;
  __asm__ __volatile__("inw %w1, %w0" : "=a"(value) : "d"(static_cast<std::uint16_t>(0xCFC)));
  std::printf("word %04X\n", value);  // never reached: the harness refuses it
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 2 && std::strcmp(argv[1], "forms") == 0) return Forms();
  if (argc == 2 && std::strcmp(argv[1], "word") == 0) return Word();
  std::fprintf(stderr, "usage: ninex_probe forms|word\n");
  return 2;
}
