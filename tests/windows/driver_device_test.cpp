// The port I/O driver itself, under Wine: the test build of s12345.sys beside
// this program, installed as the service S12345 the way the wizard does it,
// answering from a demo board that HKLM\Software\Drivora\PortIoTest names.
// The service cycle and its leftovers, every request with good and bad
// buffers, what the driver refuses, the mappings of a handle, and one whole
// detection through the driver.
#include <windows.h>
#include <winsvc.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/startup.h"
#include "app/win32/dialogs_win32.h"
#include "app/win32/handles.h"
#include "app/win32/os_facts_win32.h"
#include "app/win32/program_files_win32.h"
#include "app/win32/registry_win32.h"
#include "detect/hardware.h"
#include "detect/superio.h"
#include "detect/win32/driver.h"
#include "detect/win32/hardware_locks_win32.h"
#include "detect/win32/otherfun.h"
#include "portio/wire.h"
#include "sim/board_hardware.h"
#include "sim/simulated_system.h"
#include "sim/windows_version.h"

namespace {

using namespace drivora;
using namespace drivora::portio;
using win32::UniqueFileHandle;
using win32::UniqueRegKey;
using win32::UniqueServiceHandle;

constexpr char kTestKey[] = "Software\\Drivora\\PortIoTest";

// Wine maps the Unix root to Z:, where the source tree is reached from Windows.
std::string WindowsPathOf(std::string_view unixPath) {
  std::string path = "Z:" + std::string(unixPath);
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string SourcePath(std::string_view relative) {
  return WindowsPathOf(std::string(DRIVORA_SOURCE_DIR) + "/" + std::string(relative));
}

std::string ModuleFileName() { return win32::Win32ProgramFiles().ModuleFileName(); }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names the board file the test driver reads when it starts. The key is the
// one a 64-bit driver sees too: a 32-bit program's view of HKLM\Software is
// elsewhere on 64-bit Windows.
void SetBoardFile(const std::string& path) {
  HKEY raw = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                            &raw, nullptr),
            0);
  const UniqueRegKey key(raw);
  ASSERT_EQ(RegSetValueExA(key.get(), "BoardFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size() + 1)),
            0);
}

void UseBoard(const char* board) { SetBoardFile(SourcePath(std::string("demo/boards/") + board)); }

// What the test driver says about its board when it would not start.
std::string BoardProblem() {
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw) != 0) return "(none)";
  const UniqueRegKey key(raw);
  char text[1024] = {};
  DWORD size = sizeof text - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), "BoardError", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != 0 ||
      type != REG_SZ)
    return "(none)";
  return text;
}

struct ServiceInfo {
  bool exists = false;
  DWORD state = 0;
  std::string binaryPath;
};

ServiceInfo QueryPortIoService() {
  ServiceInfo info;
  const UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  const UniqueServiceHandle service(
      manager ? OpenServiceA(manager.get(), portio::kServiceName, SERVICE_ALL_ACCESS) : nullptr);
  if (!service) return info;
  info.exists = true;
  SERVICE_STATUS status{};
  if (QueryServiceStatus(service.get(), &status)) info.state = status.dwCurrentState;
  std::vector<char> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed) && config->lpBinaryPathName)
    info.binaryPath = config->lpBinaryPathName;
  return info;
}

// A deleted service goes once its last handle is closed; Wine's service
// manager takes a moment over it.
bool WaitForServiceGone() {
  for (int i = 0; i < 200; ++i) {
    if (!QueryPortIoService().exists) return true;
    Sleep(25);
  }
  return false;
}

void RemoveAnyPortIoService() {
  win32::RemovePortIoDriver(nullptr);
  ASSERT_TRUE(WaitForServiceGone()) << "a service S12345 would not go away";
}

