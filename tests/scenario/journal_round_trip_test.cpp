// The journal of a run, put back: every sample image's removal and every
// install staging leaves, after --restore, the image as it was before the
// run (registry and drive C: with attributes). Then journals that were
// damaged, written by someone hostile, or outlived by later changes.
#include <gtest/gtest.h>

#include <sstream>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/sim/machine.h"
#include "platform/sim/reg_file.h"
#include "platform/win_codes.h"
#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

namespace fs = std::filesystem;

struct Trip {
  std::string image;
  std::string mode = {};    // "" for the removal wizard with the image's own script
  std::string script = {};  // for the install staging
};

void PrintTo(const Trip& trip, std::ostream* out) { *out << trip.image << " " << trip.mode; }
class JournalRoundTrip : public ::testing::TestWithParam<Trip> {};

std::string Journal(const ScratchImage& image) { return (image.Scratch() / "journal").string(); }

RunResult Restore(const ScratchImage& image) { return RunProgram(image, "", "", "--restore " + Journal(image)); }

TEST_P(JournalRoundTrip, RestoreGivesBackTheImageBeforeTheRun) {
  const Trip& trip = GetParam();
  ScratchImage image(trip.image);
  const testing::MachineSnapshot before = image.Snapshot();
  const RunResult run = RunProgram(image, trip.mode.empty() ? ScriptFile(trip.image) : trip.script, trip.mode,
                                   "--journal " + Journal(image));
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_NE(before.DifferencesFrom(image.Snapshot()), "") << "the run changed nothing";
  const std::string leftByTheRun = image.ReadFile("HKLM.reg");
  const RunResult back = Restore(image);
  EXPECT_EQ(back.status, 0) << back.out << back.err;
  // A key the restore makes again has the list the tool gave it before
  // deleting it: the platform can set no other list, so only those differ.
  std::string differences;
  std::istringstream lines(before.DifferencesFrom(image.Snapshot()));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("~ access ", 0) != 0) differences += line + "\n";
  EXPECT_EQ(differences, "") << back.out;

  // regedit's way: restore.reg merged into the registry the run left.
  image.WriteFile("HKLM.reg", leftByTheRun);
  std::string error;
  auto machine = sim::SimMachine::Load(image.Folder(), error);
  ASSERT_TRUE(machine) << error;
  const std::string reg = image.ReadFile("../journal/restore.reg");
  sim::RegFormat format{};
  sim::RegParseError parseError;
  EXPECT_TRUE(sim::ParseRegFile({reg.begin(), reg.end()}, machine->Tree(), format, parseError))
      << parseError.line << " " << parseError.message;
  EXPECT_EQ(before.DifferencesFrom(testing::MachineSnapshot::Take(machine->Tree(), image.Folder())), "");
}

constexpr char kStage[] = "next\ncancel\n";
INSTANTIATE_TEST_SUITE_P(, JournalRoundTrip,
                         ::testing::Values(Trip{"winxp-modem"}, Trip{"win2000-modem-lan"}, Trip{"win98-portadapter"},
                                           Trip{"win98-portadapter-sibling"}, Trip{"win98-wdm"}, Trip{"winme-wdmmodem"},
                                           Trip{"winxp-limited-user"}, Trip{"win98-install", "install", kStage},
                                           Trip{"winme-install", "install", kStage},
                                           Trip{"winxp-install", "install", kStage}),
                         [](const ::testing::TestParamInfo<Trip>& info) {
                           std::string name = info.param.image;
                           for (char& c : name) c = c == '-' ? '_' : c;
                           return name;
                         });

// A journal that cannot be written changes nothing of the run itself.
TEST(UnwritableJournal, TheRunGoesOnAsWithoutIt) {
  ScratchImage journaled("winxp-modem"), unjournaled("winxp-modem");
  ASSERT_EQ(RunProgram(journaled, ScriptFile("winxp-modem"), "", "--journal " + Journal(journaled)).status, 0);
  unjournaled.WriteFile("../journal", "a file where the journal's folder would be");
  const RunResult run = RunProgram(unjournaled, ScriptFile("winxp-modem"), "", "--journal " + Journal(unjournaled));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("is incomplete"), std::string::npos) << run.err;
  EXPECT_EQ(journaled.Snapshot().DifferencesFrom(unjournaled.Snapshot()), "");
}

void Append(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::app) << text; }

