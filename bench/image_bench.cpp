// Load and save of a large machine image: 100,000 keys below HKLM, shaped like
// a busy device enumeration (hardware keys, instances, their parameters).
// Reports the time per load and save and the process's peak resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/sim/machine.h"
#include "platform/sim/reg_file.h"
#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTargetKeys = 100000;

std::vector<std::uint8_t> Sz(const std::string& s) {
  return std::vector<std::uint8_t>(s.c_str(), s.c_str() + s.size() + 1);
}

// Each hardware id holds 4 instances, each with a parameters key: 9 keys.
zr::sim::RegTree MakeTree() {
  zr::sim::RegTree tree(932);
  int keys = 0;
  for (int hw = 0; keys < kTargetKeys; ++hw) {
    char id[64];
    std::snprintf(id, sizeof id, "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_%04x&Pid_%04x", hw % 4096, hw);
    tree.Create(id);
    ++keys;
    for (int inst = 0; inst < 4 && keys < kTargetKeys; ++inst) {
      const std::string path = std::string(id) + "\\5&" + std::to_string(hw * 7 + inst) + "&0&1";
      auto key = tree.Create(path);
      key->SetValue("DeviceDesc", tree.Fold("DeviceDesc"), zr::win::kRegSz, Sz("USB device " + std::to_string(hw)));
      key->SetValue("Driver", tree.Fold("Driver"), zr::win::kRegSz,
                    Sz("{36FC9E60-C465-11CF-8056-444553540000}\\" + std::to_string(hw)));
      key->SetValue("ConfigFlags", tree.Fold("ConfigFlags"), zr::win::kRegDword, {0, 0, 0, 0});
      auto params = tree.Create(path + "\\Device Parameters");
      params->SetValue("SymbolicName", tree.Fold("SymbolicName"), zr::win::kRegSz,
                       Sz("\\??\\USB#" + std::to_string(hw) + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"));
      keys += 2;
    }
  }
  return tree;
}

const fs::path& ImageFolder() {
  static const fs::path folder = [] {
    fs::path dir = fs::temp_directory_path() / ("zr_bench_image_" + std::to_string(::getpid()));
    fs::create_directories(dir / "drive_c" / "WINDOWS" / "system32");
    std::ofstream(dir / "machine.ini") << "[system]\nmajor=5\nminor=1\nbuild=2600\nplatform=2\nwindows=C:\\WINDOWS\n";
    const auto bytes = zr::sim::WriteRegFile(MakeTree(), zr::sim::RegFormat::Regedit4);
    std::ofstream(dir / "HKLM.reg", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return dir;
  }();
  return folder;
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_LoadImage(benchmark::State& state) {
  const fs::path& folder = ImageFolder();
  std::size_t keys = 0;
  for (auto _ : state) {
    std::string error;
    auto machine = zr::sim::SimMachine::Load(folder, error);
    if (!machine)
      state.SkipWithError(error.c_str());
    else
      keys = machine->Tree().Root().CountKeys() - 1;
  }
  state.counters["keys"] = static_cast<double>(keys);
  state.counters["file_MiB"] = static_cast<double>(fs::file_size(folder / "HKLM.reg")) / (1 << 20);
  state.counters["peak_rss_MiB"] = PeakResidentMiB();
}
BENCHMARK(BM_LoadImage)->Unit(benchmark::kMillisecond);

void BM_SaveImage(benchmark::State& state) {
  std::string error;
  auto machine = zr::sim::SimMachine::Load(ImageFolder(), error);
  if (!machine) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    machine->MarkDirty();
    if (!machine->Save(error)) state.SkipWithError(error.c_str());
  }
  state.counters["peak_rss_MiB"] = PeakResidentMiB();
}
BENCHMARK(BM_SaveImage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::error_code ec;
  fs::remove_all(ImageFolder(), ec);
  return 0;
}
