// What the benchmark under Wine asks of Windows beyond the program's own
// platform: the profile call the work file is measured against, a registry
// import, and the process's peak working set. Nothing of <windows.h> shows
// through this header.
#pragma once

#include <cstdint>
#include <string>

namespace zr::bench {

// WritePrivateProfileStringA(section, key, value, path).
bool WriteProfileEntry(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value);

// Runs "regedit /S path" and waits for it. False, with `error` saying why,
// when it could not be started or did not succeed.
bool ImportRegFile(const std::string& path, std::string& error);

// User and kernel time this process has used, in seconds (GetProcessTimes).
// Under Wine it leaves out the server's share of each call.
double ProcessCpuSeconds();

// PROCESS_MEMORY_COUNTERS.PeakWorkingSetSize of this process, 0 when the
// query fails.
std::uint64_t PeakWorkingSetBytes();

}  // namespace zr::bench
