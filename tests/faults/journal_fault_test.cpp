// The journal under faults: a platform call below the journal fails at call
// 1, 2, 3 ... of a detection and the removals (every third call, so that the
// sweep stays short; the failure kind turns with it). Whatever the run let
// through, the journal either says it is incomplete, or putting it back
// gives the machine as it was before the run: no change ever went through
// whose prior state the journal did not hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "safety/journal_restore.h"
#include "safety/journaling_platform.h"
#include "tests/support/engine_over_image.h"
#include "tests/support/fault_platform.h"
#include "tests/support/machine_snapshot.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;

constexpr long kStride = 3;

std::unique_ptr<sim::SimMachine> Load(const fs::path& folder) {
  std::string error;
  auto machine = sim::SimMachine::Load(folder, error);
  if (!machine) throw std::runtime_error(error);
  return machine;
}

// The snapshot's differences, without the access lists: a key the restore
// makes again has the list the tool gave it, as the round-trip rows allow.
std::string Differences(const MachineSnapshot& before, const MachineSnapshot& after) {
  std::string kept;
  std::istringstream lines(before.DifferencesFrom(after));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("~ access ", 0) != 0) kept += line + "\n";
  return kept;
}

class JournalUnderFaults : public ::testing::TestWithParam<const char*> {};

TEST_P(JournalUnderFaults, EitherIncompleteOrPutsEverythingBack) {
  const fs::path root = fs::temp_directory_path() / ("zr_journal_faults_" + std::to_string(::getpid()));
  const fs::path image = root / "image";
  const fs::path journalPath = root / "journal";
  const std::uint32_t codes[] = {5, 32, 112, 1450};
  int reached = 0;
  int incomplete = 0;
  for (long at = 1;; at += kStride) {
    fs::remove_all(root);
    fs::create_directories(root);
    fs::copy(fs::path(ZR_SOURCE_DIR) / "machines" / GetParam(), image, fs::copy_options::recursive);
    auto machine = Load(image);
    const MachineSnapshot before = MachineSnapshot::Take(machine->Tree(), image);
    bool faultReached = false;
    bool journalIncomplete = false;
    {
      FaultPlatform faults(*machine);
      safety::JournalFolder folder(journalPath.string());
      safety::JournalingPlatform journal(faults, folder);
      RecordingSheet sheet;
      CRegEdit engine(journal);
      engine.Wizard().m_hSheetWnd = &sheet;
      engine.CheckWindowsVersion();
      faults.Arm(Fault{Call::kAny, at, at % 2 == 1, codes[(at / kStride) % std::size(codes)]});
      engine.DetectModem();
      engine.DetectUsbLan();
      engine.RemovePortClass(1);
      engine.RemoveWdmClass(2);
      engine.RemoveWdmModemClass(2);
      engine.RemoveLanClass(2);
      faultReached = faults.Reached();
      journalIncomplete = journal.Incomplete();
    }
    std::string error;
    ASSERT_TRUE(machine->Save(error)) << error;
    if (!faultReached) break;
    ++reached;
    SCOPED_TRACE("fault at call " + std::to_string(at));
    if (journalIncomplete) {
      ++incomplete;
      continue;
    }
    auto after = Load(image);
    const safety::JournalFolder folder(journalPath.string());
    safety::RestoreJournal(folder, *after, after->KeyCreator());
    ASSERT_TRUE(after->Save(error)) << error;
    ASSERT_EQ(Differences(before, MachineSnapshot::Take(after->Tree(), image)), "");
  }
  fs::remove_all(root);
  RecordProperty("fault_points", reached);
  RecordProperty("journal_incomplete", incomplete);
  EXPECT_GT(reached, 100) << "the sweep reached too few fault points to mean anything";
}

INSTANTIATE_TEST_SUITE_P(Images, JournalUnderFaults, ::testing::Values("winxp-modem", "win98-portadapter"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace zr::testing
