// Registry places by which an interrupted installation resumes after a restart.
#pragma once

namespace drivora {

constexpr char kRunKeyPath[] = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOnceKeyPath[] = "SoftWare\\MicroSoft\\Windows\\CurrentVersion\\RunOnce";
// The value under Run that starts the wizard again on the 9x family.
constexpr char kResumeValueName[] = "Drivora...";

}  // namespace drivora
