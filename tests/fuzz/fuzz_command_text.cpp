// The text of one command on its way to a process: the list cut at ";", the
// blanks trimmed, the path resolved below the wizard's folder, and the command
// line built for the program or for Explorer. The property: splitting the
// command line with the Windows argument rules gives back the program's path
// and the arguments the disc wrote after it.
//
// Input: the wizard's folder, a zero byte, then the command list.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "app/platform.h"
#include "runner/command_path.h"
#include "runner/command_text.h"

namespace {

using namespace drivora;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Where a command names several possible programs, the file that exists
// decides: the two extremes are no file at all and every file.
class DiscFiles final : public ProgramFiles {
 public:
  explicit DiscFiles(bool everyFileExists) : everyFileExists_(everyFileExists) {}
  std::string ModuleFileName() const override { return "D:\\DISC\\SETUP.EXE"; }
  std::string ShortPathName(const std::string&) const override { return {}; }
  bool FileExists(const std::string&) const override { return everyFileExists_; }
  std::unique_ptr<ConfigFile> OpenConfigFile(const std::string&) const override { return nullptr; }

 private:
  bool everyFileExists_;
};

// The program a command line starts: what CreateProcess, and a program's own
// start-up code, take for argv[0]. A quoted name ends at the next quote, with
// no escapes; any other at the first blank or tab.
std::string_view ProgramToken(std::string_view line, std::size_t& end) {
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    end = close == std::string_view::npos ? line.size() : close + 1;
    return line.substr(1, (close == std::string_view::npos ? line.size() : close) - 1);
  }
  std::size_t i = 0;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  end = i;
  return line.substr(0, i);
}

// The arguments after argv[0], by the rules of CommandLineToArgvW and of the
// C runtime: blanks separate, quotes group, 2n backslashes before a quote are
// n backslashes and the quote is special, 2n+1 give n and a literal quote.
std::vector<std::string> Arguments(std::string_view rest) {
  std::vector<std::string> args;
  std::size_t i = 0;
  for (;;) {
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    if (i == rest.size()) return args;
    std::string arg;
    bool quoted = false;
    while (i < rest.size() && (quoted || !IsBlank(rest[i]))) {
      std::size_t backslashes = 0;
      while (i < rest.size() && rest[i] == '\\') ++backslashes, ++i;
      if (i < rest.size() && rest[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2) {
          arg += '"';
        } else if (quoted && i + 1 < rest.size() && rest[i + 1] == '"') {
          arg += '"';  // a doubled quote inside quotes is one quote
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < rest.size() && (quoted || !IsBlank(rest[i]))) arg += rest[i++];
      }
    }
    args.push_back(std::move(arg));
  }
}

void CheckProgram(std::string_view resolved, const ProgramFiles& files) {
  const std::string_view name = ProgramName(resolved, files);
  const std::optional<std::string> line = ProgramCommandLine(resolved, files);
  if (!line) {
    FUZZ_CHECK(name.find('"') != std::string_view::npos);  // only a name no file can have is refused
    return;
  }
  std::size_t end = 0;
  FUZZ_CHECK(ProgramToken(*line, end) == name);
  FUZZ_CHECK(std::string_view(*line).substr(end) == resolved.substr(name.size()));
  FUZZ_CHECK(Arguments(std::string_view(*line).substr(end)) == Arguments(resolved.substr(name.size())));
}

void CheckDocument(std::string_view resolved) {
  const std::optional<std::string> explorer = ExplorerProgramPath("C:\\WINDOWS");
  FUZZ_CHECK(explorer == "C:\\WINDOWS\\explorer.exe");
  const std::optional<std::string> line = ExplorerCommandLine(*explorer, resolved);
  if (!line) {
    FUZZ_CHECK(resolved.find('"') != std::string_view::npos);
    return;
  }
  std::size_t end = 0;
  FUZZ_CHECK(ProgramToken(*line, end) == *explorer);
  // Explorer gets the path whole, as one quoted piece.
  FUZZ_CHECK(std::string_view(*line).substr(end) == " \"" + std::string(resolved) + "\"");
}

void CheckCommand(std::string_view command, std::string_view wizardFolder) {
  const std::string_view trimmed = TrimSpaces(command);
  FUZZ_CHECK(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));
  const std::optional<std::string> resolved = ResolveCommandPath(trimmed, wizardFolder);
  if (!resolved) return;
  FUZZ_CHECK(resolved->size() < kResolvedPathBytes);
  // A drive path stays itself; anything else lies below the wizard's folder.
  if (trimmed.find(":\\") == 1) FUZZ_CHECK(*resolved == trimmed);
  else FUZZ_CHECK(resolved->starts_with(wizardFolder));
  if (const auto folder = CommandFolder(*resolved)) FUZZ_CHECK(resolved->starts_with(*folder));
  if (IsProgramPath(*resolved)) {
    CheckProgram(*resolved, DiscFiles(false));
    CheckProgram(*resolved, DiscFiles(true));
  } else {
    CheckDocument(*resolved);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t zero = input.find('\0');
  const std::string_view modulePath = zero == std::string_view::npos ? "D:\\DISC\\SETUP.EXE" : input.substr(0, zero);
  const std::string_view list = zero == std::string_view::npos ? input : input.substr(zero + 1);
  const std::string wizardFolder = WizardFolder(modulePath);
  const auto commands = SplitCommandList(list);
  FUZZ_CHECK(!commands.empty() && commands.size() <= kMaxCommands);
  for (std::string_view command : commands) CheckCommand(command, wizardFolder);
  return 0;
}
