// drivora: the disc author's tool. It runs the wizard's own start-up code on a
// disc's Setup.ini without Windows, so that it cannot disagree with the wizard.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/ini_file.h"
#include "app/startup.h"
#include "app/text.h"
#include "sim/simulated_system.h"
#include "tools/drivora/command_line.h"

namespace {

using drivora::tool::Options;

int Fail(const std::string& message) {
  std::cerr << "drivora: " << message << "\n";
  return 2;
}

void PrintCatalogue(const drivora::AppState& app, const Options& options) {
  if (options.tsv) {
    for (const auto& entry : app.Catalogue.Entries) std::cout << entry.key << '\t' << entry.value << '\n';
    return;
  }
  std::cout << "Windows " << drivora::FormatWindowsSpec(options.windows) << ", language " << app.LanguageId
            << ", profile \"" << app.OsProfile << "\"\n";
  int row = 0;
  for (const auto& entry : app.Catalogue.Entries) {
    const std::string category = std::to_string(drivora::GetDisplayCategory(app, entry.key));
    std::printf("%3d  %-2s  %-40s  %s\n", ++row, category.c_str(), drivora::GetEntryName(entry.key).c_str(),
                entry.value.c_str());
  }
}

int Run(const Options& options) {
  auto config = drivora::IniConfigFile::Load(options.iniPath);
  if (!config) return Fail("cannot read " + options.iniPath);

  drivora::SimulatedOs os(options.windows, options.languageId);
  drivora::MemoryRegistry registry;
  drivora::RecordedMessageBoxes boxes;
  drivora::BuiltinStringTable strings;
  drivora::AppState app;
  app.Sys = {&os, nullptr, &registry, &boxes, &strings};
  app.Config = std::move(config);

  if (!drivora::IdentifyWindows(app)) return Fail("the Windows version could not be read");
  drivora::BuildCatalogue(app);
  if (options.command == "profile") std::cout << app.OsProfile << "\n";
  else PrintCatalogue(app, options);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = drivora::tool::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) return Fail(error);
  if (options->command == "help") {
    std::cout << drivora::tool::UsageText();
    return 0;
  }
  return Run(*options);
}
