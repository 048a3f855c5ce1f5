// What the disc author's tool watches while start-up builds the catalogue.
// The wizard itself has no observer; every call is a notification only.
#pragma once

#include <string_view>

namespace drivora {

class CatalogueObserver {
 public:
  virtual ~CatalogueObserver() = default;
  // A profile section was read to add (or, for removal, take out) entries.
  virtual void SectionApplied(std::string_view section, bool removal) = 0;
  virtual void EntryAdded(std::string_view section, std::string_view key, std::string_view value) = 0;
  // A line whose entry name the catalogue refused (taken already, or full).
  virtual void EntryRefused(std::string_view section, std::string_view key) = 0;
  virtual void EntryRemoved(std::string_view section, std::string_view key) = 0;
  // Super I/O tokens found for one PCI function by the first key pass, then
  // by the second (null or 0 where none).
  virtual void DeviceTokens(const char* chip, const char* ias, unsigned fintek2E, unsigned fintek4E) = 0;
  virtual void CirTokens(const char* cir2E, const char* cir4E) = 0;
  // The BIOS model before and after date stripping, and each firmware tag.
  virtual void BiosModel(std::string_view identification, std::string_view model) = 0;
  virtual void FirmwareTag(std::string_view tag) = 0;
};

}  // namespace drivora