// Registers the service as an earlier run would have left it.
void RegisterService(const std::string& binaryPath, bool start) {
  const UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ASSERT_TRUE(manager);
  const UniqueServiceHandle service(CreateServiceA(
      manager.get(), portio::kServiceName, portio::kServiceName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
      SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(service) << GetLastError();
  if (start) ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
}

UniqueFileHandle OpenDeviceHandle() {
  return UniqueFileHandle(CreateFileA(portio::kDevicePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
}

std::string TempFolder(const char* name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\";
}

// The module file name the service functions build the driver path from.
class ModuleAt final : public ProgramFiles {
 public:
  explicit ModuleAt(std::string path) : path_(std::move(path)) {}
  std::string ModuleFileName() const override { return path_; }
  std::string ShortPathName(const std::string&) const override { return {}; }
  bool FileExists(const std::string&) const override { return false; }
  std::unique_ptr<ConfigFile> OpenConfigFile(const std::string&) const override { return nullptr; }

 private:
  std::string path_;
};

// The wizard's state with the Windows seams the driver functions read.
struct WindowsApp {
  WindowsApp() {
    app.Sys.Os = &os;
    app.Sys.Files = &files;
    app.Sys.Boxes = &boxes;
    IdentifyWindows(app);
  }
  win32::Win32OsFacts os;
  win32::Win32ProgramFiles files;
  RecordedMessageBoxes boxes;
  AppState app;
};

// One request as DeviceIoControl reports it.
struct Reply {
  bool ok;
  DWORD error;
  DWORD returned;
};

Reply Send(HANDLE device, DWORD code, const void* in, DWORD inBytes, void* out, DWORD outBytes) {
  DWORD returned = 0;
  SetLastError(0);
  const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inBytes, out, outBytes, &returned, nullptr);
  return {ok != FALSE, ok ? 0 : GetLastError(), ok ? returned : 0};
}

bool ViewIsMapped(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  return VirtualQuery(address, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT;
}

bool IsWine() { return GetProcAddress(GetModuleHandleA("ntdll"), "wine_get_version") != nullptr; }

// ---------------------------------------------------------------------------
// The service cycle, from whatever an earlier run left behind.

class DriverService : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBoard("g41-w83627.board");
    RemoveAnyPortIoService();
  }
  void TearDown() override { win32::RemovePortIoDriver(nullptr); }
};

TEST_F(DriverService, DriverLeftRunningByAnEarlierRunIsUsedAndStillRemoved) {
  // The earlier run ran from another folder; its driver still runs.
  WindowsApp w;
  const std::string here = PortIoDriverPath(ModuleFileName(), w.app.OsClass, w.os.IsWow64()).value_or("");
  ASSERT_FALSE(here.empty());
  const std::string earlier = TempFolder("drivora-earlier-run") + here.substr(here.rfind('\\') + 1);
  ASSERT_TRUE(CopyFileA(here.c_str(), earlier.c_str(), FALSE)) << here;
  RegisterService(earlier, true);

  void* device = nullptr;
  ASSERT_TRUE(win32::OpenPortIoDevice(w.app, device));
  const ServiceInfo during = QueryPortIoService();
  EXPECT_EQ(during.binaryPath, earlier) << "nothing was installed afresh";
  EXPECT_EQ(during.state, static_cast<DWORD>(SERVICE_RUNNING));
  PortRequest request{0xCF8, 0};
  EXPECT_TRUE(Send(device, kReadDword, &request, 8, &request, 8).ok);

  EXPECT_TRUE(win32::RemovePortIoDriver(device));
  EXPECT_TRUE(WaitForServiceGone()) << "the service is stopped and deleted at the end all the same";
  DeleteFileA(earlier.c_str());
}

TEST_F(DriverService, StoppedServiceLeftRegisteredIsReplacedFromThisFolder) {
  RegisterService("C:\\earlier-run\\s12345.sys", false);
  WindowsApp w;
  void* device = nullptr;
  ASSERT_TRUE(win32::OpenPortIoDevice(w.app, device)) << BoardProblem();
  const ServiceInfo during = QueryPortIoService();
  EXPECT_EQ(during.binaryPath, PortIoDriverPath(ModuleFileName(), w.app.OsClass, w.os.IsWow64()));
  EXPECT_EQ(during.state, static_cast<DWORD>(SERVICE_RUNNING));
  // The test runs say which of the four files this Wine prefix must load.
  if (const char* expected = std::getenv("DRIVORA_EXPECT_DRIVER_FILE"))
    EXPECT_EQ(during.binaryPath.substr(during.binaryPath.rfind('\\') + 1), expected);
  EXPECT_TRUE(win32::RemovePortIoDriver(device));
  EXPECT_TRUE(WaitForServiceGone());
}

TEST_F(DriverService, MissingDriverFileMakesTheOpenFailAndLeavesNoService) {
  ModuleAt elsewhere(TempFolder("drivora-no-driver") + "SETUP.EXE");
  WindowsApp w;
  w.app.Sys.Files = &elsewhere;
  void* device = nullptr;
  EXPECT_FALSE(win32::OpenPortIoDevice(w.app, device));
  EXPECT_EQ(device, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WaitForServiceGone());
}

TEST_F(DriverService, BoardThatCannotBeReadKeepsTheDriverFromStarting) {
  SetBoardFile("C:\\no-such-folder\\none.board");
  WindowsApp w;
  void* device = nullptr;
  EXPECT_FALSE(win32::OpenPortIoDevice(w.app, device));
  EXPECT_EQ(BoardProblem(), "board file cannot be read");
  EXPECT_TRUE(WaitForServiceGone());
}

TEST_F(DriverService, InstallThatKeepsFailingEndsTheOpenAfterItsRounds) {
  // A service marked for deletion while something still holds it can be
  // neither created again nor removed: the install fails every round.
  const UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  const UniqueServiceHandle held(CreateServiceA(manager.get(), portio::kServiceName, portio::kServiceName,
                                                SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                                SERVICE_ERROR_NORMAL, "C:\\earlier-run\\s12345.sys", nullptr, nullptr,
                                                nullptr, nullptr, nullptr));
  ASSERT_TRUE(held);
  ASSERT_TRUE(DeleteService(held.get()));
  WindowsApp w;
  void* device = nullptr;
  auto opened = std::async(std::launch::async, [&] { return win32::OpenPortIoDevice(w.app, device); });
  if (opened.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    ADD_FAILURE() << "OpenPortIoDevice keeps installing and removing";
    std::cout.flush();
    ExitProcess(1);  // the loop would keep this test from ever ending
  }
  EXPECT_FALSE(opened.get());
}

TEST_F(DriverService, DriverFileCannotBeSwappedBetweenServiceAndStart) {
  // A copy of the driver beside a program of the test's own, so that the
  // build's files stay as they are whatever happens.
  WindowsApp w;
  const std::string folder = TempFolder("drivora-held-driver");
  const std::string original = PortIoDriverPath(ModuleFileName(), w.app.OsClass, w.os.IsWow64()).value_or("");
  const std::string copy = folder + original.substr(original.rfind('\\') + 1);
  ASSERT_TRUE(CopyFileA(original.c_str(), copy.c_str(), FALSE)) << original;
  ModuleAt beside(folder + "SETUP.EXE");
  w.app.Sys.Files = &beside;
  bool held = false;
  ASSERT_TRUE(win32::InstallPortIoDriver(w.app, [&](const std::string& path) {
    held = true;
    EXPECT_EQ(path, copy);
    EXPECT_EQ(QueryPortIoService().binaryPath, copy) << "the service names the file now held";
    const UniqueFileHandle writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(writer) << "the file could be opened for writing";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".swapped").c_str())) << "the file could be renamed";
    EXPECT_FALSE(DeleteFileA(path.c_str())) << "the file could be deleted";
  }));
  EXPECT_TRUE(held);
  const UniqueFileHandle device = OpenDeviceHandle();
  EXPECT_TRUE(device) << "the held file still loads: " << BoardProblem();
  EXPECT_EQ(GetFileAttributesA((copy + ".swapped").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DriverService, AnImageNotBesideTheBoardFileIsRefused) {
  const std::string folder = TempFolder("drivora-image-names");
  const std::string board = folder + "image.board";
  for (const char* image : {"..\\ws-bus128.rom", "C:\\windows\\win.ini", "sub\\x.rom", "sub/x.rom",
                            "\\??\\C:\\x.rom", "\\\\.\\PhysicalDrive0", "x.rom:stream", ".."}) {
    std::ofstream(board, std::ios::binary | std::ios::trunc) << "[Firmware]\r\nImage=" << image << "\r\n";
    SetBoardFile(board);
    WindowsApp w;
    void* device = nullptr;
    EXPECT_FALSE(win32::OpenPortIoDevice(w.app, device)) << image;
    EXPECT_EQ(BoardProblem(),
              std::string("board file the firmware image must be a file name beside the board file: ") + image);
    EXPECT_TRUE(WaitForServiceGone());
  }
  DeleteFileA(board.c_str());
}

TEST_F(DriverService, BoardFileIsReadUpToOneMebibyte) {
  const std::string folder = TempFolder("drivora-big-board");
  const std::string board = folder + "big.board";
  const std::string header = "[Board]\r\nName=big\r\n";
  for (const std::size_t size : {std::size_t{1} << 20, (std::size_t{1} << 20) + 1}) {
    std::string text = header;
    const std::string comment = ";" + std::string(1021, 'x') + "\r\n";  // 1,024 bytes a line
    while (text.size() + comment.size() <= size) text += comment;
    text += ";" + std::string(size - text.size() - 1, 'y');
    ASSERT_EQ(text.size(), size);
    std::ofstream(board, std::ios::binary | std::ios::trunc) << text;
    SetBoardFile(board);
    WindowsApp w;
    void* device = nullptr;
    const bool opened = win32::OpenPortIoDevice(w.app, device);
    EXPECT_EQ(opened, size == (std::size_t{1} << 20)) << size << ": " << BoardProblem();
    if (!opened) EXPECT_EQ(BoardProblem(), "board file larger than 1 MiB");
    win32::RemovePortIoDriver(opened ? device : nullptr);
    EXPECT_TRUE(WaitForServiceGone());
  }
  DeleteFileA(board.c_str());
}

TEST_F(DriverService, PortIoServiceOpensTheDeviceIntoAppStateAndRemovesIt) {
  WindowsApp w;
  win32::DriverPortIoService service(w.app);
  ASSERT_TRUE(service.Open()) << BoardProblem();
  ASSERT_NE(w.app.PortIoDevice, nullptr);
  ASSERT_NE(w.app.PortIoDevice, INVALID_HANDLE_VALUE);
  PortRequest request{0xCF8, 0};
  EXPECT_TRUE(Send(w.app.PortIoDevice, kReadDword, &request, 8, &request, 8).ok);
  service.Remove();
  EXPECT_EQ(w.app.PortIoDevice, nullptr);
  EXPECT_TRUE(WaitForServiceGone());
}

// ---------------------------------------------------------------------------
// The requests, on the G41 demo board (a Winbond W83627HF at 0x2E).

class DriverRequests : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    win32::RemovePortIoDriver(nullptr);
    WaitForServiceGone();
    UseBoard("g41-w83627.board");
    s_ = new WindowsApp;
    s_opened_ = win32::OpenPortIoDevice(s_->app, s_->app.PortIoDevice);
  }
  static void TearDownTestSuite() {
    win32::RemovePortIoDriver(s_->app.PortIoDevice);
    WaitForServiceGone();
    delete s_;
    s_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(s_opened_) << "the driver did not start: " << BoardProblem(); }

  static HANDLE Device() { return static_cast<HANDLE>(s_->app.PortIoDevice); }
  static AppState& App() { return s_->app; }
  static const RecordedMessageBoxes& Boxes() { return s_->boxes; }

  static uint32_t ReadDword(uint16_t port) {
    PortRequest request{port, 0};
    EXPECT_TRUE(Send(Device(), kReadDword, &request, 8, &request, 8).ok);
    return request.value;
  }
  static void WriteDword(uint16_t port, uint32_t value) {
    PortRequest request{port, value};
    EXPECT_TRUE(Send(Device(), kWriteDword, &request, 8, &request, 8).ok);
  }
  static void WriteByte(uint16_t port, uint8_t value) {
    PortRequest request{port, value};
    EXPECT_TRUE(Send(Device(), kWriteByte, &request, 8, &request, 8).ok);
  }
  static uint8_t ReadByte(uint16_t port) {
    PortRequest request{port, 0};
    EXPECT_TRUE(Send(Device(), kReadByte, &request, 8, &request, 8).ok);
    return static_cast<uint8_t>(request.value);
  }

  static WindowsApp* s_;
  static bool s_opened_;
};
WindowsApp* DriverRequests::s_ = nullptr;
bool DriverRequests::s_opened_ = false;

