#include "sim/simulated_system.h"

#include <array>

#include "app/byte_strings.h"
#include "string_texts.h"

namespace drivora {

bool SimulatedOs::GetVersion(OsVersionInfo& out) const {
  out = windows_.version;
  return true;
}

int SimulatedOs::GetProductType(std::uint8_t& productType) const {
  if (!windows_.productType) return 0;
  productType = *windows_.productType;
  return 1;
}

std::optional<std::string> SimulatedOs::SystemErrorText(std::uint32_t code) const {
  switch (code) {
    case 5: return "Access is denied.\r\n";
    case 1060: return "The specified service does not exist as an installed service.\r\n";
    default: return std::nullopt;
  }
}

std::optional<std::string> BuiltinStringTable::Load(unsigned id, std::size_t capacity) const {
  static constexpr std::array<const char*, 24> kTexts{
      nullptr, nullptr, TEXT_2,  TEXT_3,  TEXT_4,  TEXT_5,  TEXT_6,  TEXT_7,  TEXT_8,  TEXT_9,  TEXT_10, TEXT_11,
      TEXT_12, TEXT_13, TEXT_14, TEXT_15, TEXT_16, TEXT_17, TEXT_18, TEXT_19, TEXT_20, TEXT_21, TEXT_22, TEXT_23};
  if (id >= kTexts.size() || !kTexts[id] || capacity == 0) return std::nullopt;
  return std::string(FitBuffer(kTexts[id], capacity));
}

namespace {

class MemoryRegistryKey final : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry& registry, std::string path, RegistryAccess access)
      : registry_(registry), path_(std::move(path)), writable_(access != RegistryAccess::Open) {}

  bool SetString(const std::string& name, const std::string& data) override {
    if (!writable_) return false;
    registry_.Keys()[path_].values[ToUpperAscii(name)] = data;
    return true;
  }
  bool DeleteValue(const std::string& name) override {
    return writable_ && registry_.Keys()[path_].values.erase(ToUpperAscii(name)) > 0;
  }
  bool DeleteSubKey(const std::string& name) override {
    // Like the NT registry: a key that still has subkeys stays.
    const std::string child = path_ + "\\" + ToUpperAscii(name);
    auto& keys = registry_.Keys();
    const auto it = keys.find(child);
    if (it == keys.end()) return false;
    const auto next = std::next(it);
    if (next != keys.end() && next->first.starts_with(child + "\\")) return false;
    keys.erase(it);
    return true;
  }

 private:
  MemoryRegistry& registry_;
  std::string path_;
  bool writable_;
};

}  // namespace

std::unique_ptr<RegistryKey> MemoryRegistry::OpenLocalMachineKey(const std::string& path, RegistryAccess access) {
  const std::string upper = ToUpperAscii(path);
  if (!keys_.contains(upper)) return nullptr;
  return std::make_unique<MemoryRegistryKey>(*this, upper, access);
}

void MemoryRegistry::CreateKey(const std::string& path) {
  // Parents exist wherever a child does, as in a real registry.
  const std::string upper = ToUpperAscii(path);
  for (std::size_t slash = upper.find('\\'); slash != std::string::npos; slash = upper.find('\\', slash + 1))
    keys_.try_emplace(upper.substr(0, slash));
  keys_.try_emplace(upper);
}

bool MemoryRegistry::HasKey(const std::string& path) const { return keys_.contains(ToUpperAscii(path)); }

int RecordedMessageBoxes::Show(WindowHandle, const std::string& text, const std::string& caption,
                               std::uint32_t style) {
  shown_.push_back({text, caption, style});
  return answer_;
}

}  // namespace drivora
