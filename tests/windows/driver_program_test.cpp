// The program's side of the I/O driver without the driver: what the driver
// lets through and how it names mappings (the rules and the table compiled
// into the driver, checked here in user mode), and the device requests
// against a device the test plays itself. Which file the program installs is
// core code, checked on the host.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/os_class.h"
#include "app/win32/os_facts_win32.h"
#include "detect/win32/detection_win32.h"
#include "detect/win32/driver.h"
#include "detect/win32/otherfun.h"
#include "portio/mapping_table.h"
#include "portio/rules.h"
#include "portio/wire.h"
#include "sim/simulated_system.h"

namespace {

using namespace drivora;
using namespace drivora::portio;
using drivora::win32::DeviceIoHardware;

TEST(DriverRules, PortsAreThoseOfPciConfigurationAndSuperIo) {
  const auto allowed = [](PortWidth w, PortAccess a, uint32_t port) { return PortAllowed(w, a, port); };
  using W = PortWidth;
  using A = PortAccess;
  EXPECT_TRUE(allowed(W::Dword, A::Write, 0xCF8));
  EXPECT_TRUE(allowed(W::Dword, A::Read, 0xCF8));
  EXPECT_TRUE(allowed(W::Dword, A::Read, 0xCFC));
  for (uint32_t port = 0xCFC; port <= 0xCFF; ++port) EXPECT_TRUE(allowed(W::Byte, A::Read, port)) << port;
  for (uint32_t port : {0x2Eu, 0x2Fu, 0x4Eu, 0x4Fu}) {
    EXPECT_TRUE(allowed(W::Byte, A::Read, port)) << port;
    EXPECT_TRUE(allowed(W::Byte, A::Write, port)) << port;
    EXPECT_FALSE(allowed(W::Dword, A::Read, port)) << port;
    EXPECT_FALSE(allowed(W::Dword, A::Write, port)) << port;
  }
  // Configuration space is never written, by byte or by dword.
  for (uint32_t port = 0xCFC; port <= 0xCFF; ++port) EXPECT_FALSE(allowed(W::Byte, A::Write, port)) << port;
  EXPECT_FALSE(allowed(W::Dword, A::Write, 0xCFC));
  // The neighbours of every allowed port, and ports other programs would like.
  for (uint32_t port : {0x2Du, 0x30u, 0x4Du, 0x50u, 0x80u, 0x3F8u, 0xCF7u, 0xCFBu, 0xD00u, 0xCF9u, 0xCFAu, 0x64u})
    for (W w : {W::Byte, W::Dword})
      for (A a : {A::Read, A::Write}) EXPECT_FALSE(allowed(w, a, port)) << port;
  EXPECT_FALSE(allowed(W::Dword, A::Read, 0xCFD));
  // Only the 16-bit port counts: a port field with more set bits is refused.
  EXPECT_FALSE(allowed(W::Byte, A::Read, 0x1002E));
  EXPECT_FALSE(allowed(W::Dword, A::Write, 0x10CF8));
}

TEST(DriverRules, RangesLieWhollyInTheFirmwareArea) {
  EXPECT_TRUE(FirmwareRangeAllowed(0xF0000, 0x10000));
  EXPECT_TRUE(FirmwareRangeAllowed(0xFE0C1, 4));
  EXPECT_TRUE(FirmwareRangeAllowed(0xFFFFC, 4));
  EXPECT_TRUE(FirmwareRangeAllowed(0xFFFFF, 1));
  EXPECT_FALSE(FirmwareRangeAllowed(0xF0000, 0)) << "an empty range maps nothing";
  EXPECT_FALSE(FirmwareRangeAllowed(0xEFFFC, 8)) << "begins below the area";
  EXPECT_FALSE(FirmwareRangeAllowed(0xEFFFF, 1));
  EXPECT_FALSE(FirmwareRangeAllowed(0xFFFFC, 8)) << "ends beyond the area";
  EXPECT_FALSE(FirmwareRangeAllowed(0xF0000, 0x10001));
  EXPECT_FALSE(FirmwareRangeAllowed(0x100000, 1));
  // Sums that wrap around 32 bits.
  EXPECT_FALSE(FirmwareRangeAllowed(0xFFFFFFFF, 2));
  EXPECT_FALSE(FirmwareRangeAllowed(0xFFFF0000, 0x10000));
  EXPECT_FALSE(FirmwareRangeAllowed(0xF0000, 0xFFFFFFFF));
  EXPECT_FALSE(FirmwareRangeAllowed(0xFFFFC, 0xFFF00008));
}

TEST(DriverMappingTable, HandlesNameOnlyLiveMappingsAndPointersInside) {
  MappingTable table;
  MappingSlot* first = table.Add(0x10000, 0x2000);
  ASSERT_NE(first, nullptr);
  const uint32_t handle = first->handle;
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(table.Find(handle, 0x10000), first);
  EXPECT_EQ(table.Find(handle, 0x11FFF), first);
  EXPECT_EQ(table.Find(handle, 0x12000), nullptr) << "one past the view";
  EXPECT_EQ(table.Find(handle, 0xFFFF), nullptr);
  EXPECT_EQ(table.Find(0, 0x10000), nullptr);
  EXPECT_EQ(table.Find(handle ^ 0x10, 0x10000), nullptr) << "another generation of the same slot";

  table.Remove(*first);
  EXPECT_EQ(table.Find(handle, 0x10000), nullptr);
  // The slot comes back with a new handle: the old one stays dead.
  MappingSlot* again = table.Add(0x10000, 0x2000);
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again->handle, handle);
  EXPECT_EQ(table.Find(handle, 0x10000), nullptr);
  EXPECT_EQ(table.Find(again->handle, 0x10000), again);
}

