// Writes the checksum into the header of a PE image: Windows refuses a kernel
// driver whose checksum does not match, and GNU ld leaves the field zero.
// Built for the build machine and run on each driver file after linking.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::uint32_t ReadLe32(const std::vector<unsigned char>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pe_checksum IMAGE\n");
    return 2;
  }
  std::vector<unsigned char> image;
  {
    std::ifstream in(argv[1], std::ios::binary);
    image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') {
    std::fprintf(stderr, "pe_checksum: %s is not a PE image\n", argv[1]);
    return 1;
  }
  const std::size_t header = ReadLe32(image, 0x3C);
  // The signature, the file header (20 bytes), then the optional header,
  // whose checksum sits at offset 64 in both the 32- and the 64-bit form.
  const std::size_t field = header + 4 + 20 + 64;
  if (field + 4 > image.size() || ReadLe32(image, header) != 0x00004550) {
    std::fprintf(stderr, "pe_checksum: %s has no PE header\n", argv[1]);
    return 1;
  }
  for (std::size_t i = 0; i < 4; ++i) image[field + i] = 0;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < image.size(); i += 2) {
    const std::uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  const auto checksum = static_cast<std::uint32_t>(sum + image.size());
  for (std::size_t i = 0; i < 4; ++i) image[field + i] = static_cast<unsigned char>(checksum >> (8 * i));
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return out ? 0 : 1;
}
