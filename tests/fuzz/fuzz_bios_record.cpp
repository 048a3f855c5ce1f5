// The BIOS record over arbitrary 64 KiB firmware images, compared with a
// plain reading of what the record must hold: the identification text at
// 0xE0C1 (cut to fit), then every tag in image order, each field followed by
// 0x01, a tag that would not fit left out, never more than 1023 characters.
//
// Input: an image of 65,536 bytes or more is used as it is (cut to 65,536).
// A shorter input is a layout byte and a payload: 0 puts the payload at the
// start of an empty image, 1 repeats it over the whole image, 2 puts it just
// below the identification text so that it reaches into it, 3 ends it at the
// end of the image.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "detect/bios.h"

namespace {

constexpr std::size_t kImageSize = drivora::kFirmwareSize;
constexpr std::size_t kIdOffset = 0xE0C1;
constexpr std::size_t kRecordMax = drivora::kBiosRecordBytes - 1;  // characters before the zero
constexpr std::string_view kMarker = "DRIVORA ";

// The harness's own loops over the image carry no coverage: they would only
// slow the run down, and their branches say nothing about the code under test.
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))

NO_COVERAGE void Fill(std::vector<std::uint8_t>& image, const std::uint8_t* data, std::size_t size) {
  if (size >= kImageSize) {
    std::memcpy(image.data(), data, kImageSize);
    return;
  }
  std::memset(image.data(), 0, kImageSize);
  if (size < 2) return;
  const std::uint8_t* payload = data + 1;
  const std::size_t n = size - 1;
  switch (data[0] % 4) {
    case 0: std::memcpy(image.data(), payload, n); break;
    case 1:
      for (std::size_t at = 0; at < kImageSize; at += n) std::memcpy(image.data() + at, payload, std::min(n, kImageSize - at));
      break;
    case 2: {
      const std::size_t at = kIdOffset - 32;
      std::memcpy(image.data() + at, payload, std::min(n, kImageSize - at));
      break;
    }
    default: std::memcpy(image.data() + kImageSize - n, payload, n); break;
  }
}

// The record as the marker search must find it, by the most direct reading:
// a marker at every position, a tag up to a zero or a blank, the search going
// on after the tag.
NO_COVERAGE std::string Expected(const std::vector<std::uint8_t>& image) {
  const char* bytes = reinterpret_cast<const char*>(image.data());
  std::string_view id(bytes + kIdOffset, strnlen(bytes + kIdOffset, kImageSize - kIdOffset));
  std::string record(id.substr(0, kRecordMax - 1));
  record += '\x01';
  std::size_t i = 0;
  while (i + kMarker.size() <= kImageSize) {
    if (bytes[i] != kMarker[0] || std::string_view(bytes + i, kMarker.size()) != kMarker) {
      ++i;
      continue;
    }
    std::size_t end = i + kMarker.size();
    while (end < kImageSize && bytes[end] != '\0' && bytes[end] != ' ') ++end;
    const std::string_view tag(bytes + i + kMarker.size(), end - i - kMarker.size());
    if (record.size() + tag.size() + 1 <= kRecordMax) (record += tag) += '\x01';
    i = end;
  }
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::uint8_t> image(kImageSize);
  Fill(image, data, size);
  const std::string record = drivora::BuildBiosRecord(image.data(), image.size());
  FUZZ_CHECK(!record.empty() && record.size() <= kRecordMax);
  FUZZ_CHECK(record.back() == '\x01');
  // The first field is the start of the identification text.
  const char* id = reinterpret_cast<const char*>(image.data()) + kIdOffset;
  const std::size_t first = std::min(strnlen(id, kImageSize - kIdOffset), kRecordMax - 1);
  FUZZ_CHECK(record.compare(0, first, id, first) == 0 && record[first] == '\x01');
  FUZZ_CHECK(record == Expected(image));
  // The model is always a prefix of the identification it came from.
  const std::string model = drivora::StripBiosDate(std::string_view(record).substr(0, first));
  FUZZ_CHECK(record.compare(0, model.size(), model) == 0);
  return 0;
}
