// Loading, refusing and saving machine images, and where their Windows
// paths land: inside their drive folders, whatever the path says.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim/host_path.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/support/temp_image.h"

namespace zr::sim {
namespace {

using testing::TempImage;

std::unique_ptr<SimMachine> MustLoad(const TempImage& image) {
  std::string error;
  auto machine = SimMachine::Load(image.Folder(), error);
  EXPECT_NE(machine, nullptr) << error;
  return machine;
}

TEST(MachineImage, RefusesMalformedImagesNamingFileAndLine) {
  const std::string system = "[system]\nmajor=5\nminor=1\nplatform=2\n";
  // contents "-": the file is missing; expected: part of the error message.
  const struct { const char* file; std::string contents; const char* expected; } cases[] = {
      {"machine.ini", system + "windows=C:\\WINDOWS\ncolour=red\n", "machine.ini:6: unknown key 'colour'"},
      {"machine.ini", "[system]\nmajor=five\n", "machine.ini:2: 'major' is not a number"},
      {"machine.ini", system + "windows=D:\\WINDOWS\n", "no folder drive_d"},
      {"HKLM.reg", "-", "HKLM.reg: cannot be read"},
      {"HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:01,zz\r\n", "HKLM.reg:4:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    TempImage image;
    image.Write(c.file, c.contents);
    if (c.contents == "-") std::filesystem::remove(image.Folder() / c.file);
    std::string error;
    EXPECT_EQ(SimMachine::Load(image.Folder(), error), nullptr);
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

// A registry large enough that the save writes several chunks.
void Populate(SimMachine& machine, const std::string& tag) {
  RegTree& tree = machine.Tree();
  for (int i = 0; i < 3000; ++i) {
    const std::string text = tag + " value number " + std::to_string(i);
    tree.Create("SOFTWARE\\Bulk\\Key" + std::to_string(i))
        ->SetValue("Data", tree.Fold("Data"), 1, {text.begin(), text.end()});
  }
  machine.MarkDirty();
}

// Fails, then kills, the save at every step in turn: HKLM.reg must always
// read back as the old tree or the new one.
TEST(MachineImage, InterruptedSaveLeavesOldOrNewTree) {
  TempImage image;
  auto machine = MustLoad(image);
  std::string error;
  Populate(*machine, "old");
  ASSERT_TRUE(machine->Save(error)) << error;
  auto oldTree = MustLoad(image);
  Populate(*machine, "new");
  int steps = 0;
  machine->SetSaveHook([&steps](AtomicStep) { return ++steps > 0; });
  ASSERT_TRUE(machine->Save(error));
  auto newTree = MustLoad(image);
  ASSERT_GT(steps, 6) << "the save should write several chunks";

  for (int at = 1; at <= steps; ++at) {
    for (const bool kill : {false, true}) {
      SCOPED_TRACE((kill ? "killed at step " : "failed at step ") + std::to_string(at));
      oldTree->MarkDirty();
      ASSERT_TRUE(oldTree->Save(error)) << error;
      machine->MarkDirty();
      int calls = 0;
      machine->SetSaveHook([&calls, at, kill](AtomicStep) {
        if (++calls == at && kill) _exit(0);  // the process dies in the middle of the save
        return calls != at;
      });
      bool saved = true;
      if (!kill) {
        saved = machine->Save(error);
      } else if (const pid_t child = fork(); child == 0) {
        _exit(machine->Save(error) ? 0 : 1);
      } else {
        ASSERT_GT(child, 0);
        waitpid(child, nullptr, 0);
      }
      // A failed save must leave the old tree.
      const auto now = MustLoad(image);
      EXPECT_TRUE(now->Tree().SameAs(oldTree->Tree()) || (saved && now->Tree().SameAs(newTree->Tree())));
    }
  }
}

TEST(HostPath, ResolvesIgnoringCaseAndNeverLeavesTheImage) {
  TempImage image;
  image.Write("drive_c/WINDOWS/inf/OEM3.INF", "x");
  image.Write("drive_c/Tools/ZR77/WinXp/mdmtvk5u.auto", "y");
  image.Write("drive_c/\xE3\x83\x89\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x90/a.txt", "z");  // ドライバ (UTF-8)
  image.Write("outside.txt", "secret");
  std::filesystem::create_symlink(image.Folder() / "outside.txt", image.Folder() / "drive_c" / "link.txt");
  std::filesystem::create_directory_symlink(image.Folder(), image.Folder() / "drive_c" / "linkdir");
  const HostPathResolver resolver(image.Folder(), 932, "C:\\Tools\\ZR77");

  // host: relative to the image; nullptr: not checked.
  const struct { const char* path; std::uint32_t error; const char* host; } cases[] = {
      {"C:\\windows\\INF\\oem3.inf", win::kSuccess, "drive_c/WINDOWS/inf/OEM3.INF"},
      {"C:\\WINDOWS\\inf\\oem9.inf", win::kFileNotFound, "drive_c/WINDOWS/inf/oem9.inf"},
      {"D:\\x", win::kPathNotFound, nullptr},
      {"WinXp\\MDMTVK5U.AUTO", win::kSuccess, "drive_c/Tools/ZR77/WinXp/mdmtvk5u.auto"},
      // ドライバ in Shift-JIS; the trail byte 0x89 must not be taken for anything else.
      {"C:\\\x83\x68\x83\x89\x83\x43\x83\x6F\\A.TXT", win::kSuccess,
       "drive_c/\xE3\x83\x89\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x90/a.txt"},
      // ".." stops at the drive root, as on Windows.
      {"C:\\..\\..\\outside.txt", win::kFileNotFound, "drive_c/outside.txt"},
      // Links could lead out of the image: they are not followed.
      {"C:\\link.txt", win::kAccessDenied, nullptr},
      {"C:\\linkdir\\outside.txt", win::kAccessDenied, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const HostPath resolved = resolver.Resolve(c.path);
    EXPECT_EQ(resolved.error, c.error);
    EXPECT_EQ(resolved.exists, c.error == win::kSuccess);
    EXPECT_EQ(resolved.host, c.host ? image.Folder() / c.host : resolved.host);
  }
}

}  // namespace
}  // namespace zr::sim
