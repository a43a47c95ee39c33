// Staging the driver sets: which rows of the table each Windows and plan
// copies, under which record numbers, and what a copy does to the files.
#include <gtest/gtest.h>

#include "tests/unit/install_fixture.h"

namespace zr::testing {
namespace {

struct Row {
  int number;
  const char* destination;  // below C:\ .
  const char* source;       // below C:\Tools\ZR77
};

struct StagingCase {
  const char* name;
  const WindowsRelease* release;
  int plan;
  std::vector<Row> rows;
};

const Row k98PortInf{1, "WINDOWS\\inf\\tvkusb5.inf", "Win98\\tvkusb5.auto"};
const Row k98ModemInf{2, "WINDOWS\\inf\\mdmtvk5u.inf", "Win98\\mdmtvk5u.auto"};
const Row k98SerSys{3, "WINDOWS\\SYSTEM\\sysfser.sys", "Win98\\sysfser.sys"};
const Row k98SerDll{4, "WINDOWS\\SYSTEM\\sysfser.dll", "Win98\\sysfser.dll"};
const Row k98PortVxd{5, "WINDOWS\\SYSTEM\\sysfport.vxd", "Win98\\sysfport.vxd"};
const Row k98MaprSys{6, "WINDOWS\\SYSTEM\\sysfmapr.sys", "Win98\\sysfmapr.sys"};
const Row k98LanInf{7, "WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"};
const Row k98LanSys{8, "WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"};
const Row kMePortInf{1, "WINDOWS\\inf\\tvkusb5.inf", "WinMe\\tvkusb5.auto"};
const Row kMeModemInf{2, "WINDOWS\\inf\\mdmtvk5u.inf", "WinMe\\mdmtvk5u.auto"};
const Row kMeLanInf{3, "WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"};
const Row kMeLanSys{4, "WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"};
const Row kNtModemInf{1, "WINDOWS\\inf\\mdmtvk5u.inf", "WinXp\\mdmtvk5u.auto"};
const Row kNtLanInf{2, "WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"};
const Row kNtLanSys{3, "WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"};

// Every file a staging may write.
const std::vector<std::string> kAllDestinations = {
    "WINDOWS\\inf\\tvkusb5.inf",    "WINDOWS\\inf\\mdmtvk5u.inf",    "WINDOWS\\inf\\tvkndis3.inf",
    "WINDOWS\\SYSTEM\\sysfser.sys", "WINDOWS\\SYSTEM\\sysfser.dll",  "WINDOWS\\SYSTEM\\sysfport.vxd",
    "WINDOWS\\SYSTEM\\sysfmapr.sys", "WINDOWS\\system32\\drivers\\tvkndis.sys"};

std::vector<std::string> Records(const std::vector<Row>& rows) {
  std::vector<std::string> records;
  for (const Row& row : rows) {
    records.push_back("dst_" + std::to_string(row.number) + "=C:\\" + row.destination);
    records.push_back("src_" + std::to_string(row.number) + "=C:\\Tools\\ZR77\\" + row.source);
  }
  return records;
}

void PrintTo(const StagingCase& c, std::ostream* os) { *os << c.name; }

class StagingTest : public ::testing::TestWithParam<StagingCase> {};

TEST_P(StagingTest, CopiesTheRowsOfThePlanAndRecordsEachUnderItsNumber) {
  const StagingCase& c = GetParam();
  InstallMachine m(*c.release);

  EXPECT_EQ(m.Engine().CopyDriverFiles(c.plan), 1);

  EXPECT_EQ(m.WorkSection("copy_file"), Records(c.rows));
  for (const std::string& destination : kAllDestinations) {
    SCOPED_TRACE(destination);
    const Row* row = nullptr;
    for (const Row& r : c.rows)
      if (destination == r.destination) row = &r;
    EXPECT_EQ(m.ReadC(destination), row != nullptr ? SourceBytes(row->source) : "<missing>");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Plans, StagingTest,
    ::testing::Values(
        StagingCase{"Win98Lan", &kWin98, 0x002, {k98LanInf, k98LanSys}},
        StagingCase{"Win98PortAdapterAndModem", &kWin98, 0x001,
                    {k98PortInf, k98ModemInf, k98SerSys, k98SerDll, k98PortVxd, k98MaprSys}},
        StagingCase{"Win98Both", &kWin98, 0x003,
                    {k98PortInf, k98ModemInf, k98SerSys, k98SerDll, k98PortVxd, k98MaprSys, k98LanInf,
                     k98LanSys}},
        StagingCase{"Win98IgnoresTheNtBits", &kWin98, 0x300, {}},
        StagingCase{"WinMeBoth", &kWinMe, 0x003, {kMePortInf, kMeModemInf, kMeLanInf, kMeLanSys}},
        StagingCase{"WinMeLan", &kWinMe, 0x002, {kMeLanInf, kMeLanSys}},
        StagingCase{"WinXpBoth", &kWinXp, 0x300, {kNtModemInf, kNtLanInf, kNtLanSys}},
        StagingCase{"WinXpLan", &kWinXp, 0x200, {kNtLanInf, kNtLanSys}},
        StagingCase{"Win2000BothFromTheXpFolder", &kWin2000, 0x300, {kNtModemInf, kNtLanInf, kNtLanSys}},
        StagingCase{"WinXpIgnoresThe9xBits", &kWinXp, 0x003, {}},
        StagingCase{"WinNt4StagesNothing", &kWinNt4, 0x303, {}},
        StagingCase{"Win95StagesNothing", &kWin95, 0x303, {}}),
    [](const ::testing::TestParamInfo<StagingCase>& info) { return std::string(info.param.name); });

TEST(Staging, OverwritesADestinationThatAlreadyExists) {
  InstallMachine m(kWinXp);
  m.WriteC("WINDOWS\\inf\\mdmtvk5u.inf", "an older modem INF");
  m.WriteC("WINDOWS\\system32\\drivers\\tvkndis.sys", "an older network driver");

  m.Engine().CopyDriverFiles(0x300);

  EXPECT_EQ(m.ReadC("WINDOWS\\inf\\mdmtvk5u.inf"), SourceBytes("WinXp\\mdmtvk5u.auto"));
  EXPECT_EQ(m.ReadC("WINDOWS\\system32\\drivers\\tvkndis.sys"), SourceBytes("USB-Lan\\tvkndis.sys"));
}

TEST(Staging, AMissingSourceKeepsItsRecordsAndTheOtherRowsAreStillCopied) {
  InstallMachine m(kWin98);
  m.RemoveC("Tools\\ZR77\\Win98\\tvkusb5.auto");
  m.RemoveC("Tools\\ZR77\\Win98\\mdmtvk5u.auto");

  EXPECT_EQ(m.Engine().CopyDriverFiles(0x001), 1);

  EXPECT_EQ(m.WorkSection("copy_file"),
            Records({k98PortInf, k98ModemInf, k98SerSys, k98SerDll, k98PortVxd, k98MaprSys}));
  EXPECT_FALSE(m.ExistsC("WINDOWS\\inf\\tvkusb5.inf"));
  EXPECT_FALSE(m.ExistsC("WINDOWS\\inf\\mdmtvk5u.inf"));
  EXPECT_EQ(m.ReadC("WINDOWS\\SYSTEM\\sysfser.sys"), SourceBytes("Win98\\sysfser.sys"));
  EXPECT_EQ(m.ReadC("WINDOWS\\SYSTEM\\sysfmapr.sys"), SourceBytes("Win98\\sysfmapr.sys"));
}

// From a program folder this deep the source paths no longer fit their
// 260-byte buffers; cut short they would name other files, which exist here.
TEST(Staging, ASourcePathCutShortByItsBufferIsNotCopied) {
  const std::string folder(241, 'a');
  InstallMachine m(kWinXp);
  std::string ini = m.Image().Read("machine.ini");
  ini.replace(ini.find("current=C:\\Tools\\ZR77"), 21, "current=C:\\" + folder);
  m.Image().Write("machine.ini", ini);
  m.WriteC(folder + "\\WinXp\\mdmtvk5u", "a file named like the cut path");
  m.WriteC(folder + "\\USB-Lan\\tvkndi", "a file named like the cut path");
  std::string error;
  auto machine = sim::SimMachine::Load(m.Image().Folder(), error);
  ASSERT_TRUE(machine) << error;
  CRegEdit engine(*machine);
  engine.CheckWindowsVersion();
  ASSERT_EQ(engine.m_szSrcDir.size(), 250u);

  EXPECT_EQ(engine.CopyDriverFiles(0x300), 1);

  for (const char* destination : {"WINDOWS\\inf\\mdmtvk5u.inf", "WINDOWS\\inf\\tvkndis3.inf",
                                  "WINDOWS\\system32\\drivers\\tvkndis.sys"}) {
    SCOPED_TRACE(destination);
    EXPECT_NE(machine->Files().ProbeExisting(std::string("C:\\") + destination), win::kSuccess);
  }
}

TEST(Staging, ASecondStagingRewritesTheSameRecords) {
  InstallMachine m(kWinXp);
  m.Engine().CopyDriverFiles(0x300);
  m.Engine().CopyDriverFiles(0x200);

  EXPECT_EQ(m.WorkSection("copy_file"), Records({kNtModemInf, kNtLanInf, kNtLanSys}));
}

}  // namespace
}  // namespace zr::testing
