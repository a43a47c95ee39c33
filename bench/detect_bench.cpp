// Detection at the bounds and the install page's poll.
//
// BM_DetectAtBounds: an XP machine whose USB enumerator holds 128 hardware
// keys of 128 instances each, every instance with all the values the
// snapshot records (its parameters key and its class key included), and
// 256 OEM INF files of 64 KiB, the modem's text only in the last. One
// iteration is what the selection page's Next does: a fresh engine runs the
// modem detection and then the USB-LAN detection. Targets: under 1 s, and
// under 64 MiB peak resident memory (peak_rss_MiB, the process's ru_maxrss;
// fixture_rss_MiB is the peak before the first detection).
//
// BM_PollSampleMachine: one tick of the device detection page on the
// bundled sample machine: two snapshots, the modem's description, then the
// adapter's. Target: under 5 ms.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRoots = 128;
constexpr int kInstances = 128;
constexpr int kOemInfs = 256;
constexpr std::size_t kInfSize = 64 * 1024;
constexpr char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
constexpr char kClassRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kModemClass[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kNetClass[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void SetText(zr::sim::RegTree& tree, zr::sim::RegKey& key, const char* name, const std::string& text) {
  key.SetValue(name, tree.Fold(name), zr::win::kRegSz,
               std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
}

// Half the instances are described as the modem, half as the adapter, so
// each detection finds a driver for every other instance.
void FillUsbTree(zr::sim::RegTree& tree) {
  char name[96];
  for (int r = 0; r < kRoots; ++r) {
    std::snprintf(name, sizeof name, "Vid_%04x&Pid_%04x", 0x0E9C, r);
    const std::string root = std::string(kEnum) + name;
    for (int d = 0; d < kInstances; ++d) {
      const bool modem = d % 2 == 0;
      const int n = r * kInstances + d;
      std::snprintf(name, sizeof name, "\\6&%08x&0&%d", 0x1A2B3C00 + n, d + 1);
      const std::string instance = root + name;
      std::snprintf(name, sizeof name, "%s\\%04d", modem ? kModemClass : kNetClass, n);
      const std::string driver = name;
      auto key = tree.Create(instance);
      SetText(tree, *key, "DeviceDesc", modem ? "tolvek ZR-77Q5K - USB" : "tolvek ZR-77Q5K USB-Lan Adapter");
      SetText(tree, *key, "Driver", driver);
      SetText(tree, *key, "ClassGUID", modem ? kModemClass : kNetClass);
      SetText(tree, *key, "Service", modem ? "Modem" : "tvkndis");
      auto parameters = tree.Create(instance + "\\Device Parameters");
      SetText(tree, *parameters, "SymbolicName",
              "\\??\\USB#" + instance.substr(sizeof kEnum - 1) + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
      SetText(tree, *parameters, "PortName", "COM" + std::to_string(3 + n % 250));
      auto cls = tree.Create(kClassRoot + driver);
      SetText(tree, *cls, "ResponsesKeyName", "tolvek ZR-77Q5K - USB#tolvek#Modem");
      SetText(tree, *cls, "NetCfgInstanceId", "{5E3D3A4C-9F0B-4C1E-8D2A-" + std::to_string(100000000000 + n) + "}");
    }
  }
}

// INF-like text of exactly kInfSize bytes; the last file names the modem in
// its last line.
void WriteInfFiles(const fs::path& inf) {
  std::string line = "HKR,,Init1,,\"AT&F E0 V1 S0=0 &C1 &D2\"   ; filler of a large INF file\r\n";
  for (int n = 0; n < kOemInfs; ++n) {
    std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\n[Strings]\r\n";
    std::string tail = n == kOemInfs - 1 ? "Modem=\"tolvek ZR-77Q5K USB-Modem\"\r\n" : "Modem=\"Other USB-Modem\"\r\n";
    while (text.size() + line.size() + tail.size() <= kInfSize) text += line;
    text += std::string(kInfSize - text.size() - tail.size(), ';');
    text += tail;
    Write(inf / ("oem" + std::to_string(n) + ".inf"), text);
  }
}

class Folder {
 public:
  explicit Folder(const std::string& name)
      : path_(fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

void BM_DetectAtBounds(benchmark::State& state) {
  Folder folder("zr_detect_bench");
  Write(folder.Path() / "machine.ini",
        "[system]\nmajor=5\nminor=1\nbuild=2600\nplatform=2\ncsd=Service Pack 3\nwindows=C:\\WINDOWS\n"
        "system=C:\\WINDOWS\\system32\ncurrent=C:\\\ncodepage=932\nadmin=1\n");
  Write(folder.Path() / "HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n");
  fs::create_directories(folder.Path() / "drive_c" / "WINDOWS" / "system32");
  WriteInfFiles(folder.Path() / "drive_c" / "WINDOWS" / "inf");
  std::string error;
  auto machine = zr::sim::SimMachine::Load(folder.Path(), error);
  if (!machine) {
    state.SkipWithError(error.c_str());
    return;
  }
  FillUsbTree(machine->Tree());
  // The simulated registry alone is a good part of the peak; what the
  // detections add shows as the difference.
  state.counters["fixture_rss_MiB"] = PeakResidentMiB();

  int modem = 0;
  int lan = 0;
  int files = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto engine = std::make_unique<zr::CRegEdit>(*machine);
    engine->CheckWindowsVersion();
    state.ResumeTiming();
    modem = engine->DetectModem();
    lan = engine->DetectUsbLan();
    state.PauseTiming();
    files = static_cast<int>(engine->ModemInfFiles().size());
    engine.reset();
    state.ResumeTiming();
  }
  if (modem != 0x10028 || lan != 0x30 || files != 2 || machine->OpenHandles() != 0)
    state.SkipWithError("unexpected detection result");
  state.counters["peak_rss_MiB"] = PeakResidentMiB();
}
BENCHMARK(BM_DetectAtBounds)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PollSampleMachine(benchmark::State& state) {
  // The sample machine lies beside this source file's folder; it is copied
  // so that nothing touches the bundled image.
  const fs::path sample = fs::path(__FILE__).parent_path().parent_path() / "machines" / "winxp-modem";
  Folder folder("zr_poll_bench");
  std::error_code ec;
  fs::copy(sample, folder.Path(), fs::copy_options::recursive, ec);
  if (ec) {
    state.SkipWithError(("cannot copy " + sample.string() + ": " + ec.message()).c_str());
    return;
  }
  std::string error;
  auto machine = zr::sim::SimMachine::Load(folder.Path(), error);
  if (!machine) {
    state.SkipWithError(error.c_str());
    return;
  }
  zr::CRegEdit engine(*machine);
  engine.CheckWindowsVersion();
  int found = 0;
  for (auto _ : state) {
    found = engine.EnumUsbDevices("SYSTEM\\CurrentControlSet\\Enum\\USB", "tolvek ZR-77Q5K - USB", 2);
    found += engine.EnumUsbDevices("SYSTEM\\CurrentControlSet\\Enum\\USB", "tolvek ZR-77Q5K USB-Lan Adapter", 2);
  }
  if (found != 1) state.SkipWithError("the sample machine's modem was not found");
}
BENCHMARK(BM_PollSampleMachine)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
