// AppState: the one program-wide record. Everything else the program knows is
// derived from it, the configuration file, the resources or the registry.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/catalogue.h"
#include "app/catalogue_observer.h"
#include "app/platform.h"
#include "runner/install_queue.h"

namespace drivora {

// Buffer sizes the texts below are held to.
constexpr std::size_t kProfileBytes = 64;
constexpr std::size_t kPathBytes = 260;
constexpr std::size_t kDescriptionBytes = 1024;

constexpr std::uint32_t kInitialCaptionColour = 0x00FF5040;
constexpr std::uint32_t kInitialListColour = 0x0010E0FF;

struct AppState {
  Platform Sys;                        // the seams, chosen once at start-up
  std::unique_ptr<ConfigFile> Config;  // the opened configuration file (IniPath)
  CatalogueObserver* Observer = nullptr;  // only the disc author's tool watches

  void* InstanceHandle = nullptr;
  std::uint16_t LanguageId = 0;
  OsVersionInfo OsVersion;
  std::int32_t OsClass = -1;
  std::string OsProfile;        // profile name and its trailing "."
  std::string ModuleShortPath;  // upper case
  std::string IniPath;          // upper case
  std::string DescriptionText;

  InstallCatalogue Catalogue;
  std::int32_t SelectedIndex = 0;
  // Changed by install workers while the dialog reads it.
  std::atomic<std::int32_t> LaunchCount{0};
  // The activated entries that run or wait their turn.
  InstallQueue Installs;

  void* PortIoDevice = nullptr;
  bool InstanceFound = false;

  void* CaptionFont = nullptr;
  std::uint32_t CaptionColour = kInitialCaptionColour;
  std::uint32_t ListColour = kInitialListColour;
  void* CaptionBrush = nullptr;
};

}  // namespace drivora
