// Whole uninstall-wizard runs of the Linux program over the sample machine
// images. Each image is walked by its script, whose `expect` lines check the
// pages' texts; afterwards the image is compared whole with the image
// before: the device's key trees, files and COM port bit go, and every key
// and file of other devices stays byte for byte. Then the ways out of the
// wizard, and the scripted mode's own failures.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text/codepage.h"
#include "platform/win_codes.h"
#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

using Paths = std::vector<std::string>;

struct Outcome {
  std::string image;
  Paths gone;         // key trees below HKLM, and files (C:\...)
  bool freesComPort;  // COM1 and COM2 stay taken in ComDB, the device's port is freed
  std::vector<std::string> events;
};

void PrintTo(const Outcome& outcome, std::ostream* out) { *out << outcome.image; }
std::string Named(const ::testing::TestParamInfo<Outcome>& info) {
  std::string name = info.param.image;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

const std::string kInf = "C:\\WINDOWS\\INF\\", kClass = "System\\CurrentControlSet\\Services\\Class\\";
const std::string kRestart = "restart requested (EWX_REBOOT)";

Paths Join(Paths a, const Paths& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A USB modem instance on Windows 2000/XP: five key trees and four INF files.
Paths NtModem(const std::string& instance, const std::string& oem) {
  const std::string classes = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{";
  const std::string symbolic = "}\\##?#USB#Vid_0e9c&Pid_0012#" + instance + "#{";
  return {"SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\" + instance,
          "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001",
          classes + "a5dcbf10-6530-11d2-901f-00c04fb951ed" + symbolic + "a5dcbf10-6530-11d2-901f-00c04fb951ed}",
          classes + "2c7089aa-2e0e-11d1-b114-00c04fc2aae4" + symbolic + "2c7089aa-2e0e-11d1-b114-00c04fc2aae4}",
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\tolvek ZR-77Q5K - USB#tolvek#Modem",
          kInf + oem + ".inf", kInf + oem + ".PNF", kInf + "mdmtvk5u.inf", kInf + "mdmtvk5u.PNF"};
}

const std::vector<Outcome>& Outcomes() {
  const std::vector<std::string> ntFinish = {"shutdown privilege enabled", kRestart};
  const Paths otherInfs = {kInf + "OTHER\\tolvektvkusb5.inf", kInf + "OTHER\\tolvekmdmtvk5u.inf"};
  const Paths portInfs = Join(otherInfs, {kInf + "tvkusb5.inf", kInf + "mdmtvk5u.inf"});
  // The port adapter's own keys and INF files, which go whether or not a
  // sibling adapter still needs the shared driver files.
  const std::string usb = "Enum\\USB\\VID_0E9C&PID_0012", modem = kClass + "Modem\\0001", sys = "C:\\WINDOWS\\SYSTEM\\";
  const Paths port = Join(portInfs, {usb, "Enum\\USBMODEM\\VID_0E9C&PID_0012", kClass + "USB\\0002", modem});
  const auto wdm = [&](const std::string& wdmClass) {
    return Paths{usb, "Enum\\WDM_MODEM\\TKV0301", kClass + wdmClass + "\\0000", modem};
  };
  const Paths xpModem = NtModem("5&2a3b1c4d&0&1", "oem3");
  static const std::vector<Outcome> outcomes = {
      {"winxp-modem", xpModem, true, ntFinish},
      {"win2000-modem-lan", NtModem("6&1f2e3d4c&0&1", "oem1"), true, ntFinish},
      {"win98-portadapter",
       Join(port, {"System\\CurrentControlSet\\Services\\mapsys", sys + "sysfser.sys", sys + "sysfser.dll",
                   sys + "sysfmapr.sys", sys + "sysfport.vxd"}),
       false, {kRestart}},
      // The sibling adapter keeps the shared driver files and the mapsys service.
      {"win98-portadapter-sibling", port, false, {kRestart}},
      {"win98-wdm", Join(wdm("Wdm"), otherInfs), false, {kRestart}},
      {"winme-wdmmodem", Join(wdm("WdmModem"), portInfs), false, {kRestart}},
      // The simulation has no access lists on files, so the device's INF files
      // go even for a limited user (on Windows they would stay); no key goes.
      {"winxp-limited-user", Paths(xpModem.end() - 4, xpModem.end()), false,
       {"message box [アクセス権エラー] 管理者権限でログオンする必要があります。\\nアプリケーションを終了します。"}},
      {"winxp-nothing", {}, false, {}},
      {"win98-lan", {}, false, {}},  // only the USB-LAN side, whose box is not offered
      {"nt4", {}, false, {}},        // unsupported
  };
  return outcomes;
}

testing::MachineSnapshot After(testing::MachineSnapshot before, const Outcome& outcome) {
  for (const std::string& path : outcome.gone)
    path.rfind("C:\\", 0) == 0 ? before.WithoutFile(path) : before.WithoutKeyTree(path);
  if (!outcome.freesComPort) return before;
  std::vector<std::uint8_t> comDb(32, 0);
  comDb[0] = 0x03;
  return before.WithValue("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB", win::kRegBinary, comDb);
}

class ImageWalk : public ::testing::TestWithParam<Outcome> {};

TEST_P(ImageWalk, ScriptPassesAndOnlyTheDeviceGoes) {
  const Outcome& outcome = GetParam();
  ScratchImage image(outcome.image);
  const std::string reg = image.ReadFile("HKLM.reg");
  const auto before = image.Snapshot();

  const RunResult run = RunProgram(image, ScriptFile(outcome.image));
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(After(before, outcome).DifferencesFrom(image.Snapshot()), "");
  EXPECT_EQ(image.Events(), outcome.events);
  EXPECT_EQ(Contains(Lines(run.out), "検出した以下のＵＳＢドライバを削除します。"), !outcome.gone.empty());
  EXPECT_EQ(Contains(Lines(run.out), "ここでWindowsが再起動します。"),
            !outcome.events.empty() && outcome.events.back() == kRestart);
  // Untouched when nothing went, else written back as the regedit export it
  // was: REGEDIT4, code page 932, CRLF.
  EXPECT_EQ(image.ReadFile("HKLM.reg").substr(0, outcome.gone.empty() ? std::string::npos : 12),
            outcome.gone.empty() ? reg : "REGEDIT4\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(Images, ImageWalk, ::testing::ValuesIn(Outcomes()), Named);

class Runs : public ::testing::TestWithParam<Outcome> {};

// The ways out of the wizard, and the scripted mode's failures (status 2
// for a script that cannot be carried out, 3 for a failed expect): none
// removes more than the wizard had removed when it stopped, or restarts
// anything; only Finish does.
TEST_P(Runs, StopWhereTheyShouldAndChangeNothingFurther) {
  const Outcome& outcome = GetParam();
  // The page printed after `command` (nullptr: any line printed) shows `line`;
  // `removed`: the removal ran before the run stopped.
  const struct { const char *what, *script; int status; const char *command, *line; bool removed; } runs[] = {
      {"Cancel, selection page", "check 1001\ncancel\n", 0, nullptr, "=== the wizard has closed", false},
      {"Cancel, detected-drivers page", "check 1001\nnext\ncancel\n", 0, nullptr, "=== the wizard has closed", false},
      {"Cancel, completion page", "check 1001\nnext\nnext\ncancel\n", 0, nullptr, "=== the wizard has closed", true},
      {"Back keeps the tick; the removal after it is the same", "check 1001\nnext\nback\nnext\nnext\nfinish\n", 0,
       "back", "1001 check: [x] USBモデム", true},
      {"Next with nothing ticked stays", "next\ncancel\n", 0, "next", "1001 check: [ ] USBモデム", false},
      {"unknown command", "check 1001\njump\n", 2, nullptr, "script error: line 2: unknown command 'jump'", false},
      {"the hidden USB-LAN box", "check 1002\n", 2, nullptr,
       "script error: line 1: no visible check box '1002' on this page", false},
      {"the script ends with the wizard open", "# only a tick\ncheck 1001\n", 2, nullptr,
       "script error: line 2: the script ended while the wizard is still open", false},
      {"a failed expect after the removal: it stays done, Finish never comes",
       "check 1001\nnext\nnext\nexpect 再起動しません\nfinish\n", 3, nullptr,
       "expect failed: line 4: the page does not show '再起動しません'", true},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    ScratchImage image(outcome.image);
    const std::string reg = image.ReadFile("HKLM.reg");
    const auto before = image.Snapshot();
    const RunResult result = RunProgram(image, run.script);
    EXPECT_EQ(result.status, run.status) << result.out << result.err;
    EXPECT_TRUE(Contains(run.command ? PageAfter(result.out, run.command) : Lines(result.out), run.line))
        << result.out;
    EXPECT_EQ((run.removed ? After(before, outcome) : before).DifferencesFrom(image.Snapshot()), "");
    if (!run.removed) { EXPECT_EQ(image.ReadFile("HKLM.reg"), reg); }
    const bool finished = run.status == 0 && std::string_view(run.script).ends_with("finish\n");
    EXPECT_EQ(image.Events(), finished ? outcome.events : std::vector<std::string>{});
  }
}

// An NT and a 9x image: winxp-modem and win98-portadapter.
INSTANTIATE_TEST_SUITE_P(Images, Runs, ::testing::Values(Outcomes()[0], Outcomes()[2]), Named);

// Transcripts where the order of what the user sees matters. The chooser
// sees a key only while the focus is on it or its controls, and the last
// key counts (Enter too); after the access-error message the completion
// page comes up before the posted close ends the wizard, with no restart.
TEST(Transcripts, ShowWhatTheUserSawInOrder) {
  const struct { const char *what, *image, *mode, *script, *command; int occurrence; Paths lines; } runs[] = {
      {"D on the page: the debug page follows", "winxp-modem", "chooser",
       "select 1008\nkey D\nnext\ncheck 1001\nnext\ncancel\n", "next", 1, {"[page 130 CPage2]"}},
      {"D on the Next button is not seen", "winxp-modem", "chooser",
       "select 1008\nfocus next\nkey D\nnext\ncheck 1001\nnext\ncancel\n", "next", 1, {"[page 131 CPage3]"}},
      {"Enter after D replaces it", "winxp-modem", "chooser",
       "select 1008\nkey D\nfocus cancel\nfocus page\nkey 0x0D\nnext\ncheck 1001\nnext\ncancel\n", "next", 1,
       {"[page 131 CPage3]"}},
      {"keypad 4 on a control after the focus came back", "winxp-modem", "chooser",
       "select 1008\nfocus back\nfocus 1007\nkey 0x64\nnext\ncheck 1001\nnext\ncancel\n", "next", 1,
       {"[page 130 CPage2]"}},
      {"the access error: completion page, then closed", "winxp-limited-user", "", "check 1001\nnext\nnext\n",
       "next", 1,
       {"message box [アクセス権エラー]", "[page 132 CPage4]", "USBドライバのアンインストールを完了しました",
        "=== the wizard has closed"}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    ScratchImage image(run.image);
    const RunResult result = RunProgram(image, run.script, run.mode);
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    const std::vector<std::string> page = PageAfter(result.out, run.command, run.occurrence);
    // In this order, each on a line of its own.
    auto at = page.begin();
    for (const std::string& line : run.lines) {
      at = std::find_if(at, page.end(), [&](const std::string& l) { return l.find(line) != l.npos; });
      EXPECT_NE(at, page.end()) << "no '" << line << "' in order in:\n" << result.out;
    }
    EXPECT_FALSE(Contains(Lines(result.out), "ここでWindowsが再起動します。"));
  }
}

// A read-only work file that an earlier run left, naming other devices' keys
// (the memory stick's instance, the standard modem's class and Unimodem
// keys, COM1), on a machine where the device was never installed: the run
// finds nothing, changes nothing, and the file is gone.
TEST(StaleWorkFile, AReadOnlyFileFromAnEarlierRunSteersNothing) {
  ScratchImage image("winxp-nothing");
  const std::string stale =
      "[usb_root0]\r\nindex=1\r\nreg_enum=Vid_0d49&Pid_7010\r\nusb_device0_index=1\r\n"
      "usb_device0_reg_enum=5&2c4e6a8b&0&2\r\nusb_device0_reg_dev_name=tolvek ZR-77Q5K - USB\r\n"
      "usb_device0_reg_driver={4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000\r\n"
      "usb_device0_reg_guid={4D36E96D-E325-11CE-BFC1-08002BE10318}\r\n"
      "usb_device0_reg_sym_name=\\??\\USB#Vid_0d49&Pid_7010#5&2c4e6a8b&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}\r\n"
      "usb_device0_reg_port_name=COM1\r\nusb_device0_reg_service=usbser\r\n"
      "usb_device0_reg_rsp_name=標準 56000 bps モデム#(標準モデムの種類)#Modem\r\n";
  const std::filesystem::path workFile = image.Folder() / "drive_c/WINDOWS/tvk_temp.dat";
  image.WriteFile("drive_c/WINDOWS/tvk_temp.dat", text::FromUtf8(stale, 932));
  std::filesystem::permissions(workFile, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  const auto before = image.Snapshot();
  // Two pages on whatever detection finds: the removal runs if one is offered.
  const RunResult run = RunProgram(image, "check 1001\nnext\nnext\nfinish\n");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(Contains(PageAfter(run.out, "next"), "インストールされていません")) << run.out;
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
  EXPECT_TRUE(image.Events().empty());
  EXPECT_FALSE(std::filesystem::exists(workFile));
}

TEST(ImageErrors, AnUnusableImageEndsTheRunWithItsFileAndLine) {
  ScratchImage image("winxp-nothing");
  const std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n";
  image.WriteFile("HKLM.reg", reg);
  const RunResult run = RunProgram(image, "check 1001\nnext\nnext\nfinish\n");
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_NE(run.err.find("HKLM.reg:5: "), std::string::npos) << run.err;
  EXPECT_EQ(run.out + image.ReadFile("HKLM.reg"), reg) << "nothing printed, nothing changed";
  EXPECT_TRUE(image.Events().empty());
}

// A second run on an image that a running wizard holds is refused before
// it reads the image; the first run goes on as if there were none.
TEST(ImageErrors, ASecondRunOnTheSameImageIsRefused) {
  ScratchImage image("winxp-modem");
  const auto before = image.Snapshot();
  const std::string first = std::string(ZR_PROGRAM) + " --machine '" + image.Folder().string() + "' --script - >'" +
                            (image.Scratch() / "first.out").string() + "' 2>&1";
  std::FILE* running = ::popen(first.c_str(), "w");
  ASSERT_NE(running, nullptr);
  std::fputs("check 1001\n", running);
  std::fflush(running);
  // Until the first run holds the image.
  const int folder = ::open(image.Folder().c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < 200 && ::flock(folder, LOCK_EX | LOCK_NB) == 0; ++i) {
    ::flock(folder, LOCK_UN);
    ::usleep(25'000);
  }
  ::close(folder);

  const RunResult second = RunProgram(image, "check 1001\nnext\nnext\nfinish\n");
  EXPECT_EQ(second.status, 1);
  EXPECT_NE(second.err.find("another zrdrvtool is working on this machine image"), std::string::npos) << second.err;
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");

  std::fputs("cancel\n", running);
  EXPECT_EQ(::pclose(running), 0);
  EXPECT_TRUE(image.Events().empty());
}

}  // namespace
}  // namespace zr::scenario
