// Modem-side detection: the result word on each Windows family, the files it
// probes and the OEM INF files it lists for removal, and Windows versions it
// does not handle.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/unit/detect_fixtures.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::MachineSpec;
using testing::RegKeyText;
using testing::RegValues;
using testing::Utf16Le;
using testing::VersionMachine;
using testing::WorkFileOnDisk;

constexpr char kPortAdapter[] = "tolvek ZR-77Q5K USB Port Adapter";
constexpr char kModem[] = "tolvek ZR-77Q5K - USB";
constexpr char kClass9x[] = "System\\CurrentControlSet\\Services\\Class\\";
constexpr char kInfDir[] = "drive_c/WINDOWS/inf/";
const std::string kModemInf = "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n";

struct DetectingMachine {
  explicit DetectingMachine(bool win98, const std::string& reg = "")
      : m([&] {
          MachineSpec spec;
          spec.win98 = win98;
          spec.reg = reg;
          return spec;
        }()) {
    m.Engine().CheckWindowsVersion();
  }
  void File(const std::string& belowWindows, const std::string& bytes) {
    m.Image().Write("drive_c/WINDOWS/" + belowWindows, bytes);
  }
  std::vector<std::string> ModemTable() {
    const CRegEdit& e = m.Engine();
    return std::vector<std::string>(e.m_astrModemInf.begin(), e.m_astrModemInf.begin() + e.m_nModemInf);
  }
  EngineMachine m;
};

