// The Linux program over an installed Windows 2000/XP: test hives made from
// the sample images, the same wizard run offline and on the simulation, and
// the hives as the run leaves them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/hive/hive_file.h"
#include "platform/hive/hive_machine.h"
#include "platform/sim/machine.h"
#include "tests/support/empty_hive.h"

namespace fs = std::filesystem;

namespace zr {
namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A sample image copied into a scratch folder, with the keys an installed
// Windows has, and the same machine as a mounted partition beside it.
class OfflineCopy {
 public:
  explicit OfflineCopy(const std::string& sample)
      : root_(fs::temp_directory_path() / ("zr_offline_" + std::to_string(::getpid()) + "_" + sample)) {
    fs::remove_all(root_);
    fs::create_directories(root_);
    fs::copy(fs::path(ZR_SOURCE_DIR) / "machines" / sample, Image(), fs::copy_options::recursive);
    std::string error;
    auto machine = sim::SimMachine::Load(Image(), error);
    if (!machine) throw std::runtime_error(error);
    testing::AddInstalledWindowsKeys(*machine);
    if (!machine->Save(error) || !testing::MountFromImage(*machine, Mount(), error)) throw std::runtime_error(error);
  }
  ~OfflineCopy() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path Image() const { return root_ / "image"; }
  fs::path Mount() const { return root_ / "mount"; }
  fs::path Root() const { return root_; }

