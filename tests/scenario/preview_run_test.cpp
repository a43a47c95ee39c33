// The preview (the flow over the copy-on-write overlay) against the real run
// (the same flow, its changes recorded) over every sample machine, and the
// unattended program's exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "app/exit_codes.h"
#include "app/flow_report.h"
#include "app/flow_report_text.h"
#include "platform/sim/machine.h"
#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

namespace fs = std::filesystem;

constexpr char kUsbModem[] = "\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\";

// What a row adds to its sample image.
enum class Extra {
  kNone,
  // An INF file of the modem, and nothing else of it: the INF-only plans.
  kModemInfOnly,
  // A second instance whose description the removal does not match: it
  // stays, with its COM port (COM2) taken in ComDB.
  kUnmatchedInstance,
  // Eleven keys below one key of the instance: the deletion records ten.
  kBeyondTenKeyBound,
};

void Add(const ScratchImage& image, Extra extra) {
  if (extra == Extra::kModemInfOnly) {
    const bool nt = image.ReadFile("machine.ini").find("platform=2") != std::string::npos;
    image.WriteFile(nt ? "drive_c/WINDOWS/inf/oem9.inf" : "drive_c/WINDOWS/INF/mdmtvk5u.inf",
                    "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n");
    return;
  }
  std::string reg;
  if (extra == Extra::kUnmatchedInstance)
    reg = kUsbModem + std::string("6&1]\r\n\"DeviceDesc\"=\"tolvek ZR-77Q5K - USB #2\"\r\n") +
          "\"Driver\"=\"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\\\0009\"\r\n" + kUsbModem +
          "6&1\\Device Parameters]\r\n\"PortName\"=\"COM2\"\r\n";
  for (int i = 0; extra == Extra::kBeyondTenKeyBound && i < 11; ++i)
    reg += kUsbModem + std::string("5&2a3b1c4d&0&1\\LogConf\\Part") + std::to_string(i) + "]\r\n";
  image.WriteFile("HKLM.reg", image.ReadFile("HKLM.reg") + reg);
}

struct Row {
  const char* image;
  FlowChoice choice;
  FlowExit exit;
  Extra extra = Extra::kNone;
  const char* left = "";  // a reason the rescan gives
};

constexpr FlowChoice kModem{};
constexpr FlowChoice kInstall{true, false, false};
constexpr FlowChoice kLan{false, false, true};

const Row kRows[] = {
    {"winxp-modem", kModem, kFlowDone},
    {"winxp-modem", kModem, kFlowLeftOver, Extra::kUnmatchedInstance, "no description match"},
    {"winxp-modem", kModem, kFlowLeftOver, Extra::kBeyondTenKeyBound, "beyond the ten-key bound"},
    {"winxp-limited-user", kModem, kFlowAccessRefused, Extra::kNone, "access refused"},
    {"winxp-nothing", kModem, kFlowNothingFound},
    {"winxp-nothing", kModem, kFlowDone, Extra::kModemInfOnly, "plan 7"},
    {"win98-lan", kModem, kFlowDone, Extra::kModemInfOnly, "plan 5"},
    {"nt4", kModem, kFlowUnsupported},
    {"win2000-modem-lan", kModem, kFlowDone},
    {"win2000-modem-lan", kLan, kFlowDone},
    {"win98-portadapter", kModem, kFlowDone},
    {"win98-portadapter-sibling", kModem, kFlowDone},
    {"win98-wdm", kModem, kFlowDone},
    {"winme-wdmmodem", kModem, kFlowDone},
    {"win98-lan", kModem, kFlowNothingFound},
    {"win98-lan", kLan, kFlowDone},
    {"win98-install", kInstall, kFlowDone},
    {"winme-install", kInstall, kFlowDone},
    {"winxp-install", kInstall, kFlowDone},
    {"win2000-modem-lan", kInstall, kFlowNothingFound},
    {"nt4", kInstall, kFlowUnsupported},
};

std::map<std::string, std::string> FolderBytes(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      files[fs::relative(entry.path(), folder).string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  return files;
}

// Every field of every change and the whole report, labelled alike.
std::string Everything(FlowReport report) {
  std::string out;
  for (const safety::Change& change : report.changes)
    out += safety::ChangeLines(change) + safety::OutcomeLines(change, change.step);
  report.preview = true;
  return out + ReportText(report);
}

std::string RowName(const Row& row) {
  return std::string(row.image) +
         (row.choice.install ? " install"
          : row.choice.lan   ? " USB-LAN"
                             : " modem") +
         (row.extra == Extra::kNone ? "" : " + extra keys");
}

class QuietView final : public IRunnerView {
 public:
  void ShowMessage(std::string_view, std::string_view, MessageIcon) override {}
};

TEST(PreviewRun, PreviewListsExactlyTheRealRunsChangesAndLeavesTheImageAsItWas) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(RowName(row));
    ScratchImage image(row.image);
    Add(image, row.extra);
    const auto before = FolderBytes(image.Folder());
    std::string error;
    auto machine = sim::SimMachine::Load(image.Folder().string(), error);
    ASSERT_TRUE(machine) << error;
    const FlowReport preview = PreviewFlow(*machine, row.choice);
    EXPECT_FALSE(machine->Dirty());
    EXPECT_EQ(FolderBytes(image.Folder()), before);
    EXPECT_EQ(preview.changes.empty(), row.exit == kFlowNothingFound || row.exit == kFlowUnsupported);

    QuietView quiet;
    const FlowReport real = RunRecordedFlow(*machine, row.choice, quiet);
    EXPECT_EQ(Everything(preview), Everything(real));
    EXPECT_EQ(ExitCodeOf(real), row.exit);
    EXPECT_NE(ReportText(real).find(row.left), std::string::npos);
  }
}

// The exit-code table, through the program's unattended run.
TEST(PreviewRun, UnattendedRunExitsWithTheOutcomesCode) {
  for (const Row& row : kRows) {
    if (row.choice.install || row.choice.lan) continue;
    SCOPED_TRACE(RowName(row));
    ScratchImage image(row.image);
    Add(image, row.extra);
    const std::string out = (image.Scratch() / "report.json").string();
    const std::string command = std::string("'") + ZR_PROGRAM + "' --machine '" + image.Folder().string() +
                                "' --unattended uninstall --json >'" + out + "' 2>/dev/null </dev/null";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(raw != -1 && WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), row.exit);
    std::ifstream in(out);
    const std::string json(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(json.find("\"exitCode\": " + std::to_string(row.exit)), std::string::npos) << json;
    // The restart is requested as the wizard's Finish requests it, and the
    // report says so.
    const bool restarted = Contains(image.Events(), "restart requested");
    EXPECT_EQ(restarted, json.find("\"restart\": true") != std::string::npos);
    EXPECT_TRUE(restarted || row.exit != kFlowDone);
    EXPECT_NE(json.find(row.left), std::string::npos);
  }
}

}  // namespace
}  // namespace zr::scenario
