// Version detection, the current-directory split and the engine's folders.
#include <gtest/gtest.h>

#include "engine/split_path.h"
#include "platform/text/codepage.h"
#include "tests/support/engine_machine.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::MachineSpec;
using testing::TempImage;

TEST(SplitWindowsPath, SplitsAsTheRuntimeDoes) {
  struct Case {
    const char* path;
    const char* drive;
    const char* dir;
    const char* fname;
    const char* ext;
  } cases[] = {
      {"C:\\fname.ext", "C:", "\\", "fname", ".ext"},
      {"C:\\Tools\\Drv\\fname.ext", "C:", "\\Tools\\Drv\\", "fname", ".ext"},
      {"\\\\server\\share\\dir\\fname.ext", "", "\\\\server\\share\\dir\\", "fname", ".ext"},
      {"dir\\fname.ext", "", "dir\\", "fname", ".ext"},
      {"fname", "", "", "fname", ""},
      {"C:fname.ext", "C:", "", "fname", ".ext"},
      {"C:", "C:", "", "", ""},
      {"C:\\dir.d\\fname", "C:", "\\dir.d\\", "fname", ""},
      {"C:\\dir\\fname.tar.gz", "C:", "\\dir\\", "fname.tar", ".gz"},
      {".hidden", "", "", "", ".hidden"},
      {"C:/fwd/slash/f.e", "C:", "/fwd/slash/", "f", ".e"},
      {"fname.", "", "", "fname", "."},
      {"\\\\server\\share", "", "\\\\server\\", "share", ""},
      {"1:\\x.y", "1:", "\\", "x", ".y"},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const PathParts parts = SplitWindowsPath(c.path);
    EXPECT_EQ(parts.drive, c.drive);
    EXPECT_EQ(parts.dir, c.dir);
    EXPECT_EQ(parts.fname, c.fname);
    EXPECT_EQ(parts.ext, c.ext);
  }
}

struct VersionCase {
  const char* what;
  std::string system;  // [system] lines of machine.ini
  const char* osName;  // UTF-8
  int kind;
  int version;
  const char* srcDir;
  const char* lanDir;
};

std::string SystemIni(const std::string& lines, const std::string& current) {
  return "[system]\n" + lines + "windows=C:\\WINDOWS\nsystem=C:\\WINDOWS\\system32\ncurrent=" + current + "\n";
}

TEST(CheckWindowsVersion, EveryRowOfTheVersionTable) {
  const VersionCase cases[] = {
      {"Win32s", "major=3\nminor=11\nbuild=0\nplatform=0\n", "Windows 3.1 (3.11.0 / 0)", 0, 1, "", ""},
      {"NT 3.51", "major=3\nminor=51\nbuild=1057\nplatform=2\n", "Windows NT3.51 (3.51.1057 / 2)", 0, 1, "", ""},
      {"3.x on 9x", "major=3\nminor=95\nbuild=0\nplatform=1\n", "", 0, 1, "", ""},
      {"95", "major=4\nminor=0\nbuild=0x04000395\nplatform=1\n", "Windows 95 (4.0.917 / 1)", 1, 2, "", ""},
      {"98 SE", "major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\n", "Windows 98 (4.10.2222 / 1)", 1, 3,
       "C:\\Tools\\Drv\\Win98", "C:\\Tools\\Drv\\USB-Lan"},
      {"Me", "major=4\nminor=90\nbuild=0x045A0BB8\nplatform=1\n", "Windows Me (4.90.3000 / 1)", 1, 4,
       "C:\\Tools\\Drv\\WinMe", "C:\\Tools\\Drv\\USB-Lan"},
      {"4.x other 9x", "major=4\nminor=20\nbuild=1\nplatform=1\n", "Windows ? (4.20.1 / 1)", 0, 0, "", ""},
      {"NT 4.0", "major=4\nminor=0\nbuild=1381\nplatform=2\n", "Windows NT4.0 (4.0.1381 / 2)", 3, 5, "", ""},
      {"4.x Win32s", "major=4\nminor=0\nbuild=1\nplatform=0\n", "", 0, 0, "", ""},
      {"2000", "major=5\nminor=0\nbuild=2195\nplatform=2\n", "Windows 2000 (5.0.2195 / 2)", 2, 6,
       "C:\\Tools\\Drv\\WinXp", "C:\\Tools\\Drv\\USB-Lan"},
      {"XP", "major=5\nminor=1\nbuild=2600\nplatform=2\n", "Windows XP (5.1.2600 / 2)", 2, 7,
       "C:\\Tools\\Drv\\WinXp", "C:\\Tools\\Drv\\USB-Lan"},
      {"Server 2003", "major=5\nminor=2\nbuild=3790\nplatform=2\n", "Windows ? (5.2.3790 / 2)", 0, 0, "", ""},
      {"5.x on 9x", "major=5\nminor=0\nbuild=1\nplatform=1\n", "", 0, 0, "", ""},
      {"Vista", "major=6\nminor=0\nbuild=6002\nplatform=2\n", "未サポート (6.0.6002 / 2)", 0, 0, "", ""},
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.what);
    MachineSpec spec;
    EngineMachine m(spec);
    m.Image().Write("machine.ini", SystemIni(c.system, "C:\\Tools\\Drv"));
    std::string error;
    auto machine = sim::SimMachine::Load(m.Image().Folder(), error);
    ASSERT_NE(machine, nullptr) << error;
    CRegEdit engine(*machine);
    EXPECT_EQ(engine.CheckWindowsVersion(), 1);
    EXPECT_EQ(text::ToUtf8(engine.m_szOsName.view(), 932), c.osName);
    EXPECT_EQ(engine.m_nWinKind, c.kind);
    EXPECT_EQ(engine.m_nWinVersion, c.version);
    EXPECT_EQ(engine.m_szSrcDir.view(), c.srcDir);
    EXPECT_EQ(engine.m_szLanSrcDir.view(), c.lanDir);
    EXPECT_EQ(engine.m_osvi.dwOSVersionInfoSize, 148u);
  }
}

