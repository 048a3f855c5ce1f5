// The seams between the platform-free core and the system it runs on. Setup.exe
// answers them with Win32; the drivora tool and the tests answer them with
// simulations. Each interface holds only what the program actually asks.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace drivora {

// An opaque window handle; the core only passes it through to the platform.
using WindowHandle = void*;

// The basic version record (OSVERSIONINFOA without its texts).
struct OsVersionInfo {
  std::uint32_t PlatformId = 0;
  std::uint32_t MajorVersion = 0;
  std::uint32_t MinorVersion = 0;
  std::uint32_t BuildNumber = 0;
};

// Product types of the extended version record.
enum : std::uint8_t { kProductWorkstation = 1, kProductDomainController = 2, kProductServer = 3 };

class OsFacts {
 public:
  virtual ~OsFacts() = default;
  // GetVersionExA with the basic record; false when the call fails.
  virtual bool GetVersion(OsVersionInfo& out) const = 0;
  // GetVersionExA with the extended record: its return value, and the product
  // type it reported. Only a result of exactly 1 makes the type count.
  virtual int GetProductType(std::uint8_t& productType) const = 0;
  // True only when IsWow64Process exists, succeeds and says WOW64.
  virtual bool IsWow64() const = 0;
  virtual std::uint16_t DefaultLanguageId() const = 0;
  // The system's text for an error code, if it has one.
  virtual std::optional<std::string> SystemErrorText(std::uint32_t code) const = 0;
  // The folder Windows itself lives in (where explorer.exe is); empty when it
  // cannot be read whole.
  virtual std::string WindowsFolder() const = 0;
};

// The program's own files: where it lives, and its configuration file.
class ConfigFile;
class ProgramFiles {
 public:
  virtual ~ProgramFiles() = default;
  virtual std::string ModuleFileName() const = 0;
  // Empty when the short form cannot be made.
  virtual std::string ShortPathName(const std::string& path) const = 0;
  virtual bool FileExists(const std::string& path) const = 0;
  virtual std::unique_ptr<ConfigFile> OpenConfigFile(const std::string& path) const = 0;
};

// Reading the configuration file, with the private-profile reader's semantics.
class ConfigFile {
 public:
  virtual ~ConfigFile() = default;
  // The bytes the section reader leaves in a buffer of `bufferBytes`, up to the
  // count it returns: lines each ended by a zero byte.
  virtual std::string ReadSection(const std::string& section, std::uint32_t bufferBytes) const = 0;
  // One value, default empty, as it comes back in a buffer of `bufferBytes`.
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 std::uint32_t bufferBytes) const = 0;
};

// Open reads; Write is what setting values and making subkeys needs;
// SetValue is the one right that setting or deleting a value needs.
enum class RegistryAccess { Open, Write, SetValue };

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual bool SetString(const std::string& name, const std::string& data) = 0;
  // True when the value existed and was removed.
  virtual bool DeleteValue(const std::string& name) = 0;
  virtual bool DeleteSubKey(const std::string& name) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // A key below HKEY_LOCAL_MACHINE, or null when it cannot be opened.
  virtual std::unique_ptr<RegistryKey> OpenLocalMachineKey(const std::string& path, RegistryAccess access) = 0;
};

// Message box styles and answers the program uses.
enum : std::uint32_t {
  kBoxOk = 0x0,
  kBoxYesNo = 0x4,
  kBoxIconError = 0x10,
  kBoxIconQuestion = 0x20,
  kBoxIconInformation = 0x40,
  kBoxSetForeground = 0x10000,
};
enum : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual int Show(WindowHandle owner, const std::string& text, const std::string& caption, std::uint32_t style) = 0;
};

// The program's string table.
class StringTable {
 public:
  virtual ~StringTable() = default;
  // LoadStringA semantics: at most capacity - 1 characters; nullopt when the id is missing.
  virtual std::optional<std::string> Load(unsigned id, std::size_t capacity) const = 0;
};

class Hardware;
class HardwareLocks;

// The I/O driver that opens ports and physical memory to the program on the
// NT platform, installed as a service only while detection runs.
class PortIoService {
 public:
  virtual ~PortIoService() = default;
  // Makes sure the driver runs and opens its device; false when it cannot.
  virtual bool Open() = 0;
  // Closes the device and stops and deletes the service.
  virtual void Remove() = 0;
};

// Everything the core may ask of the system, chosen once at start-up.
struct Platform {
  OsFacts* Os = nullptr;
  ProgramFiles* Files = nullptr;
  Registry* Reg = nullptr;
  MessageBoxes* Boxes = nullptr;
  StringTable* Strings = nullptr;
  // Ports and physical memory; null where no board can be reached.
  Hardware* Io = nullptr;
  HardwareLocks* Locks = nullptr;
  // The I/O driver on the NT platform; null where the board is simulated.
  PortIoService* Driver = nullptr;
};

}  // namespace drivora
