// The scripted mode's own failures: a script that cannot be carried out
// ends the run with status 2, a failed expectation with 3, an unusable
// machine image with 1 and the file and line at fault. None of them
// changes the image.
#include <gtest/gtest.h>

#include "tests/scenario/scenario_image.h"

namespace zr::scenario {
namespace {

constexpr int kScriptError = 2;
constexpr int kExpectFailed = 3;
constexpr int kBadImage = 1;

struct ScriptCase {
  const char* what;
  const char* script;
  int status;
  const char* message;  // the line the program prints about it
};

TEST(ScriptErrors, StopTheRunWithTheirStatusAndLeaveTheImageAlone) {
  const ScriptCase cases[] = {
      {"unknown command", "check 1001\njump\n", kScriptError, "script error: line 2: unknown command 'jump'"},
      {"Back on the first page", "back\n", kScriptError, "script error: line 1: the Back button is not enabled"},
      {"Finish on the first page", "check 1001\nfinish\n", kScriptError,
       "script error: line 2: the Finish button is not enabled"},
      {"Finish on the detected-drivers page", "check 1001\nnext\nfinish\n", kScriptError,
       "script error: line 3: the Finish button is not enabled"},
      {"the hidden USB-LAN box", "check 1002\n", kScriptError,
       "script error: line 1: no visible check box '1002' on this page"},
      {"a check box of another page", "check 1001\nnext\nuncheck 1001\n", kScriptError,
       "script error: line 3: no visible check box '1001' on this page"},
      {"the script ends with the wizard open", "# only a tick\ncheck 1001\n", kScriptError,
       "script error: line 2: the script ended while the wizard is still open"},
      {"a command after the wizard closed", "cancel\nnext\n", kScriptError,
       "script error: line 2: the wizard has already closed"},
      {"a text the page does not show", "expect USB-LAN\n", kExpectFailed,
       "expect failed: line 1: the page does not show 'USB-LAN'"},
      {"a text of the next page", "check 1001\nexpect tolvek ZR-77Q5K - USB\n", kExpectFailed,
       "expect failed: line 2: the page does not show 'tolvek ZR-77Q5K - USB'"},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchImage image("winxp-modem");
    const std::string reg = image.ReadFile("HKLM.reg");
    const auto before = image.Snapshot();

    const RunResult run = RunProgram(image, c.script);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_TRUE(Contains(Lines(run.out), c.message)) << run.out;
    EXPECT_EQ(before.DifferencesFrom(image.Snapshot()), "");
    EXPECT_EQ(image.ReadFile("HKLM.reg"), reg);
    EXPECT_TRUE(image.Events().empty());
  }
}

TEST(ScriptErrors, AFailedExpectAfterTheRemovalStillLeavesTheRemovalDone) {
  // The run stops at the failed line: the removal of the Next before it has
  // been saved, the Finish after it never happens.
  ScratchImage image("win98-portadapter");
  const RunResult run = RunProgram(image, "check 1001\nnext\nnext\nexpect 再起動しません\nfinish\n");
  EXPECT_EQ(run.status, kExpectFailed) << run.out;
  EXPECT_FALSE(image.Snapshot().HasKey("Enum\\USB\\VID_0E9C&PID_0012"));
  EXPECT_TRUE(image.Snapshot().HasKey("Enum\\USB\\VID_046D&PID_C00E"));
  EXPECT_TRUE(image.Events().empty());
}

struct BrokenImage {
  const char* what;
  const char* file;
  const char* bytes;
  const char* where;  // file:line the message names
};

TEST(ImageErrors, AnUnusableImageEndsTheRunWithItsFileAndLine) {
  const BrokenImage cases[] = {
      {"a number that is none", "machine.ini", "[system]\nmajor=5\nminor=one\nplatform=2\nwindows=C:\\WINDOWS\n",
       "machine.ini:3: "},
      {"an unknown section", "machine.ini", "[system]\nmajor=5\nminor=1\nplatform=2\nwindows=C:\\WINDOWS\n\n[network]\n",
       "machine.ini:7: "},
      {"a key outside HKEY_LOCAL_MACHINE", "HKLM.reg",
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n", "HKLM.reg:5: "},
      {"a double word that is none", "HKLM.reg",
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\"Flag\"=dword:zz\r\n", "HKLM.reg:4: "},
  };
  for (const BrokenImage& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchImage image("winxp-nothing");
    image.WriteFile(c.file, c.bytes);

    const RunResult run = RunProgram(image, "check 1001\nnext\nnext\nfinish\n");
    EXPECT_EQ(run.status, kBadImage) << run.out << run.err;
    EXPECT_NE(run.err.find(c.where), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(image.ReadFile(c.file), c.bytes);
    EXPECT_TRUE(image.Events().empty());
  }
}

}  // namespace
}  // namespace zr::scenario