TEST(DriverMappingTable, FillsUpAndDrains) {
  MappingTable table;
  std::vector<uint32_t> handles;
  for (int i = 0; i < MappingTable::kSlots; ++i) {
    MappingSlot* slot = table.Add(0x100000 * (i + 1), 0x1000);
    ASSERT_NE(slot, nullptr) << i;
    handles.push_back(slot->handle);
  }
  EXPECT_EQ(table.Add(0x9000000, 0x1000), nullptr) << "a full table refuses";
  EXPECT_EQ(table.Held(), MappingTable::kSlots);
  for (std::size_t i = 0; i < handles.size(); ++i)
    for (std::size_t j = i + 1; j < handles.size(); ++j) EXPECT_NE(handles[i], handles[j]);
  int released = 0;
  while (MappingSlot* slot = table.AnyHeld()) {
    table.Remove(*slot);
    ++released;
  }
  EXPECT_EQ(released, MappingTable::kSlots);
  EXPECT_EQ(table.Held(), 0);
}

// A device played by the test: it records each request and answers as told.
struct FakeDevice {
  struct Call {
    HANDLE device;
    DWORD code, inBytes, outBytes;
    std::vector<unsigned char> in;
    bool outIsIn;
  };
  std::vector<Call> calls;
  bool fail = false;
  DWORD error = ERROR_ACCESS_DENIED;
  std::vector<unsigned char> reply;  // copied over the output buffer
};
FakeDevice* g_fake = nullptr;

BOOL WINAPI FakeDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inBytes, LPVOID out, DWORD outBytes,
                                LPDWORD returned, LPOVERLAPPED overlapped) {
  EXPECT_EQ(overlapped, nullptr) << "every request is sent without an OVERLAPPED record";
  const auto* bytes = static_cast<const unsigned char*>(in);
  g_fake->calls.push_back({device, code, inBytes, outBytes, std::vector<unsigned char>(bytes, bytes + inBytes), out == in});
  if (g_fake->fail) {
    SetLastError(g_fake->error);
    return FALSE;
  }
  if (out && !g_fake->reply.empty()) std::memcpy(out, g_fake->reply.data(), std::min<std::size_t>(outBytes, g_fake->reply.size()));
  *returned = out ? outBytes : 0;
  return TRUE;
}

template <typename T>
std::vector<unsigned char> BytesOf(const T& value) {
  const auto* p = reinterpret_cast<const unsigned char*>(&value);
  return std::vector<unsigned char>(p, p + sizeof value);
}

template <typename T>
T From(const std::vector<unsigned char>& bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
  return value;
}

