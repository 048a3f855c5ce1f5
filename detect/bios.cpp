#include "detect/bios.h"

#include <algorithm>
#include <cstring>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/os_class.h"
#include "app/sections.h"
#include "detect/hardware.h"

namespace drivora {
namespace {

constexpr std::string_view kMarker = "DRIVORA ";
constexpr std::size_t kSectionFieldBytes = 512;
constexpr std::string_view kUninstallSuffix = ".Uninstall";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsDateAt(std::string_view text, std::size_t p) {
  for (std::size_t i = 0; i < 10; ++i) {
    const char c = text[p + i];
    const bool ok = (i == 2 || i == 5) ? (c == '-' || c == '.') : IsDigit(c);
    if (!ok) return false;
  }
  return true;
}

// The text up to a zero byte or a blank, not beyond the end of the image.
std::string_view TagAt(const std::uint8_t* image, std::size_t size, std::size_t start) {
  std::size_t end = start;
  while (end < size && image[end] != 0 && image[end] != ' ') ++end;
  return std::string_view(reinterpret_cast<const char*>(image) + start, end - start);
}

void AppendField(std::string& record, std::string_view field) {
  // One byte stays for the terminating zero of the 1024-byte record.
  if (record.size() + field.size() + 1 > kBiosRecordBytes - 1) return;
  record += field;
  record += kFieldSeparator;
}

}  // namespace

std::vector<std::uint8_t> ReadFirmwareImage(AppState& app) {
  std::vector<std::uint8_t> image(kFirmwareSize, 0);
  if (!IsNtFamily(app.OsClass)) {
    app.Sys.Io->ReadFirmwareDirectly(image.data(), kFirmwareSize);
    return image;
  }
  for (std::uint32_t offset = 0; offset < kFirmwareSize; offset += 4) {
    std::uint32_t word = 0;
    if (ReadPhysicalDword(*app.Sys.Io, kFirmwareStart + offset, word)) std::memcpy(&image[offset], &word, 4);
  }
  return image;
}

std::string BuildBiosRecord(const std::uint8_t* image, std::size_t size) {
  std::string record;
  if (size > kFirmwareIdOffset) {
    const auto* text = reinterpret_cast<const char*>(image) + kFirmwareIdOffset;
    const std::size_t room = size - kFirmwareIdOffset;
    const std::string_view identification(text, strnlen(text, room));
    // The identification is cut so that its separator still fits.
    record.assign(identification.substr(0, kBiosRecordBytes - 2));
  }
  record += kFieldSeparator;
  const auto* begin = image;
  const auto* end = image + size;
  const auto* p = std::find(begin, end, static_cast<std::uint8_t>(kMarker[0]));
  while (p != end) {
    std::size_t matched = 1;
    while (matched < kMarker.size() && p + matched < end && p[matched] == kMarker[matched]) ++matched;
    if (matched < kMarker.size()) {
      // Resume at the byte that broke the match: it may start a marker itself.
      p = std::find(p + matched, end, static_cast<std::uint8_t>(kMarker[0]));
      continue;
    }
    const std::size_t tagStart = static_cast<std::size_t>(p - begin) + kMarker.size();
    const std::string_view tag = TagAt(image, size, tagStart);
    AppendField(record, tag);
    p = std::find(begin + tagStart + tag.size(), end, static_cast<std::uint8_t>(kMarker[0]));
  }
  return record;
}

std::string ReadBiosInfo(AppState& app) {
  const std::vector<std::uint8_t> image = ReadFirmwareImage(app);
  return BuildBiosRecord(image.data(), image.size());
}

std::string StripBiosDate(std::string_view text) {
  if (text.size() < 11) return std::string(text);
  for (std::size_t p = text.size() - 10; p >= 1; --p) {
    if (!IsDateAt(text, p)) continue;
    std::size_t end = p;
    while (end > 0 && text[end - 1] == ' ') --end;
    std::string_view left = text.substr(0, end);
    const std::size_t lastSpace = left.rfind(' ');
    if (lastSpace != std::string_view::npos) left = left.substr(0, lastSpace);
    return std::string(left);
  }
  return std::string(text);
}

void ApplyBiosSections(AppState& app) {
  const std::string record = ReadBiosInfo(app);
  auto fields = SplitAt(record, kFieldSeparator);
  fields.pop_back();  // the text after the last separator is no field
  const std::string identification(FitBuffer(fields.front(), kSectionFieldBytes));
  const std::string model = StripBiosDate(identification);
  if (app.Observer) app.Observer->BiosModel(identification, model);
  AddSectionEntries(app, model);
  // A model too long for its ".Uninstall" name has no such section to apply.
  if (model.size() + kUninstallSuffix.size() < kSectionFieldBytes) RemoveSectionEntries(app, model + std::string(kUninstallSuffix));
  for (std::size_t i = 1; i < fields.size(); ++i) {
    if (app.Observer) app.Observer->FirmwareTag(fields[i]);
    AddSectionEntries(app, FitBuffer(fields[i], kSectionFieldBytes));
  }
}

}  // namespace drivora
