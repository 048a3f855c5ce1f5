#include "tests/installers/installer_actions.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <functional>

#include "app/win32/handles.h"

namespace drivora::installers {
namespace {

using win32::UniqueFileHandle;
using win32::UniqueKernelHandle;
using win32::UniqueRegKey;

constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
  return std::string(folder, length < MAX_PATH ? length : 0);
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// Other programs may hold the file for a moment; the line must not be lost.
bool AppendLine(const std::string& file, const std::string& line) {
  const std::string text = line + "\n";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const UniqueFileHandle out(CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (out && WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return true;
    Sleep(20);
  }
  return false;
}

std::string Quoted(const std::string& word) { return "\"" + word + "\""; }

// Starts `program` with `words` and lets it run on its own.
bool StartDetached(const std::string& program, const Words& words) {
  std::string commandLine = Quoted(program);
  for (const std::string& word : words) commandLine += " " + Quoted(word);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return false;
  }
  const UniqueKernelHandle process(started.hProcess), thread(started.hThread);
  return true;
}

// marker OUT NAME: "NAME<TAB>working directory".
bool Marker(const Words& w) { return AppendLine(w.at(1), w.at(2) + "\t" + CurrentFolder()); }

// runonce OUT NAME: "NAME<TAB>runonce<TAB>value" for every value pending now.
bool ListRunOnce(const Words& w) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return AppendLine(w.at(1), w.at(2) + "\trunonce unreadable");
  }
  const UniqueRegKey key(opened);
  char name[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    AppendLine(w.at(1), w.at(2) + "\trunonce\t" + std::string(name, length));
  }
  return true;
}

// sleep MS [OUT NAME]: the marker, if asked for, when the time is up.
bool SleepThenMark(const Words& w) {
  Sleep(static_cast<DWORD>(std::stoul(w.at(1))));
  return w.size() < 4 || AppendLine(w.at(2), w.at(3) + "\t" + CurrentFolder());
}

// await FILE MS: holds until FILE exists, for at most MS; false if it never
// appears. A test releases an installer with it at the moment it chooses.
bool Await(const Words& w) {
  const DWORD limit = static_cast<DWORD>(std::stoul(w.at(2)));
  for (const DWORD start = GetTickCount(); GetTickCount() - start < limit; Sleep(50)) {
    if (GetFileAttributesA(w.at(1).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  }
  return false;
}

// spawn CHILD MS OUT NAME: CHILD from this program's folder sleeps MS, then marks.
bool Spawn(const Words& w) {
  return StartDetached(FolderOf(OwnPath()) + "\\" + w.at(1), {"sleep", w.at(2), w.at(3), w.at(4)});
}

// relocate COPYNAME MS OUT NAME: a copy in the temporary folder sleeps, then marks.
bool Relocate(const Words& w) {
  char temp[MAX_PATH] = {};
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  const std::string copy = std::string(temp, length) + w.at(1);
  if (!CopyFileA(OwnPath().c_str(), copy.c_str(), FALSE)) return false;
  return StartDetached(copy, {"sleep", w.at(2), w.at(3), w.at(4)});
}

}  // namespace

std::string OwnPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

bool RunAction(const Words& words) {
  static const std::map<std::string, std::function<bool(const Words&)>> actions{
      {"marker", Marker}, {"runonce", ListRunOnce}, {"sleep", SleepThenMark},
      {"spawn", Spawn},   {"relocate", Relocate},    {"await", Await},
  };
  if (words.empty()) return false;
  const auto action = actions.find(words.front());
  if (action == actions.end()) return false;
  try {
    return action->second(words);
  } catch (const std::exception&) {
    return false;  // missing words or a number that is none
  }
}

}  // namespace drivora::installers
