// Loading, refusing and saving machine images, and where their Windows
// paths land: inside their drive folders, whatever the path says.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/sim/host_path.h"
#include "platform/sim/machine.h"
#include "platform/text/codepage.h"
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
  const std::string reg = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";
  std::string v5 = "\xFF\xFE";
  for (char16_t unit : text::Utf16FromUtf8("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\☃]\r\n"))
    v5 += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  // contents "-": the file is missing; `also`: a second file, empty;
  // expected: part of the error message.
  const struct {
    const char* file;
    std::string contents;
    const char* expected;
    const char* also = nullptr;
  } cases[] = {
      {"machine.ini", system + "windows=C:\\WINDOWS\ncolour=red\n", "machine.ini:6: unknown key 'colour'"},
      {"machine.ini", "[system]\nmajor=five\n", "machine.ini:2: 'major' is not a number"},
      {"machine.ini", system + "windows=D:\\WINDOWS\n", "no folder drive_d"},
      {"machine.ini", system + "windows=WINDOWS\n", "machine.ini:5: 'windows' is not a full Windows path"},
      {"machine.ini", system + "windows=C:\\W\nplatform=3\n", "machine.ini:6: 'platform' given twice"},
      {"machine.ini", system + "windows=C:\\W\ncodepage=1\n", "machine.ini:6: code page 1 is not supported"},
      {"machine.ini", system + "windows=C:\\W\n[protected]\nkey1=\\SYSTEM\n",
       "machine.ini:7: 'key1' must name a key below HKLM"},
      {"machine.ini", "[system]\nmajor=5\n", "machine.ini: [system] lacks 'minor'"},
      {"machine.ini", "major=5\n", "machine.ini:1: 'major' before any section"},
      {"HKLM.reg", "-", "HKLM.reg: cannot be read"},
      {"HKLM.reg", reg + "\"v\"=hex:01,zz\r\n", "HKLM.reg:4: bad hex byte 'zz'"},
      {"HKLM.reg", reg + "\"v\"=dword:123456789\r\n", "HKLM.reg:4: dword has more than 8 hex digits"},
      {"HKLM.reg", reg + "[HKEY_CURRENT_USER\\Software]\r\n", "HKLM.reg:4: key outside HKEY_LOCAL_MACHINE"},
      {"HKLM.reg", reg + "\"v\"=\"open\r\n", "HKLM.reg:4: unterminated string"},
      {"HKLM.reg", v5, "HKLM.reg:3: name '☃' has characters that code page 932 cannot hold unchanged"},
      {"plug.reg", reg + "\"v\"=hex:01,zz\r\n", "plug.reg:4: bad hex byte 'zz'"},
      {"plug.reg", "REGEDIT5\r\n", "plug.reg"},
      {"drive_c/WINDOWS/inf/a\x81.inf", "", "no text that code page 932 holds unchanged"},
      {"drive_c/WINDOWS/inf/\xE2\x82\xAC.inf", "", "no text that code page 932 holds unchanged"},
      {"drive_c/WINDOWS/inf/a?.inf", "", "a character Windows does not allow in file names"},
      {"drive_c/WINDOWS/inf/oem3.inf", "", "differ only in letter case", "drive_c/WINDOWS/inf/OEM3.INF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    TempImage image;
    image.Write(c.file, c.contents);
    if (c.also) image.Write(c.also, "");
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
  const struct {
    const char* path;
    std::uint32_t error;
    const char* host;
  } cases[] = {
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
