// Setup.ini bytes through the wizard's whole start-up on a simulated board:
// the WinVer choice, the profile and LANG sections, the PCI scan with the
// Super I/O tokens, the BIOS pass, the sound card, the ordering and the fixed
// entries; then, for every entry, the command list its value names in the
// Execute sections, cut into commands and resolved. Whatever the file, start-up
// must finish with a catalogue the dialog can show.
//
// Input: the file itself; its last byte picks the Windows the start runs on.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/byte_strings.h"
#include "app/ini_file.h"
#include "app/program_texts.h"
#include "app/startup.h"
#include "detect/hardware.h"
#include "fuzz_check.h"
#include "runner/command_path.h"
#include "runner/command_text.h"
#include "runner/install_worker.h"
#include "sim/board.h"
#include "sim/board_hardware.h"
#include "sim/board_parser.h"
#include "sim/simulated_system.h"
#include "sim/windows_version.h"

namespace {

using namespace drivora;

// A board with something for every pass: PCI functions, a Winbond chip at
// 0x2E, a Fintek chip with its infrared receiver at 0x4E, an identification
// text with tags, and a sound device key.
constexpr std::string_view kBoard =
    "[PCI]\n"
    "00:00.0=8086:2E30 1458:5000 03\n"
    "00:1B.0=8086:27D8 1458:A002 01\n"
    "00:1F.0=8086:27B8 1458:5001 01\n"
    "80:00.0=10DE:0611 10DE:0000 A2\n"
    "[SuperIO.2E]\nEntry=87 87\nExit=AA\nRegisters=20:52 21:41\n"
    "[SuperIO.4E]\nEntry=87 87\nExit=AA\nRegisters=20:05 21:41 23:19 24:34\nDevice.8=30:01\n"
    "[Firmware]\nId=DRV-G41M V1.2 03-15-2011\nTags=G41M,ALC888,\n"
    "[Enum]\nKey=PCI\\VEN_8086&DEV_27D8&SUBSYS_A0021458&REV_01\\3&11583659&0&D8\n";

constexpr std::string_view kWindows[] = {"98", "xp", "7-x64", "10", "2003-x64", "nt4"};

const sim::Board& Board() {
  static const sim::Board* const board = [] {
    auto* parsed = new sim::Board;
    sim::BoardParseError error{};
    FUZZ_CHECK(sim::ParseBoard(kBoard.data(), kBoard.size(), *parsed, nullptr, nullptr, error));
    return parsed;
  }();
  return *board;
}

// The disc: the wizard in D:\DISC and the file beside it.
class DiscFiles final : public ProgramFiles {
 public:
  explicit DiscFiles(std::string_view ini) : ini_(ini) {}
  std::string ModuleFileName() const override { return "D:\\DISC\\SETUP.EXE"; }
  std::string ShortPathName(const std::string&) const override { return "D:\\DISC\\SETUP.EXE"; }
  bool FileExists(const std::string& path) const override { return path == "D:\\DISC\\SETUP.INI"; }
  std::unique_ptr<ConfigFile> OpenConfigFile(const std::string& path) const override {
    if (!FileExists(path)) return nullptr;
    return std::make_unique<IniConfigFile>(IniDocument::Parse(ini_));
  }

 private:
  std::string_view ini_;
};

void CheckCatalogue(const AppState& app) {
  const auto& entries = app.Catalogue.Entries;
  FUZZ_CHECK(entries.size() <= kMaxEntries);
  std::set<std::string> names;
  for (const InstallEntry& entry : entries) {
    FUZZ_CHECK(!entry.key.empty() && !entry.value.empty());
    FUZZ_CHECK(names.insert(ToUpperAscii(GetEntryName(entry.key))).second);
  }
  FUZZ_CHECK(app.OsProfile.size() < kProfileBytes && app.OsProfile.ends_with('.'));
  FUZZ_CHECK(app.DescriptionText.size() < kDescriptionBytes);
  FUZZ_CHECK(app.IniPath == "D:\\DISC\\SETUP.INI");
}

// What a worker would make of each entry's commands.
void CheckCommands(const AppState& app) {
  const std::string folder = WizardFolder("D:\\DISC\\SETUP.EXE");
  for (const InstallEntry& entry : app.Catalogue.Entries) {
    const std::string list = ReadCommandList(app, entry.value);
    for (std::string_view command : SplitCommandList(list)) {
      const auto resolved = ResolveCommandPath(TrimSpaces(command), folder);
      if (!resolved) continue;
      FUZZ_CHECK(resolved->size() < kResolvedPathBytes);
      if (IsProgramPath(*resolved)) {
        if (const auto line = ProgramCommandLine(*resolved, *app.Sys.Files)) FUZZ_CHECK(line->size() <= resolved->size() + 2);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view ini(reinterpret_cast<const char*>(data), size);
  const std::string_view windowsName = kWindows[size ? data[size - 1] % std::size(kWindows) : 0];
  const auto windows = ParseWindowsVersion(windowsName);
  FUZZ_CHECK(windows.has_value());

  SimulatedOs os(*windows, kLanguageEnglish);
  DiscFiles files(ini);
  MemoryRegistry registry;
  RecordedMessageBoxes boxes;
  BuiltinStringTable strings;
  auto board = std::make_unique<sim::Board>(Board());
  for (int i = 0; i < board->enumKeyCount; ++i) registry.CreateKey(std::string("Enum\\") + board->enumKeys[i]);
  SimulatedBoardHardware hardware(*board);
  NoHardwareLocks locks;

  AppState app;
  app.Sys = {&os, &files, &registry, &boxes, &strings};
  app.Sys.Io = &hardware;
  app.Sys.Locks = &locks;
  FUZZ_CHECK(InitApplication(app));
  FUZZ_CHECK(boxes.Shown().empty());
  FUZZ_CHECK(hardware.OpenMappings() == 0);
  CheckCatalogue(app);
  CheckCommands(app);
  return 0;
}
