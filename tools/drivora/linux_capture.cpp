#include "tools/drivora/linux_capture.h"

#include <sys/utsname.h>

#include <cstdio>
#include <fstream>

#include "portio/board_addresses.h"
#include "tools/drivora/board_capture.h"
#include "tools/drivora/superio_capture.h"

namespace drivora::tool {
namespace {

std::string FirstLine(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
  return line;
}

// "ASUSTeK COMPUTER INC. P8H61-M LX", as the firmware's DMI tables name the board.
std::string BoardName(const std::filesystem::path& dmi) {
  const std::string vendor = FirstLine(dmi / "board_vendor"), product = FirstLine(dmi / "board_name");
  const std::string name = vendor + (vendor.empty() || product.empty() ? "" : " ") + product;
  return name.empty() ? "Captured board" : name;
}

std::string KernelText() {
  utsname system{};
  if (::uname(&system) != 0) return "Linux";
  return std::string(system.sysname) + " " + system.release;
}

std::vector<std::string> Comments(const MachineCapture& capture, bool superIoProbed) {
  std::vector<std::string> comments = {"Captured by drivora board capture on " + KernelText() +
                                       ": PCI from sysfs, Super I/O through /dev/port, firmware from /dev/mem."};
  if (!superIoProbed) comments.push_back("The Super I/O chips could not be probed: this board has none.");
  comments.push_back(capture.firmwareRead ? "The firmware area 0xF0000-0xFFFFF is the image beside this file."
                                          : "The firmware area could not be read: this board's is all zeros.");
  comments.push_back("Windows's device keys cannot be known from Linux: this board has none.");
  return comments;
}

}  // namespace

bool CaptureLinuxMachine(const LinuxPaths& paths, MachineCapture& capture, std::string& error) {
  LinuxHardware hardware(paths, capture.notes);
  if (hardware.PciFunctionCount() == 0) {
    error = "no PCI function can be read under " + paths.pciDevices.string();
    return false;
  }
  sim::Board& board = *capture.board;
  NoHardwareLocks locks;
  // Linux reaches every bus, not only those the wizard scans: the file then
  // says what the board is, and board check marks what the wizard passes over.
  CapturePciFunctions(hardware, locks, kPciLastBus, board, capture.notes);
  if (hardware.PortsOpen()) CaptureSuperIoChips(SuperIoAccess{hardware, locks}, board);
  std::string problem;
  capture.firmwareRead = hardware.ReadFirmwareArea(board.firmware, kFirmwareSize, problem);
  if (!problem.empty()) capture.notes.push_back("firmware area: " + problem);
  capture.notes.push_back("device keys below HKEY_LOCAL_MACHINE\\Enum: Windows keeps them; Linux cannot know them");
  std::snprintf(board.name, sizeof board.name, "%s", BoardName(paths.dmi).c_str());
  capture.comments = Comments(capture, hardware.PortsOpen());
  return true;
}

bool CaptureThisMachine(MachineCapture& capture, std::string& error) { return CaptureLinuxMachine({}, capture, error); }

}  // namespace drivora::tool