TEST_F(DriverRequests, EveryRequestAnswersWithWhatItWrote) {
  PortRequest request{0xCF8, 0x8000F800};  // 00:1F.0, the ICH7 LPC bridge
  Reply reply = Send(Device(), kWriteDword, &request, 8, &request, 8);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 0u) << "a write replies nothing";

  request = {0xCFC, 0};
  reply = Send(Device(), kReadDword, &request, 8, &request, 8);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 8u);
  EXPECT_EQ(request.port, 0xCFCu);
  EXPECT_EQ(request.value, 0x27B88086u);

  request = {0xCFE, 0xFFFFFFFF};
  reply = Send(Device(), kReadByte, &request, 8, &request, 8);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 8u);
  EXPECT_EQ(request.value, 0xB8u) << "the byte, zero-extended";

  request = {0x2E, 0x87};
  reply = Send(Device(), kWriteByte, &request, 8, &request, 8);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 0u);
  WriteByte(0x2E, 0xAA);  // leave the chip as it was

  Phys32Struct record{0, 4, 0xFE0C1, 0};
  reply = Send(Device(), kMapPhysical, &record, 16, &record, 16);
  ASSERT_TRUE(reply.ok) << reply.error;
  EXPECT_EQ(reply.returned, 16u);
  EXPECT_NE(record.handle, 0u);
  EXPECT_LE(record.physicalAddress, 0xFE0C1u);
  const uint32_t pointer = record.mappedAddress + (0xFE0C1 - record.physicalAddress);
  Phys32Struct unmap{record.handle, 0, 0, pointer};
  reply = Send(Device(), kUnmapPhysical, &unmap, 16, nullptr, 0);
  EXPECT_TRUE(reply.ok) << reply.error;
  EXPECT_EQ(reply.returned, 0u);

  // A code the driver does not know, and a known function by another method.
  for (DWORD code : {0x80102048u, 0x80102043u, 0x00222000u}) {
    request = {0xCFC, 0};
    reply = Send(Device(), code, &request, 8, &request, 8);
    EXPECT_FALSE(reply.ok) << std::hex << code;
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_FUNCTION)) << std::hex << code;
  }
}