  // The program's exit status; its output goes to <root>/<name>.out.
  int Run(const std::string& where, const std::string& script, const std::string& name) const {
    const std::string command = std::string(ZR_PROGRAM) + " " + where + " --script " + script + " > " +
                                (root_ / (name + ".out")).string() + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  fs::path root_;
};

TEST(OfflineRepair, EndsAsTheSimulationDoes) {
  for (const char* sample : {"winxp-modem", "win2000-modem-lan", "winxp-nothing"}) {
    SCOPED_TRACE(sample);
    OfflineCopy copy(sample);
    const std::string script = std::string(ZR_SOURCE_DIR) + "/tests/scenario/cases/" + sample + ".case";
    const int simStatus = copy.Run("--machine " + copy.Image().string(), script, "sim");
    EXPECT_EQ(copy.Run("--windows " + copy.Mount().string(), script, "hive"), simStatus)
        << Slurp(copy.Root() / "hive.out");
    std::string error;
    auto simulated = sim::SimMachine::Load(copy.Image(), error);
    auto offline = hive::HiveMachine::Open(copy.Mount(), error);
    ASSERT_TRUE(simulated && offline) << error;
    EXPECT_TRUE(offline->Machine().Tree().SameAs(simulated->Tree()));
    // Every transcript line but the machine's own folder is the same.
    EXPECT_EQ(Slurp(copy.Root() / "hive.out"), Slurp(copy.Root() / "sim.out"));
  }
}

// Another device's key and values that the code page cannot hold: the engine
// never sees them, and the run leaves every byte of them as it was.
TEST(OfflineRepair, KeepsWhatTheCodePageCannotHold) {
  OfflineCopy copy("winxp-modem");
  const fs::path system = copy.Mount() / "WINDOWS" / "system32" / "config" / "SYSTEM";
  const std::vector<hive::HiveValue> foreign = {
      {"FriendlyName", 1, {'M', 0, 0xFC, 0, 'l', 0, 'l', 0, 'e', 0, 'r', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
      {"HardwareID", 7, {'U', 0, 0xFC, 0, 0, 0, 0xAC, 0x20, 0, 0, 0, 0}},
      {"Odd", 1, {'a', 0, 'b'}},
      {"Pr\xc3\xa4"
       "fix",
       4,
       {1, 0, 0, 0}},
  };
  std::string error;
  auto add = [&](hive::HiveFile& file) {
    hive::NodeId node = file.Root();
    for (const char* name : {"ControlSet001", "Enum", "USB"}) node = file.Child(node, name);
    node = file.AddChild(node, "VID_0001&PID_\xc3\xbc", error);
    return node != 0 && file.SetValues(node, foreign, error) && file.Commit(error);
  };
  {
    auto file = hive::HiveFile::Open(system, true, error);
    ASSERT_TRUE(file && add(*file)) << error;
  }
  const std::string script = std::string(ZR_SOURCE_DIR) + "/tests/scenario/cases/winxp-modem.case";
  ASSERT_EQ(copy.Run("--windows " + copy.Mount().string(), script, "hive"), 0) << Slurp(copy.Root() / "hive.out");
  auto file = hive::HiveFile::Open(system, false, error);
  ASSERT_TRUE(file) << error;
  hive::NodeId node = file->Root();
  for (const char* name : {"ControlSet001", "Enum", "USB", "VID_0001&PID_\xc3\xbc"})
    node = node ? file->Child(node, name) : 0;
  ASSERT_NE(node, 0u);
  const auto kept = file->Values(node);
  ASSERT_EQ(kept.size(), foreign.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(kept[i].name, foreign[i].name);
    EXPECT_EQ(kept[i].data, foreign[i].data) << kept[i].name;
  }
  hive::NodeId modem = file->Root();
  for (const char* name : {"ControlSet001", "Enum", "USB", "VID_0E9C&PID_0012"})
    modem = modem ? file->Child(modem, name) : 0;
  ASSERT_NE(modem, 0u);
  EXPECT_EQ(file->Child(modem, "5&2a3b1c4d&0&1"), 0u) << "the device's instance is gone";
}

TEST(OfflineRepair, RefusesWhatItCannotChangeSafely) {
  OfflineCopy copy("winxp-modem");
  const fs::path config = copy.Mount() / "WINDOWS" / "system32" / "config";
  const std::string system = Slurp(config / "SYSTEM");
  const std::string software = Slurp(config / "SOFTWARE");
  struct Row {
    const char* what;
    std::string systemBytes;  // written over SYSTEM before the run
    const char* message;
  };
  const Row rows[] = {
      {"truncated", system.substr(0, 6000), "SYSTEM: not a registry hive"},
      {"a 98 registry file", std::string("CREG\x00\x00\x01\x00", 8) + std::string(4088, '\0'),
       "SYSTEM: not a registry hive"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::ofstream(config / "SYSTEM", std::ios::binary | std::ios::trunc) << row.systemBytes;
    EXPECT_EQ(copy.Run("--windows " + copy.Mount().string(), "/dev/null", "refused"), 1);
    EXPECT_NE(Slurp(copy.Root() / "refused.out").find(row.message), std::string::npos)
        << Slurp(copy.Root() / "refused.out");
    EXPECT_EQ(Slurp(config / "SYSTEM"), row.systemBytes);
    EXPECT_EQ(Slurp(config / "SOFTWARE"), software);
  }

  // A Windows 98 installation: named for what it is.
  const fs::path nine = copy.Root() / "win98";
  fs::create_directories(nine / "Windows");
  std::ofstream(nine / "Windows" / "SYSTEM.DAT") << "CREG";
  EXPECT_EQ(copy.Run("--windows " + nine.string(), "/dev/null", "nine"), 1);
  EXPECT_NE(Slurp(copy.Root() / "nine.out").find("SYSTEM.DAT: this is Windows 98 or Me"), std::string::npos);

  // A read-only mount is found before anything starts.
  std::ofstream(config / "SYSTEM", std::ios::binary | std::ios::trunc) << system;
  const std::string mount = copy.Mount().string();
  const std::string readOnly = "unshare -m sh -c 'mount --bind " + mount + " " + mount +
                               " && mount -o remount,ro,bind " + mount + " " + mount + " && " + ZR_PROGRAM +
                               " --windows " + mount + " --script /dev/null' > " + (copy.Root() / "ro.out").string() +
                               " 2>&1";
  if (std::system(("unshare -m true 2>/dev/null")) != 0)
    GTEST_SKIP() << "no mount namespace here for a read-only mount";
  const int status = std::system(readOnly.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
  EXPECT_NE(Slurp(copy.Root() / "ro.out").find("mounted read-only"), std::string::npos)
      << Slurp(copy.Root() / "ro.out");
  EXPECT_EQ(Slurp(config / "SYSTEM"), system);
}

}  // namespace
}  // namespace zr