class DriverProgramRequests : public ::testing::Test {
 protected:
  DriverProgramRequests() {
    g_fake = &fake_;
    app_.Sys.Os = &os_;
    app_.Sys.Boxes = &boxes_;
    app_.OsVersion.PlatformId = kPlatformNt;
    app_.PortIoDevice = reinterpret_cast<void*>(0x1234);
  }
  ~DriverProgramRequests() override { g_fake = nullptr; }

  FakeDevice fake_;
  win32::Win32OsFacts os_;
  RecordedMessageBoxes boxes_;
  AppState app_;
  DeviceIoHardware device_{app_, FakeDeviceIoControl};
};

TEST_F(DriverProgramRequests, PortRequestsCarryPortAndValueInOneBuffer) {
  EXPECT_TRUE(device_.WritePortDword(0xCF8, 0x8000F800));
  EXPECT_TRUE(device_.WritePortByte(0x2E, 0x87));
  fake_.reply = BytesOf(PortRequest{0xCFC, 0x27B88086});
  EXPECT_EQ(device_.ReadPortDword(0xCFC), 0x27B88086u);
  ASSERT_EQ(fake_.calls.size(), 3u);
  const struct {
    DWORD code;
    PortRequest sent;
  } expected[] = {{kWriteDword, {0xCF8, 0x8000F800}}, {kWriteByte, {0x2E, 0x87}}, {kReadDword, {0xCFC, 0}}};
  for (std::size_t i = 0; i < 3; ++i) {
    const FakeDevice::Call& call = fake_.calls[i];
    EXPECT_EQ(call.device, app_.PortIoDevice) << i;
    EXPECT_EQ(call.code, expected[i].code) << i;
    EXPECT_EQ(call.inBytes, 8u) << i;
    EXPECT_EQ(call.outBytes, 8u) << i;
    EXPECT_TRUE(call.outIsIn) << "input and reply share the buffer";
    EXPECT_EQ(From<PortRequest>(call.in).port, expected[i].sent.port) << i;
    EXPECT_EQ(From<PortRequest>(call.in).value, expected[i].sent.value) << i;
  }
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(DriverProgramRequests, ByteReadTakesOnlyTheLowEightBitsOfTheReply) {
  fake_.reply = BytesOf(PortRequest{0x2F, 0xABCDEF52});
  EXPECT_EQ(device_.ReadPortByte(0x2F), 0x52);
  ASSERT_EQ(fake_.calls.size(), 1u);
  EXPECT_EQ(fake_.calls[0].code, kReadByte);
  EXPECT_EQ(From<PortRequest>(fake_.calls[0].in).port, 0x2Fu);
}

TEST_F(DriverProgramRequests, MapReplyBeginningBelowTheAddressWantedIsCompensated) {
  // The driver mapped from 0x123 bytes below the address wanted.
  fake_.reply = BytesOf(Phys32Struct{77, 0x1000, 0xFE0C1 - 0x123, 0x00500000});
  uint32_t handle = 0;
  const void* pointer = device_.MapPhysicalMemory(0xFE0C1, 4, handle);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(pointer), 0x00500123u);
  EXPECT_EQ(handle, 77u);
  ASSERT_EQ(fake_.calls.size(), 1u);
  EXPECT_EQ(fake_.calls[0].code, kMapPhysical);
  EXPECT_EQ(fake_.calls[0].inBytes, 16u);
  EXPECT_EQ(fake_.calls[0].outBytes, 16u);
  EXPECT_EQ(From<Phys32Struct>(fake_.calls[0].in).length, 4u);
  EXPECT_EQ(From<Phys32Struct>(fake_.calls[0].in).physicalAddress, 0xFE0C1u);

  // The unmap carries the pointer handed out, not the start of the mapping.
  fake_.reply.clear();
  EXPECT_TRUE(device_.UnmapPhysicalMemory(handle, pointer));
  ASSERT_EQ(fake_.calls.size(), 2u);
  EXPECT_EQ(fake_.calls[1].code, kUnmapPhysical);
  EXPECT_EQ(fake_.calls[1].inBytes, 16u);
  EXPECT_EQ(fake_.calls[1].outBytes, 0u);
  EXPECT_EQ(From<Phys32Struct>(fake_.calls[1].in).handle, 77u);
  EXPECT_EQ(From<Phys32Struct>(fake_.calls[1].in).mappedAddress, 0x00500123u);
}

