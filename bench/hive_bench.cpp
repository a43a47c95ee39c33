// The offline repair on a well-used Windows XP: a SYSTEM hive of about 30 MB
// with hundreds of USB device instances (and the sample machine's modem
// among them), repaired by the program itself as a user runs it:
//   zrdrvtool --windows MOUNT --script <the modem removal>
// which opens both hives, detects, removes and commits. Targets: under 2 s
// wall time and under 256 MiB peak resident memory for that process.
//
// The generated partition is kept in the build tree and made again only
// when it is missing; each run works on a fresh copy of its hives.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/sim/machine.h"
#include "tests/support/empty_hive.h"

namespace fs = std::filesystem;

namespace {

constexpr int kUsbDevices = 600;        // other USB devices, one instance each
constexpr int kServices = 16000;        // padding: services with their parameters
constexpr int kServicesPerGroup = 100;  // the hive library rewrites a key's whole
                                        // sub-key list for every key added to it
constexpr double kTargetSeconds = 2.0;
constexpr double kTargetMiB = 256.0;

void Text(zr::sim::RegTree& tree, const std::string& path, const char* name, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  tree.Create(path)->SetValue(name, tree.Fold(name), 1, std::move(data));
}

void AddWellUsedMachine(zr::sim::RegTree& tree) {
  const std::string set = "SYSTEM\\CurrentControlSet\\";
  char name[128];
  for (int d = 0; d < kUsbDevices; ++d) {
    std::snprintf(name, sizeof name, "Enum\\USB\\Vid_%04x&Pid_%04x\\7&%08x&0&%d", 0x1000 + d % 97, d, 0x3C000000 + d,
                  d % 4 + 1);
    const std::string instance = set + name;
    std::snprintf(name, sizeof name, "{36FC9E60-C465-11CF-8056-444553540000}\\%04d", d);
    Text(tree, instance, "DeviceDesc", "USB Composite Device " + std::to_string(d));
    Text(tree, instance, "Driver", name);
    Text(tree, instance, "Mfg", "(Standard USB Host Controller)");
    Text(tree, instance, "Service", "usbccgp");
    Text(tree, instance + "\\Device Parameters", "SymbolicName", "\\??\\USB#" + std::to_string(d));
    Text(tree, set + "Control\\Class\\" + name, "DriverDesc", "USB Composite Device");
  }
  const std::string blob(400, 'x');
  for (int s = 0; s < kServices; ++s) {
    std::snprintf(name, sizeof name, "Services\\Group%03d\\Svc%05d", s / kServicesPerGroup, s);
    Text(tree, set + name, "ImagePath", "system32\\drivers\\svc" + std::to_string(s) + ".sys");
    Text(tree, set + name, "DisplayName", "Service " + std::to_string(s));
    Text(tree, set + name + "\\Parameters", "Blob", blob);
  }
}

std::uintmax_t Size(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

bool MakePartition(const fs::path& source, const fs::path& work, const fs::path& mount) {
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy(source, work / "image", fs::copy_options::recursive);
  std::string error;
  auto machine = zr::sim::SimMachine::Load(work / "image", error);
  if (machine) {
    zr::testing::AddInstalledWindowsKeys(*machine);
    AddWellUsedMachine(machine->Tree());
    if (zr::testing::MountFromImage(*machine, mount, error)) return true;
  }
  std::fprintf(stderr, "hive_bench: %s\n", error.c_str());
  return false;
}

}  // namespace

int main() {
  const fs::path base = fs::path(ZR_BENCH_WORK) / "hive_bench.work";
  const fs::path pristine = base / "mount";
  const fs::path system = pristine / "WINDOWS" / "system32" / "config" / "SYSTEM";
  if (Size(system) == 0) {
    std::printf("making the partition (once) ...\n");
    if (!MakePartition(fs::path(ZR_SOURCE_DIR) / "machines" / "winxp-modem", base / "work", pristine)) return 1;
  }
  const fs::path run = base / "run";
  fs::remove_all(run);
  fs::copy(pristine, run, fs::copy_options::recursive);
  const std::string script = std::string(ZR_SOURCE_DIR) + "/tests/scenario/cases/winxp-modem.case";

  const auto start = std::chrono::steady_clock::now();
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    execl(ZR_PROGRAM, ZR_PROGRAM, "--windows", run.c_str(), "--script", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;

  std::printf("SYSTEM hive %.1f MB, SOFTWARE %.1f MB, %d other USB instances\n",
              static_cast<double>(Size(system)) / 1e6,
              static_cast<double>(Size(pristine / "WINDOWS" / "system32" / "config" / "SOFTWARE")) / 1e6, kUsbDevices);
  std::printf("open + detect + remove + commit: %.3f s wall, %.3f s CPU, peak %.1f MiB, exit %d\n", seconds, cpu, mib,
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  std::printf("targets: < %.0f s %s, < %.0f MiB %s\n", kTargetSeconds, seconds < kTargetSeconds ? "met" : "MISSED",
              kTargetMiB, mib < kTargetMiB ? "met" : "MISSED");
  std::printf("SYSTEM.zrbak kept: %s\n", Size(run / "WINDOWS" / "system32" / "config" / "SYSTEM.zrbak") ? "yes" : "no");
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
