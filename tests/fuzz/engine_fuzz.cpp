// The whole engine on winxp-modem with hostile input: a work file left by an
// earlier run (plain, read-only, or a folder of that name) with arbitrary
// bytes, and arbitrary data in the values the engine reads from the device's
// own keys. Detection, then every removal in both modes. Whatever it reads,
// the engine deletes nothing of the other devices (their Enum keys, their
// serial ports' COM numbers, the key skeleton above the device's keys, the
// other vendors' INF files), and leaves no registry handle open.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/reg_edit.h"
#include "platform/win_codes.h"
#include "tests/fuzz/fuzz_image.h"
#include "tests/support/engine_over_image.h"

namespace {

namespace fs = std::filesystem;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "engine_fuzz: %s\n", what);
  std::abort();
}

const std::string kSet = "SYSTEM\\CurrentControlSet\\";
const std::string kInstance = kSet + "Enum\\USB\\Vid_0e9c&Pid_0012\\5&2a3b1c4d&0&1";
const std::string kDriver = kSet + "Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001";

// Values the engine reads from the device's keys.
const struct {
  std::string key;
  const char* name;
} kHostileValues[] = {
    {kInstance, "DeviceDesc"},
    {kInstance, "Driver"},
    {kInstance, "ClassGUID"},
    {kInstance, "Service"},
    {kInstance + "\\Device Parameters", "SymbolicName"},
    {kInstance + "\\Device Parameters", "PortName"},
    {kDriver, "ResponsesKeyName"},
    {kDriver, "NetCfgInstanceId"},
    {kSet + "Control\\COM Name Arbiter", "ComDB"},
};

// Keys of the other devices, and the skeleton above every device's keys.
const char* const kKept[] = {
    "SYSTEM",
    "SYSTEM\\CurrentControlSet",
    "SYSTEM\\CurrentControlSet\\Enum",
    "SYSTEM\\CurrentControlSet\\Enum\\USB",
    "SYSTEM\\CurrentControlSet\\Control\\Class",
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}",
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses",
    "SYSTEM\\CurrentControlSet\\Enum\\Root\\MODEM\\0000",
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_046d&Pid_c00e\\5&2a3b1c4d&0&2",
    "SYSTEM\\CurrentControlSet\\Enum\\ACPI\\PNP0501\\1",
    "SYSTEM\\CurrentControlSet\\Enum\\ACPI\\PNP0501\\2",
    "SYSTEM\\CurrentControlSet\\Enum\\USB\\ROOT_HUB",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific",
};

zr::fuzz::FuzzImage& Image() {
  static zr::fuzz::FuzzImage image("winxp-modem");
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  auto machine = Image().Fresh();
  auto& tree = machine->Tree();
  bool portsHostile = false;
  for (const auto& value : kHostileValues) {
    if (!input.ConsumeBool()) continue;
    portsHostile = portsHostile || value.name == std::string("PortName") || value.name == std::string("ComDB");
    const std::uint32_t type = input.ConsumeBool() ? zr::win::kRegSz : input.ConsumeIntegral<std::uint32_t>() % 12;
    const std::string bytes = input.ConsumeRandomLengthString(300);
    tree.Find(value.key)->SetValue(value.name, tree.Fold(value.name), type, {bytes.begin(), bytes.end()});
  }
  const int stale = input.ConsumeIntegralInRange(0, 2);
  const std::string workBytes = input.ConsumeRemainingBytesAsString();
  const fs::path workFile = Image().Folder() / "drive_c" / "WINDOWS" / "tvk_temp.dat";
  if (stale == 2) {
    fs::create_directories(workFile / "inner");
  } else {
    std::ofstream(workFile, std::ios::binary) << workBytes;
    if (stale == 1) fs::permissions(workFile, fs::perms::owner_write, fs::perm_options::remove);
  }
  {
    zr::testing::RecordingSheet sheet;
    zr::CRegEdit engine(*machine);
    engine.Wizard().m_hSheetWnd = &sheet;
    engine.CheckWindowsVersion();
    engine.DetectModem();
    engine.DetectUsbLan();
    for (int mode : {1, 2}) {
      engine.RemovePortClass(mode);
      engine.RemoveWdmClass(mode);
      engine.RemoveWdmModemClass(mode);
      engine.RemoveLanClass(mode);
    }
  }
  Require(machine->OpenHandles() == 0, "a registry handle was left open");
  for (const char* key : kKept) Require(tree.Find(key) != nullptr, key);
  const zr::sim::RegValue* comDb = tree.Find(kSet + "Control\\COM Name Arbiter")->FindValue(tree.Fold("ComDB"));
  // The device's own PortName may name any port; only when it and ComDB
  // are as the image has them must COM1 and COM2 stay taken.
  Require(portsHostile || (comDb && !comDb->data.empty() && (comDb->data[0] & 0x03) == 0x03), "COM1 or COM2 was freed");
  for (const char* file : {"oem0.inf", "oem1.inf", "oem2.inf"})
    Require(fs::exists(Image().Folder() / "drive_c" / "WINDOWS" / "inf" / file), file);
  std::error_code error;
  fs::permissions(workFile, fs::perms::owner_write, fs::perm_options::add, error);
  return 0;
}
