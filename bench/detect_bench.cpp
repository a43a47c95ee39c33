// Detection at the bounds and the install page's poll.
//
// BM_DetectAtBounds: an XP machine at the bounds (bounds_machine.h). One
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

#include "bench/bounds_machine.h"
#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace {

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The bounds' registry values, each key created once.
void FillUsbTree(zr::sim::RegTree& tree) {
  std::string current;
  std::shared_ptr<zr::sim::RegKey> key;
  zr::bench::ForEachUsbValue([&](const std::string& path, const char* name, const std::string& text) {
    if (path != current) {
      key = tree.Create(path);
      current = path;
    }
    key->SetValue(name, tree.Fold(name), zr::win::kRegSz,
                  std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
  });
}

void WriteInfFiles(const fs::path& inf) {
  for (int n = 0; n < zr::bench::kOemInfs; ++n)
    Write(inf / ("oem" + std::to_string(n) + ".inf"), zr::bench::OemInfText(n));
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
  if (modem != zr::bench::kModemWord || lan != zr::bench::kLanWord || files != zr::bench::kModemInfEntries ||
      machine->OpenHandles() != 0)
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
