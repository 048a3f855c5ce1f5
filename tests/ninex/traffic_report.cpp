#include "tests/ninex/traffic_report.h"

namespace drivora::ninex {

std::string FormatPortTraffic(const HardwareCounts& c) {
  return "port byte reads " + std::to_string(c.readByte) + "\n" + "port byte writes " + std::to_string(c.writeByte) +
         "\n" + "port dword reads " + std::to_string(c.readDword) + "\n" + "port dword writes " +
         std::to_string(c.writeDword) + "\n";
}

}  // namespace drivora::ninex
