// Version detection with the driver folders it derives from the current
// directory, and the work file's lifetime.
#include <gtest/gtest.h>

#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/text/codepage.h"
#include "tests/support/temp_image.h"

namespace zr {
namespace {

using testing::TempImage;

std::unique_ptr<sim::SimMachine> Load(const TempImage& image) {
  std::string error;
  auto machine = sim::SimMachine::Load(image.Folder(), error);
  EXPECT_NE(machine, nullptr) << error;
  return machine;
}

TEST(CheckWindowsVersion, EveryRowOfTheVersionTableAndTheFoldersBelowTheCurrentDirectory) {
  const struct {
    const char* version;  // [system] lines
    const char* current;
    const char* osName;  // UTF-8
    int kind;
    int number;
    std::string drivers;  // "": no driver folders
  } rows[] = {
      {"major=3\nminor=11\nbuild=0\nplatform=0\n", "C:\\x", "Windows 3.1 (3.11.0 / 0)", 0, 1, ""},
      {"major=3\nminor=51\nbuild=1057\nplatform=2\n", "C:\\x", "Windows NT3.51 (3.51.1057 / 2)", 0, 1, ""},
      {"major=3\nminor=95\nbuild=0\nplatform=1\n", "C:\\x", "", 0, 1, ""},
      {"major=4\nminor=0\nbuild=0x04000395\nplatform=1\n", "C:\\x", "Windows 95 (4.0.917 / 1)", 1, 2, ""},
      {"major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\n", "C:\\", "Windows 98 (4.10.2222 / 1)", 1, 3, "C:\\Win98"},
      {"major=4\nminor=90\nbuild=0x045A0BB8\nplatform=1\n", "C:\\Tools\\Drv", "Windows Me (4.90.3000 / 1)", 1, 4,
       "C:\\Tools\\Drv\\WinMe"},
      {"major=4\nminor=20\nbuild=1\nplatform=1\n", "C:\\x", "Windows ? (4.20.1 / 1)", 0, 0, ""},
      {"major=4\nminor=0\nbuild=1381\nplatform=2\n", "C:\\x", "Windows NT4.0 (4.0.1381 / 2)", 3, 5, ""},
      {"major=4\nminor=0\nbuild=1\nplatform=0\n", "C:\\x", "", 0, 0, ""},
      {"major=5\nminor=0\nbuild=2195\nplatform=2\n", "D:\\x", "Windows 2000 (5.0.2195 / 2)", 2, 6, "D:\\x\\WinXp"},
      {"major=5\nminor=1\nbuild=2600\nplatform=2\n", "C:\\Drv.1", "Windows XP (5.1.2600 / 2)", 2, 7,
       "C:\\Drv.1\\WinXp"},
      {"major=5\nminor=2\nbuild=3790\nplatform=2\n", "C:\\x", "Windows ? (5.2.3790 / 2)", 0, 0, ""},
      {"major=5\nminor=0\nbuild=1\nplatform=1\n", "C:\\x", "", 0, 0, ""},
      {"major=6\nminor=0\nbuild=6002\nplatform=2\n", "C:\\x", "未サポート (6.0.6002 / 2)", 0, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.version);
    TempImage image;
    std::filesystem::create_directories(image.Folder() / "drive_d");
    image.Write("machine.ini", std::string("[system]\n") + row.version +
                                   "windows=C:\\WINDOWS\nsystem=C:\\WINDOWS\\system32\ncurrent=" + row.current + "\n");
    auto machine = Load(image);
    CRegEdit e(*machine);
    EXPECT_EQ(e.CheckWindowsVersion(), 1);
    EXPECT_EQ(text::ToUtf8(e.OsName().view(), 932), row.osName);
    EXPECT_EQ(std::pair(e.WinKind(), e.WinVersion()), std::pair(row.kind, row.number));
    EXPECT_EQ(e.SourceDir().view(), row.drivers);
    // The LAN drivers lie beside the others.
    const std::size_t base = row.drivers.rfind('\\') + 1;
    EXPECT_EQ(e.LanSourceDir().view(), row.drivers.empty() ? "" : row.drivers.substr(0, base) + "USB-Lan");
  }
}

TEST(WorkFileLifetime, AStaleFileIsNotReadAndTheFileGoesAtTheEnd) {
  TempImage image;
  image.Write("drive_c/WINDOWS/tvk_temp.dat", "[usb_root0]\r\nindex=1\r\nreg_enum=VID_0E9C&PID_0012\r\n");
  auto machine = Load(image);
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