// After the winxp-modem run: the port of another device taken in ComDB
// (COM5), and the deleted oem3.inf written anew.
void ChangeBack(const ScratchImage& image) {
  std::string error;
  auto machine = sim::SimMachine::Load(image.Folder(), error);
  ASSERT_TRUE(machine) << error;
  IRegistry& registry = machine->Registry();
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(registry.OpenKey("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", win::kKeyAllAccess, key), 0u);
  std::uint8_t comDb[32] = {0x13};
  registry.SetValue(key, "ComDB", win::kRegBinary, comDb, sizeof(comDb));
  registry.CloseKey(key);
  ASSERT_TRUE(machine->Save(error)) << error;
  image.WriteFile("drive_c/WINDOWS/inf/oem3.inf", "a newer oem3.inf");
}

struct Damage {
  std::string name;
  std::function<void(const ScratchImage&)> edit;
  int status;
  std::string reported;
  bool nothingWritten;  // else: what is not put back only lacks, nothing is added
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }
class DamagedJournal : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedJournal, RestoresWhatItCanAndSaysWhatItCouldNot) {
  const Damage& damage = GetParam();
  ScratchImage image("winxp-modem");
  const testing::MachineSnapshot before = image.Snapshot();
  ASSERT_EQ(RunProgram(image, ScriptFile("winxp-modem"), "", "--journal " + Journal(image)).status, 0);
  damage.edit(image);
  const testing::MachineSnapshot edited = image.Snapshot();
  const RunResult back = Restore(image);
  EXPECT_EQ(back.status, damage.status) << back.out;
  EXPECT_NE(back.out.find(damage.reported), std::string::npos) << back.out;
  const std::string left = (damage.nothingWritten ? edited : before).DifferencesFrom(image.Snapshot());
  if (damage.nothingWritten) {
    EXPECT_EQ(left, "");
  }
  for (const std::string& line : Lines(left))  // nothing appears that was not there before
    EXPECT_EQ(line.find("added"), std::string::npos) << line;
}

const std::string kFile = "#99\tfile deleted\t", kKey = "#99\tvalue deleted\t";
INSTANTIATE_TEST_SUITE_P(
    , DamagedJournal,
    ::testing::Values(
        Damage{"cut_restore_reg", [](const ScratchImage& i) { fs::resize_file(Journal(i) + "/restore.reg", 100); }, 0,
               "Put back", false},
        Damage{"cut_journal",
               [](const ScratchImage& i) {
                 fs::resize_file(Journal(i) + "/journal.txt", fs::file_size(Journal(i) + "/journal.txt") / 2);
               },
               7, "cut short", false},
        Damage{"missing_copy", [](const ScratchImage& i) { fs::remove(Journal(i) + "/files/C/WINDOWS/inf/oem3.inf"); },
               7, "oem3.inf: its copy files/C/WINDOWS/inf/oem3.inf is missing", false},
        Damage{"registry_outside_hklm",
               [](const ScratchImage& i) {
                 Append(Journal(i) + "/journal.txt", kKey + "HKEY_CURRENT_USER\\Software\tX\tstep: x\r\n");
               },
               1, "registry path outside HKEY_LOCAL_MACHINE", true},
        Damage{"file_climbing_out",
               [](const ScratchImage& i) {
                 Append(Journal(i) + "/journal.txt", kFile + "C:\\WINDOWS\\..\\..\\evil\t\tstep: x\r\n");
               },
               1, "file path not allowed", true},
        Damage{"copy_elsewhere",
               [](const ScratchImage& i) {
                 Append(Journal(i) + "/journal.txt",
                        kFile + "C:\\evil\t\tstep: x\r\n\tfile\tC:\\evil\t20\tfiles/../../../etc/passwd\t1\t0\r\n");
               },
               1, "copy outside its place", true},
        // What changed after the run stays: COM5 stays taken beside the
        // port put back, and the newer oem3.inf is left.
        Damage{"changed_after_the_run", ChangeBack, 7, "file C:\\WINDOWS\\inf\\oem3.inf exists again", false}),
    [](const ::testing::TestParamInfo<Damage>& info) { return info.param.name; });

TEST(ChangedAfterTheRun, KeepsThePortsTakenSinceAndTheNewerFile) {
  ScratchImage image("winxp-modem");
  ASSERT_EQ(RunProgram(image, ScriptFile("winxp-modem"), "", "--journal " + Journal(image)).status, 0);
  ChangeBack(image);
  Restore(image);
  const std::string reg = image.ReadFile("HKLM.reg");
  EXPECT_NE(reg.find("\"ComDB\"=hex:17,00"), std::string::npos);
  EXPECT_EQ(image.ReadFile("drive_c/WINDOWS/inf/oem3.inf"), "a newer oem3.inf");
}

}  // namespace
}  // namespace zr::scenario