TEST(DetectModem9x, ClassKeyBits) {
  auto usb = [](const char* slot, const RegValues& values) { return RegKeyText(kClass9x + std::string("Usb\\") + slot, values); };
  auto id = [](const char* cls, const char* slot, const char* matchingId) {
    return RegKeyText(kClass9x + std::string(cls) + "\\" + slot, {{"MatchingDeviceId", matchingId}});
  };
  const std::string port = kPortAdapter;
  struct Case {
    const char* what;
    std::string reg;
    int word;
  };
  const Case cases[] = {
      {"port adapter without a DeviceKey", usb("0000", {{"DriverDesc", port + " (COM5)"}}), 0x01},
      {"DeviceKey of the device, lower case, further text", usb("0003", {{"DriverDesc", port}, {"DeviceKey", "0e9c0012\\0000"}}), 0x02},
      {"description in other letter case", usb("0003", {{"DriverDesc", "TOLVEK zr-77q5k usb port adapter"}, {"DeviceKey", "0E9C0012"}}), 0x02},
      {"DeviceKey of another product", usb("0003", {{"DriverDesc", port}, {"DeviceKey", "0E9C0013\\0000"}}), 0},
      {"shorter description", usb("0003", {{"DriverDesc", "tolvek ZR-77Q5K USB Port"}, {"DeviceKey", "0E9C0012"}}), 0},
      {"DeviceKey without a description", usb("0003", {{"DeviceKey", "0E9C0012"}}), 0},
      {"Wdm id in lower case", id("Wdm", "0001", "usb\\vid_0e9c&pid_0012"), 0x04},
      {"Wdm id with further text", id("Wdm", "0001", "USB\\VID_0E9C&PID_0012&REV_0100"), 0x04},
      {"Wdm id of another product", id("Wdm", "0001", "USB\\VID_0E9C&PID_0013"), 0},
      {"Wdm id without a bus prefix", id("Wdm", "0001", "VID_0E9C&PID_0012"), 0},
      {"WdmModem id in lower case", id("WdmModem", "0007", "usb\\vid_0e9c&pid_0012"), 0x08},
      {"WdmModem id of another product", id("WdmModem", "0007", "USB\\VID_0E9C&PID_0021"), 0},
      {"the last class slot", id("WdmModem", "0255", "USB\\VID_0E9C&PID_0012"), 0x08},
      {"past the last class slot", id("Wdm", "0256", "USB\\VID_0E9C&PID_0012"), 0},
      {"every class bit",
       usb("0000", {{"DriverDesc", port}}) + usb("0001", {{"DriverDesc", port}, {"DeviceKey", "0E9C0012"}}) +
           id("Wdm", "0002", "USB\\VID_0E9C&PID_0012") + id("WdmModem", "0002", "USB\\VID_0E9C&PID_0012"),
       0x0F},
      {"port adapter instance with a driver",
       RegKeyText("Enum\\USB\\VID_0E9C&PID_0012\\1", {{"DeviceDesc", port}, {"Driver", "Ports\\0001"}}), 0x20},
      {"port adapter instance without a driver", RegKeyText("Enum\\USB\\VID_0E9C&PID_0012\\1", {{"DeviceDesc", port}}),
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DetectingMachine d(true, c.reg);
    EXPECT_EQ(d.m.Engine().DetectModem(), c.word);
    EXPECT_EQ(d.m.Machine().OpenHandles(), 0);
  }
}

// Seven named files count on 9x; OEM INF files are not searched and no file
// enters the removal table.
TEST(DetectModem9x, FileProbe) {
  struct Case {
    const char* file;
    int word;
  };
  const Case cases[] = {
      {"inf/tvkusb5.inf", 0x10000},         {"inf/other/tolvektvkusb5.inf", 0x10000},
      {"inf/mdmtvk5u.inf", 0x10000},        {"inf/other/tolvekmdmtvk5u.inf", 0x10000},
      {"inf/mdmtvk5u.pnf", 0x10000},        {"inf/other/tvkusb5.inf", 0x10000},
      {"inf/other/mdmtvk5u.inf", 0x10000},  {"inf/tvkusb5.pnf", 0},
      {"inf/other/mdmtvk5u.pnf", 0},        {"inf/oem3.inf", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    DetectingMachine d(true);
    d.File(c.file, kModemInf);
    EXPECT_EQ(d.m.Engine().DetectModem(), c.word);
    EXPECT_EQ(d.m.Engine().m_nModemInf, 0);
  }
}

TEST(DetectModemNt, InstanceBits) {
  struct Case {
    const char* description;
    bool driver;
    int word;
  };
  const Case cases[] = {
      {kModem, true, 0x28},
      {"TOLVEK zr-77q5k - usb", true, 0x28},
      {kModem, false, 0},
      {"tolvek ZR-77Q5K - USB (2)", true, 0},
      {kPortAdapter, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.description) + (c.driver ? " with a driver" : " without a driver"));
    RegValues values = {{"DeviceDesc", c.description}};
    if (c.driver) values.push_back({"Driver", "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001"});
    DetectingMachine d(false, RegKeyText("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\1", values));
    EXPECT_EQ(d.m.Engine().DetectModem(), c.word);
    EXPECT_EQ(d.m.Machine().OpenHandles(), 0);
  }
}

TEST(DetectModemNt, ListsMatchingInfFilesInOrder) {
  DetectingMachine d(false);
  d.File("inf/oem9.inf", Utf16Le(kModemInf, true));
  d.File("inf/oem3.inf", "\x83\x82\x83\x66\x83\x80\r\n" + kModemInf);
  d.File("inf/oem5.inf", "[Strings]\r\nLan=\"tolvek ZR-77Q5K USB-Lan\"\r\n");
  d.File("inf/mdmtvk5u.inf", "x");
  const std::vector<std::string> once = {"C:\\WINDOWS\\inf\\oem3.inf", "C:\\WINDOWS\\inf\\oem3.pnf",
                                         "C:\\WINDOWS\\inf\\oem9.inf", "C:\\WINDOWS\\inf\\oem9.pnf",
                                         "C:\\WINDOWS\\inf\\mdmtvk5u.inf"};
  EXPECT_EQ(d.m.Engine().DetectModem(), 0x10000);
  EXPECT_EQ(d.ModemTable(), once);

  // Going back and on again lists the same files once more.
  EXPECT_EQ(d.m.Engine().DetectModem(), 0x10000);
  std::vector<std::string> twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(d.ModemTable(), twice);
}

TEST(DetectModemNt, ProbesOnlyTheInfFolder) {
  struct Case {
    const char* file;
    int word;
    std::vector<std::string> table;
  };
  const Case cases[] = {
      {"inf/tvkusb5.inf", 0x10000, {"C:\\WINDOWS\\inf\\tvkusb5.inf"}},
      {"inf/oem255.inf", 0x10000, {"C:\\WINDOWS\\inf\\oem255.inf", "C:\\WINDOWS\\inf\\oem255.pnf"}},
      {"inf/oem256.inf", 0, {}},
      {"inf/oem3.pnf", 0, {}},
      {"inf/mdmtvk5u.pnf", 0, {}},
      {"inf/other/mdmtvk5u.inf", 0, {}},
      {"inf/other/tolvekmdmtvk5u.inf", 0, {}},
      {"inf/other/tvkusb5.inf", 0, {}},
      {"inf/other/tolvektvkusb5.inf", 0, {}},
      {"inf/other/oem3.inf", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    DetectingMachine d(false);
    d.File(c.file, kModemInf);
    EXPECT_EQ(d.m.Engine().DetectModem(), c.word);
    EXPECT_EQ(d.ModemTable(), c.table);
  }
}

TEST(DetectModemNt, AFullTableTakesNoMorePathsAndTheScanGoesOn) {
  struct Case {
    const char* what;
    int filled;
    std::vector<const char*> files;
    std::string last;  // the table's last entry afterwards
  };
  const Case cases[] = {
      {"one free entry", 259, {"inf/oem3.inf", "inf/oem9.inf", "inf/mdmtvk5u.inf"}, "C:\\WINDOWS\\inf\\oem3.inf"},
      {"full, OEM files", 260, {"inf/oem3.inf", "inf/oem9.inf"}, "earlier"},
      {"full, named file only", 260, {"inf/mdmtvk5u.inf"}, "earlier"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DetectingMachine d(false);
    for (const char* file : c.files) d.File(file, kModemInf);
    CRegEdit& e = d.m.Engine();
    for (int i = 0; i < c.filled; ++i) e.m_astrModemInf[static_cast<std::size_t>(i)] = "earlier";
    e.m_nModemInf = c.filled;
    EXPECT_EQ(e.DetectModem(), 0x10000);
    EXPECT_EQ(e.m_nModemInf, CRegEdit::kInfTable);
    EXPECT_EQ(e.m_astrModemInf.back(), c.last);
  }
}

// NT 4.0, and versions the engine does not know, are left alone.
TEST(Detection, OtherWindowsReadNothingAndWriteNothing) {
  const std::string reg =
      RegKeyText("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\1",
                 {{"DeviceDesc", kModem}, {"Driver", "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001"}}) +
      RegKeyText("Enum\\USB\\Vid_0e9c&Pid_0012\\1", {{"DeviceDesc", kPortAdapter}, {"Driver", "Ports\\0001"}});
  struct Case {
    const char* what;
    const char* system;
    int kind;
  };
  const Case cases[] = {
      {"NT 4.0", "major=4\nminor=0\nbuild=1381\nplatform=2\n", 3},
      {"Windows 3.1", "major=3\nminor=10\nbuild=0\nplatform=0\n", 0},
      {"Windows Vista", "major=6\nminor=0\nbuild=6000\nplatform=2\n", 0},
  };
  for (const Case& c : cases) {
    for (bool earlierWorkFile : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (earlierWorkFile ? ", with a work file" : ""));
      VersionMachine v(c.system, reg);
      v.Image().Write("drive_c/WINDOWS/inf/oem3.inf", kModemInf);
      v.Image().Write("drive_c/WINDOWS/inf/mdmtvk5u.inf", kModemInf);
      v.Image().Write("drive_c/WINDOWS/inf/tvkndis3.inf", "x");
      CRegEdit& e = v.Start();
      ASSERT_EQ(e.m_nWinKind, c.kind);
      const std::string earlier = "[usb_root0]\r\nindex=1\r\nreg_enum=Vid_0e9c&Pid_0012\r\n";
      if (earlierWorkFile) v.Image().Write("drive_c/WINDOWS/tvk_temp.dat", earlier);
      EXPECT_EQ(e.DetectModem(), 0);
      EXPECT_EQ(e.DetectUsbLan(), 0);
      WorkFileOnDisk work(v.Machine().Files(), e.m_szWorkFile.view());
      EXPECT_EQ(work.Exists(), earlierWorkFile);
      if (earlierWorkFile) {
        EXPECT_EQ(work.Bytes(), earlier);
      }
      EXPECT_EQ(e.m_nModemInf, 0);
      EXPECT_EQ(e.m_nLanInf, 0);
      EXPECT_EQ(v.Machine().OpenHandles(), 0);
    }
  }
}

// The bundled sample machine: the modem installed with its driver, found
// through its instance and its two INF files.
TEST(DetectModemNt, SampleMachine) {
  testing::TempImage scratch;
  const std::filesystem::path folder = scratch.Folder() / "winxp-modem";
  std::filesystem::copy(std::filesystem::path(ZR_SOURCE_DIR) / "machines" / "winxp-modem", folder,
                        std::filesystem::copy_options::recursive);
  std::string error;
  auto machine = sim::SimMachine::Load(folder, error);
  ASSERT_TRUE(machine) << error;
  CRegEdit e(*machine);
  e.CheckWindowsVersion();
  EXPECT_EQ(e.DetectModem(), 0x10028);
  const std::vector<std::string> table(e.m_astrModemInf.begin(), e.m_astrModemInf.begin() + e.m_nModemInf);
  EXPECT_EQ(table, (std::vector<std::string>{"C:\\WINDOWS\\inf\\oem3.inf", "C:\\WINDOWS\\inf\\oem3.pnf",
                                             "C:\\WINDOWS\\inf\\mdmtvk5u.inf"}));
  EXPECT_EQ(machine->OpenHandles(), 0);
}

}  // namespace
}  // namespace zr
