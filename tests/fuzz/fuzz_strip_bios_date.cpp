// The model taken from a BIOS identification text: StripBiosDate on arbitrary
// bytes. The result is always a prefix of the text, no longer; it differs
// from the text exactly when a date stands at position 1 or later, and then
// it ends before the rightmost date, cut at the last blank before it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "detect/bios.h"

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

bool DateAt(std::string_view text, std::size_t p) {
  if (p + 10 > text.size()) return false;
  for (std::size_t i = 0; i < 10; ++i) {
    const char c = text[p + i];
    if (i == 2 || i == 5 ? c != '-' && c != '.' : !Digit(c)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string model = drivora::StripBiosDate(text);
  FUZZ_CHECK(model.size() <= text.size());
  FUZZ_CHECK(text.substr(0, model.size()) == model);

  std::size_t date = std::string_view::npos;  // the rightmost date at 1 or later
  for (std::size_t p = 1; p + 10 <= text.size(); ++p)
    if (DateAt(text, p)) date = p;
  if (date == std::string_view::npos) {
    FUZZ_CHECK(model.size() == text.size());
    return 0;
  }
  FUZZ_CHECK(model.size() <= date && model.size() < text.size());
  // The blanks right before the date go, and the last word before them.
  std::size_t end = date;
  while (end > 0 && text[end - 1] == ' ') --end;
  FUZZ_CHECK(model.size() <= end);
  const std::string_view kept = text.substr(0, end);
  if (model.size() < end) {
    FUZZ_CHECK(text[model.size()] == ' ');
    FUZZ_CHECK(kept.find(' ', model.size() + 1) == std::string_view::npos);
  } else {
    FUZZ_CHECK(kept.find(' ') == std::string_view::npos);
  }
  return 0;
}
