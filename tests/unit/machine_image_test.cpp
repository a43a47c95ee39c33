// Loading, refusing and saving machine images.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/support/temp_image.h"

namespace zr::sim {
namespace {

using testing::TempImage;

struct BadImage {
  const char* what;
  const char* file;
  const char* contents;  // nullptr removes the file
  const char* expected;  // part of the error message
};

TEST(MachineImage, RefusesMalformedImagesNamingFileAndLine) {
  const BadImage cases[] = {
      {"unknown system key", "machine.ini", "[system]\nmajor=5\nminor=1\nplatform=2\nwindows=C:\\WINDOWS\ncolour=red\n",
       "machine.ini:6: unknown key 'colour'"},
      {"bad number", "machine.ini", "[system]\nmajor=five\n", "machine.ini:2: 'major' is not a number"},
      {"bad platform", "machine.ini", "[system]\nmajor=5\nminor=1\nplatform=7\nwindows=C:\\WINDOWS\n",
       "machine.ini:4: 'platform' must be 0, 1 or 2"},
      {"line without =", "machine.ini", "[system]\nmajor\n", "machine.ini:2: line without '='"},
      {"missing windows", "machine.ini", "[system]\nmajor=5\nminor=1\nplatform=2\n", "lacks 'windows'"},
      {"relative windows", "machine.ini", "[system]\nmajor=5\nminor=1\nplatform=2\nwindows=WINDOWS\n",
       "machine.ini:5: 'windows' is not a full Windows path"},
      {"unsupported code page", "machine.ini",
       "[system]\nmajor=5\nminor=1\nplatform=2\nwindows=C:\\WINDOWS\ncodepage=99999\n", "code page 99999"},
      {"missing drive", "machine.ini", "[system]\nmajor=5\nminor=1\nplatform=2\nwindows=D:\\WINDOWS\n",
       "no folder drive_d"},
      {"no machine.ini", "machine.ini", nullptr, "machine.ini: cannot be read"},
      {"no HKLM.reg", "HKLM.reg", nullptr, "HKLM.reg: cannot be read"},
      {"not a .reg", "HKLM.reg", "hello\r\n", "HKLM.reg:1:"},
      {"bad hex", "HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:01,zz\r\n", "HKLM.reg:4:"},
      {"unknown kind", "HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=qword:1\r\n", "HKLM.reg:4:"},
      {"truncated", "HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:01,02,\\\r\n", "HKLM.reg:"},
  };
  for (const BadImage& c : cases) {
    SCOPED_TRACE(c.what);
    TempImage image;
    if (c.contents == nullptr)
      std::filesystem::remove(image.Folder() / c.file);
    else
      image.Write(c.file, c.contents);
    std::string error;
    EXPECT_EQ(SimMachine::Load(image.Folder(), error), nullptr);
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

// A registry large enough that the save writes several chunks.
void Populate(SimMachine& machine, const std::string& tag) {
  for (int i = 0; i < 3000; ++i) {
    auto key = machine.Tree().Create("SOFTWARE\\Bulk\\Key" + std::to_string(i));
    const std::string text = tag + " value number " + std::to_string(i);
    key->SetValue("Data", machine.Tree().Fold("Data"), win::kRegSz,
                  std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
  }
  machine.MarkDirty();
}

std::unique_ptr<SimMachine> MustLoad(const std::filesystem::path& folder) {
  std::string error;
  auto machine = SimMachine::Load(folder, error);
  EXPECT_NE(machine, nullptr) << error;
  return machine;
}

TEST(MachineImage, SaveRoundTripsAndKeepsTheFormat) {
  for (const char* header : {"REGEDIT4", "Windows Registry Editor Version 5.00"}) {
    SCOPED_TRACE(header);
    TempImage image;
    if (std::string(header) == "REGEDIT4") {
      image.Write("HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n");
    } else {
      const std::string text = std::string(header) + "\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n";
      std::string utf16 = "\xFF\xFE";
      for (char c : text) utf16 += std::string{c, '\0'};
      image.Write("HKLM.reg", utf16);
    }
    auto machine = MustLoad(image.Folder());
    Populate(*machine, "new");
    std::string error;
    ASSERT_TRUE(machine->Save(error)) << error;
    EXPECT_FALSE(machine->Dirty());
    auto again = MustLoad(image.Folder());
    EXPECT_TRUE(again->Tree().SameAs(machine->Tree()));
    EXPECT_EQ(again->Format(), machine->Format());
  }
}

// Fails, then kills, the save at every step in turn: HKLM.reg must always
// read back as the old tree or the new one.
TEST(MachineImage, InterruptedSaveLeavesOldOrNewTree) {
  TempImage image;
  auto machine = MustLoad(image.Folder());
  Populate(*machine, "old");
  std::string error;
  ASSERT_TRUE(machine->Save(error)) << error;
  auto oldTree = MustLoad(image.Folder());

  Populate(*machine, "new");
  int steps = 0;
  machine->SetSaveHook([&steps](AtomicStep) { return ++steps > 0; });
  ASSERT_TRUE(machine->Save(error));
  auto newTree = MustLoad(image.Folder());
  ASSERT_GT(steps, 6) << "the save should write several chunks";
  ASSERT_FALSE(newTree->Tree().SameAs(oldTree->Tree()));

  for (int at = 1; at <= steps; ++at) {
    SCOPED_TRACE("step " + std::to_string(at));
    // Put the old image back, then interrupt the save of the new tree.
    oldTree->MarkDirty();
    ASSERT_TRUE(oldTree->Save(error)) << error;
    machine->MarkDirty();

    int count = 0;
    machine->SetSaveHook([&count, at](AtomicStep) { return ++count != at; });
    const bool saved = machine->Save(error);
    auto afterFailure = MustLoad(image.Folder());
    ASSERT_NE(afterFailure, nullptr);
    const bool isOld = afterFailure->Tree().SameAs(oldTree->Tree());
    const bool isNew = afterFailure->Tree().SameAs(newTree->Tree());
    EXPECT_TRUE(isOld || isNew);
    if (!saved) {
      EXPECT_TRUE(isOld) << "a failed save must not change the file";
    }

    oldTree->MarkDirty();
    ASSERT_TRUE(oldTree->Save(error)) << error;
    machine->MarkDirty();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int calls = 0;
      machine->SetSaveHook([&calls, at](AtomicStep) {
        if (++calls == at) _exit(0);  // the process dies in the middle of the save
        return true;
      });
      machine->Save(error);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    auto afterKill = MustLoad(image.Folder());
    ASSERT_NE(afterKill, nullptr);
    EXPECT_TRUE(afterKill->Tree().SameAs(oldTree->Tree()) || afterKill->Tree().SameAs(newTree->Tree()));
  }
}

TEST(MachineImage, ReplacedAccessListsSurviveASave) {
  TempImage image;
  image.Write("machine.ini", TempImage::XpIni() + "[protected]\nkey1=SYSTEM\\CurrentControlSet\\Enum\n");
  image.Write("HKLM.reg",
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Dev]\r\n\"a\"=\"1\"\r\n");
  auto machine = MustLoad(image.Folder());
  IRegistry& reg = machine->Registry();
  RegHandle key = 0;
  EXPECT_EQ(reg.OpenKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\Dev", win::kKeySetValue, key), win::kAccessDenied);
  ASSERT_EQ(reg.OpenKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\Dev", win::kWriteDac, key), win::kSuccess);
  EXPECT_EQ(reg.ReplaceAccessList(key), win::kSuccess);
  EXPECT_EQ(reg.CloseKey(key), win::kSuccess);
  std::string error;
  ASSERT_TRUE(machine->Save(error)) << error;

  auto again = MustLoad(image.Folder());
  RegHandle reopened = 0;
  EXPECT_EQ(again->Registry().OpenKey("system\\currentcontrolset\\enum\\usb\\dev", win::kKeySetValue, reopened),
            win::kSuccess);
  again->Registry().CloseKey(reopened);
  // The parent was not opened up and still refuses.
  EXPECT_EQ(again->Registry().OpenKey("SYSTEM\\CurrentControlSet\\Enum\\USB", win::kKeySetValue, reopened),
            win::kAccessDenied);
  EXPECT_NE(image.Read("machine.ini").find("[replaced]"), std::string::npos);
}

TEST(MachineImage, PlugMergesAndRefusesAMalformedFileWhole) {
  TempImage image;
  auto machine = MustLoad(image.Folder());
  std::string error;
  EXPECT_FALSE(machine->Plug(error));
  EXPECT_NE(error.find("no plug.reg"), std::string::npos);

  image.Write("plug.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Plugged]\r\n\"x\"=\"1\"\r\n\r\n"
                          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Broken]\r\n\"y\"=hex:zz\r\n");
  EXPECT_FALSE(machine->Plug(error));
  EXPECT_EQ(machine->Tree().Find("SOFTWARE\\Plugged"), nullptr) << "nothing of a bad file is merged";

  image.Write("plug.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Plugged]\r\n\"x\"=\"1\"\r\n");
  ASSERT_TRUE(machine->Plug(error)) << error;
  EXPECT_NE(machine->Tree().Find("SOFTWARE\\Plugged"), nullptr);
  EXPECT_TRUE(machine->Dirty());
  EXPECT_NE(image.Read("events.log").find("plugged"), std::string::npos);
}

TEST(MachineImage, EventsAreAppendedToTheLog) {
  TempImage image;
  auto machine = MustLoad(image.Folder());
  EXPECT_TRUE(machine->Power().RequestRestart());
  EXPECT_EQ(machine->Power().EnableShutdownPrivilege(), 0);
  // Caption and text are code-page bytes; the log holds UTF-8.
  machine->RecordMessageBox("\x83\x41\x83\x4E\x83\x5A\x83\x58", "line1\r\nline2");
  const std::string log = image.Read("events.log");
  EXPECT_NE(log.find("restart requested"), std::string::npos);
  EXPECT_NE(log.find("shutdown privilege enabled"), std::string::npos);
  EXPECT_NE(log.find("message box [\xE3\x82\xA2\xE3\x82\xAF\xE3\x82\xBB\xE3\x82\xB9] line1\\nline2"),
            std::string::npos)
      << log;
  EXPECT_EQ(machine->Events().size(), 3u);
}

}  // namespace
}  // namespace zr::sim