TEST(CheckWindowsVersion, DriverFoldersFollowTheCurrentDirectory) {
  struct Case {
    const char* current;
    const char* drive;
    const char* path;
    const char* src;
    const char* lan;
  } cases[] = {
      {"C:\\", "C:", "", "C:\\Win98", "C:\\USB-Lan"},
      {"C:\\Tools\\Drv", "C:", "Tools\\Drv", "C:\\Tools\\Drv\\Win98", "C:\\Tools\\Drv\\USB-Lan"},
      {"D:\\x", "D:", "x", "D:\\x\\Win98", "D:\\x\\USB-Lan"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    MachineSpec spec;
    spec.win98 = true;
    EngineMachine m(spec);
    std::filesystem::create_directories(m.Image().Folder() / "drive_d");
    m.Image().Write("machine.ini", SystemIni("major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\n", c.current));
    std::string error;
    auto machine = sim::SimMachine::Load(m.Image().Folder(), error);
    ASSERT_NE(machine, nullptr) << error;
    CRegEdit engine(*machine);
    engine.CheckWindowsVersion();
    EXPECT_EQ(engine.m_szCurDrive.view(), c.drive);
    EXPECT_EQ(engine.m_szCurPath.view(), c.path);
    EXPECT_EQ(engine.m_szCurFname.view(), "fname");
    EXPECT_EQ(engine.m_szCurExt.view(), ".ext");
    EXPECT_EQ(engine.m_szSrcDir.view(), c.src);
    EXPECT_EQ(engine.m_szLanSrcDir.view(), c.lan);
  }
}

TEST(EngineFolders, BuiltFromTheSystemFolders) {
  MachineSpec spec;
  EngineMachine m(spec);
  CRegEdit& e = m.Engine();
  EXPECT_EQ(e.m_szWinDir.view(), "C:\\WINDOWS");
  EXPECT_EQ(e.m_szSysDir.view(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(e.m_szSys32Dir.view(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(e.m_szWorkFile.view(), "C:\\WINDOWS\\tvk_temp.dat");
  EXPECT_EQ(e.m_szWorkFileCopy.view(), e.m_szWorkFile.view());
  EXPECT_EQ(e.m_nWinKind, 0);
  EXPECT_EQ(e.m_bSelModem | e.m_bSelLan | e.m_nModemDetect | e.m_nLanDetect | e.m_nModemPlan | e.m_nLanPlan, 0);
}

TEST(WorkFileLifetime, AStaleFileIsNotReadAndTheFileGoesAtTheEnd) {
  TempImage image;
  image.Write("drive_c/WINDOWS/tvk_temp.dat", "[usb_root0]\r\nindex=1\r\nreg_enum=VID_0E9C&PID_0012\r\n");
  std::string error;
  auto machine = sim::SimMachine::Load(image.Folder(), error);
  ASSERT_NE(machine, nullptr) << error;
  {
    CRegEdit engine(*machine);
    EXPECT_EQ(engine.ReadWorkInt("usb_root0", "index"), 0) << "a file left by an earlier run is not read";
    engine.WriteWorkText("usb_root0", "index", "1");
    engine.WorkFile().Flush();
    EXPECT_EQ(image.Read("drive_c/WINDOWS/tvk_temp.dat"), "[usb_root0]\r\nindex=1\r\n");
  }
  EXPECT_FALSE(std::filesystem::exists(image.Folder() / "drive_c/WINDOWS/tvk_temp.dat"));
}

}  // namespace
}  // namespace zr
