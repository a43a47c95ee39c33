// Staging the driver sets: which rows of the table each Windows and plan
// copies, under which record numbers, and what a copy does to the files.
#include <gtest/gtest.h>

#include "tests/unit/install_fixture.h"

namespace zr::testing {
namespace {

struct Row {
  int number;
  const char* destination;  // below C:\ .
  const char* source;       // below the program's folder
};

const Row kLanInf{7, "WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"};
const Row kLanSys{8, "WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"};
const Row kNtModem{1, "WINDOWS\\inf\\mdmtvk5u.inf", "WinXp\\mdmtvk5u.auto"};
const auto Numbered = [](Row row, int number) { return row.number = number, row; };
const std::vector<Row> kXpRows = {kNtModem, Numbered(kLanInf, 2), Numbered(kLanSys, 3)};

// The work file as the staging leaves it: each row's destination and source
// under the row's number.
std::string WorkFile(const std::vector<Row>& rows) {
  if (rows.empty()) return "<missing>";
  std::string text = "[copy_file]\r\n";
  for (const Row& row : rows) {
    const std::string n = std::to_string(row.number);
    text += "dst_" + n + "=C:\\" + row.destination + "\r\nsrc_" + n + "=C:\\Tools\\ZR77\\" + row.source + "\r\n";
  }
  return text;
}

TEST(Staging, CopiesTheRowsOfThePlanAndRecordsEachUnderItsNumber) {
  const struct {
    const char* release;
    int plan;
    std::vector<Row> rows;
  } cases[] = {
      {kWin98, 0x002, {kLanInf, kLanSys}},
      {kWinMe, 0x003,
       {{1, "WINDOWS\\inf\\tvkusb5.inf", "WinMe\\tvkusb5.auto"}, {2, "WINDOWS\\inf\\mdmtvk5u.inf", "WinMe\\mdmtvk5u.auto"},
        Numbered(kLanInf, 3), Numbered(kLanSys, 4)}},
      {kWinXp, 0x300, kXpRows},
      {kWinXp, 0x003, {}},  // the 9x bits mean nothing on NT
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.release).substr(0, 16) + " plan " + std::to_string(c.plan));
    InstallMachine m(c.release);
    EXPECT_EQ(m.Engine().CopyDriverFiles(c.plan), 1);
    EXPECT_EQ(m.ReadC("WINDOWS\\tvk_temp.dat"), WorkFile(c.rows));
    for (const Row& row : c.rows) EXPECT_EQ(m.ReadC(row.destination), SourceBytes(row.source)) << row.destination;
  }
}

TEST(Staging, OverwritesOldCopiesAndSkipsAMissingSourceButKeepsItsRecords) {
  InstallMachine m(kWinXp);
  m.Machine().Files().DeleteFile("C:\\Tools\\ZR77\\WinXp\\mdmtvk5u.auto");
  m.WriteC("WINDOWS\\system32\\drivers\\tvkndis.sys", "an older network driver");

  EXPECT_EQ(m.Engine().CopyDriverFiles(0x300), 1);

  EXPECT_EQ(m.ReadC("WINDOWS\\tvk_temp.dat"), WorkFile(kXpRows));
  EXPECT_EQ(m.ReadC(kNtModem.destination) + m.ReadC(kLanInf.destination) + m.ReadC(kLanSys.destination),
            "<missing>" + SourceBytes(kLanInf.source) + SourceBytes(kLanSys.source));
}

// From a program folder this deep the source paths no longer fit their
// 260-byte buffers; cut short they would name other files, which exist here.
TEST(Staging, ASourcePathCutShortByItsBufferIsNotCopied) {
  const std::string folder(241, 'a');
  InstallMachine m(kWinXp, {}, folder);
  m.WriteC(folder + "\\WinXp\\mdmtvk5u", "a file named like the cut path");
  m.WriteC(folder + "\\USB-Lan\\tvkndi", "a file named like the cut path");
  ASSERT_EQ(m.Engine().SourceDir().size(), 250u);

  EXPECT_EQ(m.Engine().CopyDriverFiles(0x300), 1);

  for (const Row& row : kXpRows) EXPECT_EQ(m.ReadC(row.destination), "<missing>");
}

}  // namespace
}  // namespace zr::testing
