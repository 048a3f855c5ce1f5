// A stand-in for a driver installer. With arguments it runs the one action
// they name; without, or with switches only ("-s", "/S", as installers take
// for a silent run), it runs the lines of the file beside it that has its
// name with ".ARG", one action a line, words separated by tabs. "exit CODE"
// ends it with that code.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/installers/installer_actions.h"

namespace {

using drivora::installers::Words;

Words SplitAt(const std::string& line, char separator) {
  Words words;
  std::istringstream in(line);
  for (std::string word; std::getline(in, word, separator);) words.push_back(word);
  return words;
}

std::string ActionFile() {
  const std::string own = drivora::installers::OwnPath();
  return own.substr(0, own.rfind('.')) + ".ARG";
}

// The exit code: that of an "exit" action, else 0 when every action worked.
int Run(const Words& words, bool& allWorked) {
  if (!words.empty() && words.front() == "exit" && words.size() == 2) return std::stoi(words[1]);
  allWorked = drivora::installers::RunAction(words) && allWorked;
  return -1;
}

int RunActionFile() {
  std::ifstream file(ActionFile());
  bool allWorked = true;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const int code = Run(SplitAt(line, '\t'), allWorked);
    if (code >= 0) return code;
  }
  return allWorked ? 0 : 2;
}

bool OnlySwitches(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] != '-' && argv[i][0] != '/') return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (OnlySwitches(argc, argv)) return RunActionFile();
  bool allWorked = true;
  const int code = Run(Words(argv + 1, argv + argc), allWorked);
  if (code >= 0) return code;
  return allWorked ? 0 : 2;
}