TEST_F(DriverProgramRequests, CompensationWorksInThirtyTwoBits) {
  EXPECT_EQ(reinterpret_cast<uintptr_t>(win32::CompensatedPointer(Phys32Struct{1, 0, 0xF0000, 0x7FFF0000}, 0xFFFFC)),
            0x7FFFFFFCu);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(win32::CompensatedPointer(Phys32Struct{1, 0, 0xFE0C1, 0x1000}, 0xFE0C1)),
            0x1000u);
}

TEST_F(DriverProgramRequests, FailedReadsShowTheErrorBoxAndReadAllOnes) {
  fake_.fail = true;
  fake_.error = ERROR_ACCESS_DENIED;
  EXPECT_EQ(device_.ReadPortByte(0x80), 0xFF);
  fake_.error = ERROR_INVALID_HANDLE;
  EXPECT_EQ(device_.ReadPortDword(0x3F8), 0xFFFFFFFFu);
  ASSERT_EQ(boxes_.Shown().size(), 2u);
  const auto& byteBox = boxes_.Shown()[0];
  EXPECT_EQ(byteBox.text.rfind("Line 145 at file otherfun\nError Code : 5 ( 5H )\n\t", 0), 0u) << byteBox.text;
  EXPECT_EQ(byteBox.caption, "Error...");
  EXPECT_EQ(byteBox.style, 0x40u);
  const auto& dwordBox = boxes_.Shown()[1];
  EXPECT_EQ(dwordBox.text.rfind("Line 192 at file otherfun\nError Code : 6 ( 6H )\n\t", 0), 0u) << dwordBox.text;
  EXPECT_EQ(dwordBox.caption, "Error...");
  EXPECT_EQ(dwordBox.style, 0x40u);
}

TEST_F(DriverProgramRequests, FailedWritesAndMapsAreSilent) {
  fake_.fail = true;
  EXPECT_FALSE(device_.WritePortByte(0x2E, 0x87));
  EXPECT_FALSE(device_.WritePortDword(0xCF8, 0x80000000));
  uint32_t handle = 0xDEADBEEF;
  EXPECT_EQ(device_.MapPhysicalMemory(0xF0000, 4, handle), nullptr);
  EXPECT_EQ(handle, 0xDEADBEEFu) << "a failed map leaves the handle as it was";
  EXPECT_FALSE(device_.UnmapPhysicalMemory(1, reinterpret_cast<const void*>(0x1000)));
  uint32_t word = 0x11223344;
  EXPECT_FALSE(ReadPhysicalDword(device_, 0xF0000, word));
  EXPECT_EQ(word, 0x11223344u) << "a failed read leaves the word as it was";
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(DriverProgramRequests, PlatformIdChoosesBetweenDriverAndPortInstructions) {
  win32::Win32Hardware hardware(app_, FakeDeviceIoControl);
  uint32_t handle = 0;
  // The 9x platform maps nothing and sends nothing, even with no device open.
  app_.OsVersion.PlatformId = kPlatformWin9x;
  app_.PortIoDevice = nullptr;
  EXPECT_EQ(hardware.MapPhysicalMemory(0xF0000, 4, handle), nullptr);
  EXPECT_FALSE(hardware.UnmapPhysicalMemory(1, nullptr));
  EXPECT_TRUE(fake_.calls.empty());
  // Every other platform id goes through the device: there is no third way.
  app_.PortIoDevice = reinterpret_cast<void*>(0x1234);
  fake_.reply = BytesOf(PortRequest{0x2F, 0x52});
  for (uint32_t platform : {uint32_t{kPlatformNt}, 0u, 3u}) {
    app_.OsVersion.PlatformId = platform;
    EXPECT_EQ(hardware.ReadPortByte(0x2F), 0x52) << platform;
    EXPECT_FALSE(hardware.ReadFirmwareDirectly(nullptr, 0)) << platform;
  }
  EXPECT_EQ(fake_.calls.size(), 3u);
}

}  // namespace