TEST_F(DriverRequests, WrongBufferLengthsAreRefusedAndChangeNothing) {
  WriteDword(0xCF8, 0x80000000);
  struct Case {
    DWORD code, inBytes, outBytes, error;
  };
  const Case cases[] = {
      {kReadByte, 7, 8, ERROR_INVALID_PARAMETER},     {kReadByte, 9, 9, ERROR_INVALID_PARAMETER},
      {kReadByte, 8, 7, ERROR_INSUFFICIENT_BUFFER},   {kReadByte, 0, 8, ERROR_INVALID_PARAMETER},
      {kWriteByte, 7, 8, ERROR_INVALID_PARAMETER},    {kWriteByte, 9, 8, ERROR_INVALID_PARAMETER},
      {kReadDword, 7, 8, ERROR_INVALID_PARAMETER},    {kReadDword, 8, 4, ERROR_INSUFFICIENT_BUFFER},
      {kReadDword, 8, 0, ERROR_INSUFFICIENT_BUFFER},  {kWriteDword, 7, 8, ERROR_INVALID_PARAMETER},
      {kWriteDword, 12, 8, ERROR_INVALID_PARAMETER},  {kMapPhysical, 15, 16, ERROR_INVALID_PARAMETER},
      {kMapPhysical, 17, 17, ERROR_INVALID_PARAMETER}, {kMapPhysical, 16, 15, ERROR_INSUFFICIENT_BUFFER},
      {kMapPhysical, 16, 0, ERROR_INSUFFICIENT_BUFFER}, {kUnmapPhysical, 15, 0, ERROR_INVALID_PARAMETER},
      {kUnmapPhysical, 8, 0, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    // Inputs that would do something if they got through: a new PCI address,
    // the W83627HF's entry key, a map of the whole area.
    unsigned char in[32] = {};
    const uint32_t words[] = {c.code == kWriteByte ? 0x2Eu : 0xCF8u, c.code == kWriteByte ? 0x87u : 0x8000F800u};
    std::memcpy(in, words, sizeof words);
    if (c.code == kMapPhysical || c.code == kUnmapPhysical) {
      const Phys32Struct record{1, 0x10000, 0xF0000, 0};
      std::memcpy(in, &record, sizeof record);
    }
    unsigned char out[32];
    std::memset(out, 0xCC, sizeof out);
    const Reply reply = Send(Device(), c.code, in, c.inBytes, c.outBytes ? out : nullptr, c.outBytes);
    EXPECT_FALSE(reply.ok) << std::hex << c.code << std::dec << " " << c.inBytes << "/" << c.outBytes;
    EXPECT_EQ(reply.error, c.error) << std::hex << c.code << std::dec << " " << c.inBytes << "/" << c.outBytes;
    for (unsigned char b : out) ASSERT_EQ(b, 0xCC) << "the reply buffer was written";
  }
  EXPECT_EQ(ReadDword(0xCF8), 0x80000000u) << "no refused write reached the address latch";
  // Had either entry key of the refused byte writes reached the chip, this
  // single one would complete it and register 0x20 would read 0x52.
  WriteByte(0x2E, 0x87);
  WriteByte(0x2E, 0x20);
  EXPECT_EQ(ReadByte(0x2F), 0xFF) << "the chip stayed out of configuration mode";
  // The same with good buffers does enter it.
  WriteByte(0x2E, 0x87);
  WriteByte(0x2E, 0x87);
  WriteByte(0x2E, 0x20);
  EXPECT_EQ(ReadByte(0x2F), 0x52);
  WriteByte(0x2E, 0xAA);
}

TEST_F(DriverRequests, PortsTheWizardDoesNotUseAreRefusedAndUntouched) {
  WriteDword(0xCF8, 0x80000000);
  struct Case {
    DWORD code;
    uint32_t port;
  };
  const Case cases[] = {
      {kReadByte, 0x80},    {kWriteByte, 0x80},    {kReadByte, 0x3F8},   {kWriteByte, 0x3F8},
      {kReadDword, 0x3F8},  {kWriteDword, 0x3F8},  {kReadByte, 0x2D},    {kReadByte, 0x30},
      {kWriteByte, 0x4D},   {kWriteByte, 0x50},    {kReadByte, 0xCFB},   {kReadByte, 0xD00},
      {kReadDword, 0xCFD},  {kReadDword, 0x2E},    {kWriteDword, 0xCFC}, {kWriteByte, 0xCFC},
      {kWriteByte, 0xCF8},  {kWriteDword, 0xCF9},  {kReadByte, 0x1002F}, {kWriteDword, 0x10CF8},
      {kWriteByte, 0x64},   {kReadDword, 0xCF4},
  };
  for (const Case& c : cases) {
    PortRequest request{c.port, 0x8000F800};
    PortRequest out{0xCCCCCCCC, 0xCCCCCCCC};
    const Reply reply = Send(Device(), c.code, &request, 8, &out, 8);
    EXPECT_FALSE(reply.ok) << std::hex << c.code << " port " << c.port;
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << c.code << " port " << c.port;
    EXPECT_EQ(out.value, 0xCCCCCCCCu) << std::hex << c.code << " port " << c.port;
  }
  EXPECT_EQ(ReadDword(0xCF8), 0x80000000u);
  // A byte write of more than a byte is no byte write.
  PortRequest wide{0x2E, 0x187};
  EXPECT_EQ(Send(Device(), kWriteByte, &wide, 8, &wide, 8).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DriverRequests, RangesOutsideTheFirmwareAreaAreRefused) {
  const struct {
    uint32_t address, length;
  } cases[] = {
      {0xEFFFC, 8},          // begins below the area
      {0xFFFFC, 8},          // runs past its end
      {0xF0000, 0x10001},    //
      {0xF0000, 0},          // maps nothing
      {0x100000, 4},         //
      {0x00000000, 4},       // the interrupt table
      {0xFEE00000, 0x1000},  // the local APIC
      {0xFFFFFFFF, 2},       // wraps round to 0
      {0xFFFFC, 0xFFF00008}, // wraps round into the area
  };
  for (const auto& c : cases) {
    Phys32Struct record{0, c.length, c.address, 0};
    Phys32Struct out{0xCCCCCCCC, 0xCCCCCCCC, 0xCCCCCCCC, 0xCCCCCCCC};
    const Reply reply = Send(Device(), kMapPhysical, &record, 16, &out, 16);
    EXPECT_FALSE(reply.ok) << std::hex << c.address << "+" << c.length;
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << c.address << "+" << c.length;
    EXPECT_EQ(out.mappedAddress, 0xCCCCCCCCu);
  }
  // The edges themselves are inside.
  for (const auto& c : {std::pair<uint32_t, uint32_t>{0xF0000, 0x10000}, {0xFFFFF, 1}, {0xF0000, 1}}) {
    Phys32Struct record{0, c.second, c.first, 0};
    ASSERT_TRUE(Send(Device(), kMapPhysical, &record, 16, &record, 16).ok) << std::hex << c.first;
    const uint32_t pointer = record.mappedAddress + (c.first - record.physicalAddress);
    Phys32Struct unmap{record.handle, 0, 0, pointer};
    EXPECT_TRUE(Send(Device(), kUnmapPhysical, &unmap, 16, nullptr, 0).ok);
  }
}

TEST_F(DriverRequests, UnmapMustNameALiveMappingOfItsOwnHandle) {
  Phys32Struct never{0x12345, 0, 0, 0x00500000};
  Reply reply = Send(Device(), kUnmapPhysical, &never, 16, nullptr, 0);
  EXPECT_FALSE(reply.ok);
  EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  Phys32Struct zero{0, 0, 0, 0};
  EXPECT_EQ(Send(Device(), kUnmapPhysical, &zero, 16, nullptr, 0).error, static_cast<DWORD>(ERROR_INVALID_HANDLE));

  Phys32Struct record{0, 4, 0xFE0C1, 0};
  ASSERT_TRUE(Send(Device(), kMapPhysical, &record, 16, &record, 16).ok);
  const uint32_t pointer = record.mappedAddress + (0xFE0C1 - record.physicalAddress);
  // A pointer outside the mapping, even with the right handle.
  Phys32Struct outside{record.handle, 0, 0, record.mappedAddress - 1};
  EXPECT_EQ(Send(Device(), kUnmapPhysical, &outside, 16, nullptr, 0).error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // Another handle of the device has no such mapping.
  const UniqueFileHandle other = OpenDeviceHandle();
  ASSERT_TRUE(other);
  Phys32Struct unmap{record.handle, 0, 0, pointer};
  EXPECT_EQ(Send(other.get(), kUnmapPhysical, &unmap, 16, nullptr, 0).error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_TRUE(ViewIsMapped(reinterpret_cast<const void*>(static_cast<uintptr_t>(pointer))));
  // Its own handle unmaps it, once.
  EXPECT_TRUE(Send(Device(), kUnmapPhysical, &unmap, 16, nullptr, 0).ok);
  EXPECT_FALSE(ViewIsMapped(reinterpret_cast<const void*>(static_cast<uintptr_t>(pointer))));
  EXPECT_EQ(Send(Device(), kUnmapPhysical, &unmap, 16, nullptr, 0).error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(DriverRequests, ClosingAHandleReleasesTheMappingsItStillHolds) {
  std::vector<const char*> views;
  {
    const UniqueFileHandle handle = OpenDeviceHandle();
    ASSERT_TRUE(handle);
    for (uint32_t address : {0xF0000u, 0xFE0C1u, 0xFFFF0u}) {
      Phys32Struct record{0, 16, address, 0};
      ASSERT_TRUE(Send(handle.get(), kMapPhysical, &record, 16, &record, 16).ok);
      views.push_back(reinterpret_cast<const char*>(static_cast<uintptr_t>(record.mappedAddress)));
      EXPECT_TRUE(ViewIsMapped(views.back()));
    }
  }
  // Windows cleans up inside CloseHandle; Wine passes the close to the driver
  // after CloseHandle has returned.
  for (int i = 0; i < 200 && ViewIsMapped(views.back()); ++i) Sleep(10);
  for (const char* view : views) EXPECT_FALSE(ViewIsMapped(view)) << "a view outlived its handle";
  EXPECT_EQ(QueryPortIoService().state, static_cast<DWORD>(SERVICE_RUNNING));
  const UniqueFileHandle fresh = OpenDeviceHandle();
  ASSERT_TRUE(fresh);
  Phys32Struct record{0, 4, 0xFE0C1, 0};
  ASSERT_TRUE(Send(fresh.get(), kMapPhysical, &record, 16, &record, 16).ok);
  const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(record.mappedAddress)) +
                     (0xFE0C1 - record.physicalAddress);
  EXPECT_EQ(std::string(text, 8), "DRV-G41M");
}

TEST_F(DriverRequests, MappedFirmwareIsTheBoardsOwnAndReadableHere) {
  win32::DeviceIoHardware device(App());
  uint32_t handle = 0;
  const void* id = device.MapPhysicalMemory(0xFE0C1, 25, handle);
  ASSERT_NE(id, nullptr);
  EXPECT_STREQ(static_cast<const char*>(id), "DRV-G41M V1.2 03-15-2011");
  EXPECT_TRUE(device.UnmapPhysicalMemory(handle, id));

  uint32_t word = 0;
  ASSERT_TRUE(ReadPhysicalDword(device, 0xFE0C1, word));
  EXPECT_EQ(std::memcmp(&word, "DRV-", 4), 0);

  // The whole area, byte for byte as the board model has it.
  std::string error;
  const auto board = LoadBoardFile(SourcePath("demo/boards/g41-w83627.board"), error);
  ASSERT_TRUE(board) << error;
  const void* whole = device.MapPhysicalMemory(0xF0000, 0x10000, handle);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(std::memcmp(whole, board->firmware, sizeof board->firmware), 0);
  EXPECT_TRUE(device.UnmapPhysicalMemory(handle, whole));
  EXPECT_TRUE(Boxes().Shown().empty());
}

TEST_F(DriverRequests, ReadsTheDriverRefusesShowTheErrorBoxAndReadAllOnes) {
  RecordedMessageBoxes boxes;
  AppState app;
  win32::Win32OsFacts os;
  app.Sys.Os = &os;
  app.Sys.Boxes = &boxes;
  app.PortIoDevice = Device();
  win32::DeviceIoHardware device(app);
  EXPECT_EQ(device.ReadPortByte(0x80), 0xFF);
  EXPECT_EQ(device.ReadPortDword(0x3F8), 0xFFFFFFFFu);
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(boxes.Shown()[0].text.rfind("Line 145 at file otherfun\nError Code : 5 ( 5H )\n\t", 0), 0u)
      << boxes.Shown()[0].text;
  EXPECT_EQ(boxes.Shown()[1].text.rfind("Line 192 at file otherfun\nError Code : 5 ( 5H )\n\t", 0), 0u)
      << boxes.Shown()[1].text;
  for (const auto& box : boxes.Shown()) {
    EXPECT_EQ(box.caption, "Error...");
    EXPECT_EQ(box.style, 0x40u);
  }
  // A port it serves reads without a box.
  EXPECT_NE(device.ReadPortDword(0xCF8), 0xFFFFFFFFu);
  EXPECT_EQ(boxes.Shown().size(), 2u);
}

// ---------------------------------------------------------------------------
// What a handle may do at the ports beyond the port list: Super I/O registers
// and the PCI address it holds. Each test opens handles of its own, whose
// port state starts fresh.

DWORD ByteWriteError(HANDLE device, uint16_t port, uint8_t value) {
  PortRequest request{port, value};
  return Send(device, kWriteByte, &request, 8, &request, 8).error;
}

uint8_t ByteRead(HANDLE device, uint16_t port) {
  PortRequest request{port, 0};
  EXPECT_TRUE(Send(device, kReadByte, &request, 8, &request, 8).ok);
  return static_cast<uint8_t>(request.value);
}

uint32_t PciRead(HANDLE device, uint16_t port, DWORD code = kReadDword) {
  PortRequest request{port, 0};
  EXPECT_TRUE(Send(device, code, &request, 8, &request, 8).ok);
  return request.value;
}

void PciAddress(HANDLE device, uint32_t address) {
  PortRequest request{0xCF8, address};
  EXPECT_TRUE(Send(device, kWriteDword, &request, 8, &request, 8).ok);
}

TEST_F(DriverRequests, EveryRegisterAtBothPairsIsWritableOnlyAsTheProbesWriteIt) {
  const UniqueFileHandle handle = OpenDeviceHandle();
  ASSERT_TRUE(handle);
  for (const uint16_t indexPort : {0x2E, 0x4E}) {
    for (unsigned reg = 0; reg <= 0xFF; ++reg) {
      for (const uint8_t value : {0x00, 0x02, 0x05}) {
        ASSERT_EQ(ByteWriteError(handle.get(), indexPort, static_cast<uint8_t>(reg)), 0u) << "index writes stay open";
        const bool allowed = reg == 0x07 || (reg == 0x02 && value == 0x02);
        EXPECT_EQ(ByteWriteError(handle.get(), static_cast<uint16_t>(indexPort + 1), value),
                  allowed ? 0u : static_cast<DWORD>(ERROR_ACCESS_DENIED))
            << std::hex << "index port " << indexPort << ", register " << reg << ", value " << unsigned{value};
      }
    }
  }
  // Whatever the loop left the chip in: out of configuration mode.
  ByteWriteError(handle.get(), 0x2E, 0xAA);
}

TEST_F(DriverRequests, AllowedRegisterWriteReachesTheChipAndARefusedOneDoesNot) {
  const UniqueFileHandle handle = OpenDeviceHandle();
  ASSERT_TRUE(handle);
  HANDLE device = handle.get();
  ASSERT_EQ(ByteWriteError(device, 0x2E, 0x87), 0u);
  ASSERT_EQ(ByteWriteError(device, 0x2E, 0x87), 0u);
  EXPECT_EQ(ByteWriteError(device, 0x2E, 0x07), 0u);
  EXPECT_EQ(ByteWriteError(device, 0x2F, 0x0B), 0u);
  EXPECT_EQ(ByteRead(device, 0x2F), 0x0B) << "logical device B is selected";
  EXPECT_EQ(ByteWriteError(device, 0x2E, 0x60), 0u);
  EXPECT_EQ(ByteRead(device, 0x2F), 0x02) << "a register of device B reads through";
  EXPECT_EQ(ByteWriteError(device, 0x2F, 0x00), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ByteRead(device, 0x2F), 0x02);
  EXPECT_EQ(ByteWriteError(device, 0x2E, 0x07), 0u);
  EXPECT_EQ(ByteWriteError(device, 0x2F, 0x00), 0u);
  EXPECT_EQ(ByteWriteError(device, 0x2E, 0xAA), 0u);
  EXPECT_EQ(ByteRead(device, 0x2F), 0xFF) << "out of configuration mode";
}

TEST_F(DriverRequests, AnotherHandlesIndexCannotRedirectARegisterWrite) {
  const UniqueFileHandle mine = OpenDeviceHandle(), theirs = OpenDeviceHandle();
  ASSERT_TRUE(mine && theirs);
  ASSERT_EQ(ByteWriteError(mine.get(), 0x2E, 0x87), 0u);
  ASSERT_EQ(ByteWriteError(mine.get(), 0x2E, 0x87), 0u);
  ASSERT_EQ(ByteWriteError(mine.get(), 0x2E, 0x07), 0u);
  // The other handle selects register 0x20 in the chip meanwhile; this
  // handle's write still lands in register 0x07.
  ASSERT_EQ(ByteWriteError(theirs.get(), 0x2E, 0x20), 0u);
  EXPECT_EQ(ByteWriteError(mine.get(), 0x2F, 0x05), 0u);
  EXPECT_EQ(ByteRead(theirs.get(), 0x2F), 0x05) << "register 0x07 was written, and is selected again";
  EXPECT_EQ(ByteWriteError(theirs.get(), 0x2F, 0x00), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ByteWriteError(mine.get(), 0x2F, 0x00);
  ByteWriteError(mine.get(), 0x2E, 0xAA);
}

TEST_F(DriverRequests, EachHandleHoldsItsOwnPciAddressUntilItsDataRead) {
  const UniqueFileHandle first = OpenDeviceHandle(), second = OpenDeviceHandle();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(PciRead(first.get(), 0xCF8), 0u) << "a fresh handle holds no address";
  PciAddress(first.get(), 0x8000F800);   // 00:1F.0, the ICH7 LPC bridge
  PciAddress(second.get(), 0x80000000);  // 00:00.0, the G41 host bridge
  EXPECT_EQ(PciRead(first.get(), 0xCFC), 0x27B88086u);
  EXPECT_EQ(PciRead(second.get(), 0xCFC), 0x2E308086u);
  EXPECT_EQ(PciRead(first.get(), 0xCF8), 0x8000F800u);
  EXPECT_EQ(PciRead(second.get(), 0xCF8), 0x80000000u);
  PciAddress(second.get(), 0x8000F808);
  EXPECT_EQ(PciRead(first.get(), 0xCFE, kReadByte), 0xB8u) << "the other handle's address changed nothing here";
  EXPECT_EQ(PciRead(second.get(), 0xCFC, kReadByte), 0x01u) << "revision of 00:1F.0";
}

TEST_F(DriverRequests, PciReadsWithTheEnableBitClearAreAllOnes) {
  const UniqueFileHandle handle = OpenDeviceHandle();
  ASSERT_TRUE(handle);
  for (const uint32_t address : {0x0000F800u, 0x00000000u, 0x7FFFFFFCu}) {
    PciAddress(handle.get(), address);
    EXPECT_EQ(PciRead(handle.get(), 0xCF8), address);
    EXPECT_EQ(PciRead(handle.get(), 0xCFC), 0xFFFFFFFFu) << std::hex << address;
    for (uint16_t port = 0xCFC; port <= 0xCFF; ++port)
      EXPECT_EQ(PciRead(handle.get(), port, kReadByte), 0xFFu) << std::hex << address << " " << port;
  }
}

TEST_F(DriverRequests, AnOpenWithoutReadAccessIsRefused) {
  // The wizard's own open asks for GENERIC_READ, as do the others here.
  for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{FILE_READ_DATA}, DWORD{GENERIC_READ | GENERIC_WRITE}}) {
    const UniqueFileHandle handle(CreateFileA(portio::kDevicePath, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(handle) << std::hex << access;
    PortRequest request{0xCF8, 0};
    EXPECT_TRUE(Send(handle.get(), kReadDword, &request, 8, &request, 8).ok) << std::hex << access;
  }
  if (IsWine())
    GTEST_SKIP() << "Wine passes a driver no security context on an open: the access asked for cannot be seen there";
  for (const DWORD access : {DWORD{0}, DWORD{GENERIC_WRITE}, DWORD{FILE_READ_ATTRIBUTES}, DWORD{SYNCHRONIZE}}) {
    const UniqueFileHandle handle(CreateFileA(portio::kDevicePath, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_FALSE(handle) << std::hex << access;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << std::hex << access;
  }
}

TEST_F(DriverRequests, OnlyAdministratorsAndSystemMayOpenTheDevice) {
  // The device has no names below it.
  const UniqueFileHandle below(CreateFileA((std::string(portio::kDevicePath) + "\\below").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(below);

  if (IsWine())
    GTEST_SKIP() << "Wine keeps the device's descriptor but does not check it when a program opens the device";
  // This process with the administrators group made deny-only.
  HANDLE raw = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &raw));
  const win32::UniqueKernelHandle token(raw);
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                       &admins));
  SID_AND_ATTRIBUTES disable{admins, 0};
  HANDLE restrictedRaw = nullptr;
  const BOOL made = CreateRestrictedToken(token.get(), 0, 1, &disable, 0, nullptr, 0, nullptr, &restrictedRaw);
  FreeSid(admins);
  ASSERT_TRUE(made);
  const win32::UniqueKernelHandle restricted(restrictedRaw);
  HANDLE impersonationRaw = nullptr;
  ASSERT_TRUE(DuplicateToken(restricted.get(), SecurityImpersonation, &impersonationRaw));
  const win32::UniqueKernelHandle impersonation(impersonationRaw);
  ASSERT_TRUE(SetThreadToken(nullptr, impersonation.get()));
  const UniqueFileHandle asUser = OpenDeviceHandle();
  const DWORD error = GetLastError();
  RevertToSelf();
  EXPECT_FALSE(asUser);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// ---------------------------------------------------------------------------
// A board whose firmware comes from an image file beside the board file.

TEST(DriverFirmwareImage, ImageBesideTheBoardFileIsWhatTheDeviceMaps) {
  win32::RemovePortIoDriver(nullptr);
  ASSERT_TRUE(WaitForServiceGone());
  UseBoard("ws-bus128.board");
  WindowsApp w;
  win32::DriverPortIoService service(w.app);
  ASSERT_TRUE(service.Open()) << BoardProblem();
  win32::DeviceIoHardware device(w.app);
  uint32_t handle = 0;
  const auto* area = static_cast<const unsigned char*>(device.MapPhysicalMemory(0xF0000, 0x10000, handle));
  ASSERT_NE(area, nullptr);
  const std::string rom = ReadWholeFile(SourcePath("demo/boards/ws-bus128.rom"));
  ASSERT_EQ(rom.size(), 0x10000u);
  // The image, except where the board file's Tags and Id lines patch it.
  EXPECT_EQ(std::memcmp(area, rom.data(), 0x100), 0);
  EXPECT_EQ(std::memcmp(area + 0x200, rom.data() + 0x200, 0xE0C1 - 0x200), 0);
  EXPECT_EQ(std::memcmp(area + 0xF000, rom.data() + 0xF000, 0x1000), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(area + 0xE0C1), "DRV-WS V3.1 12-01-2010");
  EXPECT_EQ(std::memcmp(area + 0x100, "DRIVORA BIG", 12), 0);
  EXPECT_TRUE(device.UnmapPhysicalMemory(handle, area));
  service.Remove();
  EXPECT_TRUE(WaitForServiceGone());
}

// ---------------------------------------------------------------------------
// An ITE chip whose register 0x23 happens to read Fintek's vendor byte 0x19:
// the ITE probe must leave it out of configuration mode through the driver,
// or the Fintek probes after it read it as a Fintek chip 0x87121934.

TEST(DriverDetection, IteProbeLeavesTheChipOutOfConfigurationModeThroughTheDriver) {
  const std::string folder = TempFolder("drivora-ite-board");
  const std::string boardPath = folder + "ite.board";
  std::ofstream(boardPath, std::ios::binary)
      << "[SuperIO.2E]\r\nEntry=87 01 55 55\r\nExitRegister=02:02\r\nRegisters=20:87 21:12 22:08 23:19 24:34\r\n";
  win32::RemovePortIoDriver(nullptr);
  ASSERT_TRUE(WaitForServiceGone());
  SetBoardFile(boardPath);
  WindowsApp w;
  win32::DriverPortIoService service(w.app);
  ASSERT_TRUE(service.Open()) << BoardProblem();
  win32::DeviceIoHardware device(w.app);
  NoHardwareLocks locks;
  const SuperIoAccess access{device, locks};
  EXPECT_STREQ(IdentifySuperIoChip(access), "ITE8712");
  EXPECT_EQ(ReadFintekId(access, 0x2E), 0u);
  EXPECT_EQ(ProbeFintekCir(access, 0x2E), nullptr);
  // The chip answers nothing until its own key opens it again.
  EXPECT_EQ(SioRead(device, 0x2E, 0x20), 0xFF);
  EXPECT_TRUE(w.boxes.Shown().empty()) << "a request failed: " << w.boxes.Shown().front().text;
  service.Remove();
  EXPECT_TRUE(WaitForServiceGone());
  DeleteFileA(boardPath.c_str());
}

// ---------------------------------------------------------------------------
// One whole detection through the driver, against the same start with the
// board simulated in this process and against the reviewed catalogue.

std::string Tsv(const AppState& app) {
  std::string text;
  for (const InstallEntry& entry : app.Catalogue.Entries) text += entry.key + "\t" + entry.value + "\n";
  return text;
}

// The device keys Windows would have enumerated for the board's devices:
// the sound-card pass looks for them under HKLM\Enum.
class EnumKeys {
 public:
  explicit EnumKeys(const sim::Board& board) {
    for (int i = 0; i < board.enumKeyCount; ++i) {
      const std::string path = std::string("Enum\\") + board.enumKeys[i];
      HKEY raw = nullptr;
      if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr) == 0) {
        UniqueRegKey owner(raw);
        made_.push_back(path);
      }
    }
  }
  ~EnumKeys() {
    // Leaf first, then each parent that is left empty.
    for (std::string path : made_) {
      while (!path.empty() && RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == 0) {
        const std::size_t slash = path.rfind('\\');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
      }
    }
  }
  EnumKeys(const EnumKeys&) = delete;
  EnumKeys& operator=(const EnumKeys&) = delete;

 private:
  std::vector<std::string> made_;
};

struct SetupStrings {
  SetupStrings() : module(LoadLibraryExA(WindowsPathOf(DRIVORA_SETUP_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~SetupStrings() {
    if (module) FreeLibrary(module);
  }
  SetupStrings(const SetupStrings&) = delete;
  SetupStrings& operator=(const SetupStrings&) = delete;
  HMODULE module;
};

// The checked-in catalogue of the board for the Windows that this prefix
// reports, found by the version each file's Windows name stands for.
std::string ExpectedCatalogueFile(const std::string& board, const WindowsVersion& running) {
  const std::string folder = SourcePath("tests/expected/");
  WIN32_FIND_DATAA found;
  const win32::UniqueFindHandle find(FindFirstFileA((folder + board + "--*.tsv").c_str(), &found));
  if (!find) return {};
  do {
    std::string windows = found.cFileName;
    windows = windows.substr(board.size() + 2, windows.size() - board.size() - 2 - 4);
    const auto named = ParseWindowsVersion(windows);
    if (named && FormatWindowsVersion(*named) == FormatWindowsVersion(running)) return folder + found.cFileName;
  } while (FindNextFileA(find.get(), &found));
  return {};
}

void PrintCounts(const char* what, const HardwareCounts& c) {
  std::cout << what << ": byte reads " << c.readByte << ", byte writes " << c.writeByte << ", dword reads "
            << c.readDword << ", dword writes " << c.writeDword << ", maps " << c.map << ", unmaps " << c.unmap
            << ", total " << c.Total() << "\n";
}

TEST(DriverDetection, DetectionThroughTheDriverMatchesTheSimulatedBoardAndTheReviewedCatalogue) {
  const char* boardName = "g41-w83627";
  std::string error;
  const auto board = LoadBoardFile(SourcePath(std::string("demo/boards/") + boardName + ".board"), error);
  ASSERT_TRUE(board) << error;
  win32::RemovePortIoDriver(nullptr);
  ASSERT_TRUE(WaitForServiceGone());
  UseBoard((std::string(boardName) + ".board").c_str());
  const EnumKeys enumKeys(*board);
  const SetupStrings strings;
  ASSERT_NE(strings.module, nullptr) << "Setup.exe is needed for its string table";

  win32::Win32OsFacts os;
  win32::Win32ProgramFiles files;
  win32::Win32Registry registry;
  win32::Win32StringTable stringTable(strings.module);
  const std::string ini = SourcePath("demo/disc/Setup.ini");

  // Through the driver, as Setup.exe does it.
  RecordedMessageBoxes boxes;
  AppState app;
  app.Sys = {&os, &files, &registry, &boxes, &stringTable};
  app.Config = std::make_unique<win32::Win32ConfigFile>(ini);
  win32::DriverPortIoService service(app);
  win32::DeviceIoHardware device(app);
  CountingHardware counted(device);
  win32::Win32HardwareLocks locks;
  app.Sys.Io = &counted;
  app.Sys.Locks = &locks;
  app.Sys.Driver = &service;
  ASSERT_TRUE(IdentifyWindows(app));
  ASSERT_EQ(app.OsVersion.PlatformId, 2u) << "the driver is only used on the NT platform";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(BuildCatalogue(app)) << BoardProblem();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(boxes.Shown().empty()) << "a request failed: " << boxes.Shown().front().text;
  EXPECT_EQ(app.PortIoDevice, nullptr);
  EXPECT_TRUE(WaitForServiceGone()) << "the service is removed after detection";

  // The same start with the board simulated here.
  AppState local;
  local.Sys = {&os, &files, &registry, &boxes, &stringTable};
  local.Config = std::make_unique<win32::Win32ConfigFile>(ini);
  const auto copy = std::make_unique<sim::Board>(*board);
  SimulatedBoardHardware simulated(*copy);
  CountingHardware countedLocal(simulated);
  NoHardwareLocks noLocks;
  local.Sys.Io = &countedLocal;
  local.Sys.Locks = &noLocks;
  ASSERT_TRUE(IdentifyWindows(local));
  ASSERT_TRUE(BuildCatalogue(local));

  const HardwareCounts& c = counted.Counts();
  const HardwareCounts& l = countedLocal.Counts();
  std::cout << "Detection of " << boardName << " through the driver took " << seconds << " s\n";
  PrintCounts("through the driver", c);
  PrintCounts("simulated here    ", l);
  std::cout << "per request: " << 1e6 * seconds / static_cast<double>(c.Total()) << " us\n";
  RecordProperty("seconds", std::to_string(seconds));
  RecordProperty("requests", std::to_string(c.Total()));
  EXPECT_EQ(c.readByte, l.readByte);
  EXPECT_EQ(c.writeByte, l.writeByte);
  EXPECT_EQ(c.readDword, l.readDword);
  EXPECT_EQ(c.writeDword, l.writeDword);
  EXPECT_EQ(c.map, l.map);
  EXPECT_EQ(c.unmap, l.unmap);
  // 129 buses of 32 devices of 8 functions; one map and one unmap per dword
  // of the 64 KiB firmware area.
  EXPECT_EQ(c.map, 16384u);
  EXPECT_EQ(c.unmap, 16384u);
  EXPECT_GE(c.writeDword, 33024u);
  EXPECT_EQ(Tsv(app), Tsv(local));

  WindowsVersion running;
  running.version = app.OsVersion;
  uint8_t productType = 0;
  if (os.GetProductType(productType) == 1) running.productType = productType;
  running.wow64 = os.IsWow64();
  const std::string expectedFile = ExpectedCatalogueFile(boardName, running);
  ASSERT_FALSE(expectedFile.empty()) << "no reviewed catalogue for Windows " << FormatWindowsVersion(running)
                                     << " in tests/expected (the driver tests' Wine prefix should report XP)";
  std::cout << "compared with " << expectedFile << "\n";
  EXPECT_EQ(Tsv(app), ReadWholeFile(expectedFile));
}

}  // namespace
