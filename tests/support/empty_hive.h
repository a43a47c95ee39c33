// Writes the smallest registry hive file that the hive library opens for
// writing: a base block, one bin, a root key and the security cell the root
// points at. The test hives of the offline repair start from it and are
// filled through the library from a machine image.
#pragma once

#include <filesystem>
#include <string>

namespace zr::sim {
class SimMachine;
class RegKey;
}  // namespace zr::sim

namespace zr::testing {

bool WriteEmptyHive(const std::filesystem::path& path, std::string& error);

// Adds to an image's registry what every installed Windows NT has and the
// offline repair reads: Select\Current = 1, the version values under
// SOFTWARE\Microsoft\Windows NT\CurrentVersion and the ANSI code page under
// Control\Nls\CodePage (each only when missing).
void AddInstalledWindowsKeys(sim::SimMachine& machine);

// Makes a mounted partition from a machine image: drive_c/ is copied to
// `mount`, and <Windows folder>/system32/config/{SYSTEM,SOFTWARE} are made
// from HKLM\SYSTEM (CurrentControlSet stored as ControlSet001) and
// HKLM\SOFTWARE, names and texts converted from the image's code page.
bool MountFromImage(sim::SimMachine& image, const std::filesystem::path& mount, std::string& error);

// The same conversion for one registry tree into an existing hive file.
bool FillHive(const std::filesystem::path& hive, const sim::RegKey& from, bool systemHive, unsigned codePage,
              std::string& error);

}  // namespace zr::testing
