// Staging the driver sets: the records of what was copied, and what a copy
// does to the files. Which files each Windows stages is the scenario cases'.
#include <gtest/gtest.h>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

struct Row {
  int number;
  const char* destination;  // below C:\ .
  const char* source;       // below the program's folder
};

const Row kNtModem{1, "WINDOWS\\inf\\mdmtvk5u.inf", "WinXp\\mdmtvk5u.auto"};
const Row kLanInf{2, "WINDOWS\\inf\\tvkndis3.inf", "USB-Lan\\tvkndis3.auto"};
const Row kLanSys{3, "WINDOWS\\system32\\drivers\\tvkndis.sys", "USB-Lan\\tvkndis.sys"};
const std::vector<Row> kXpRows = {kNtModem, kLanInf, kLanSys};

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

TEST(Staging, OverwritesOldCopiesAndSkipsAMissingSourceButKeepsItsRecords) {
  EngineOverImage m(Windows::kXp);
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
  EngineOverImage m(Windows::kXp, {}, true, {}, folder);
  m.WriteC(folder + "\\WinXp\\mdmtvk5u", "a file named like the cut path");
  m.WriteC(folder + "\\USB-Lan\\tvkndi", "a file named like the cut path");
  ASSERT_EQ(m.Engine().SourceDir().size(), 250u);

  EXPECT_EQ(m.Engine().CopyDriverFiles(0x300), 1);

  for (const Row& row : kXpRows) EXPECT_EQ(m.ReadC(row.destination), "<missing>");
}

}  // namespace
}  // namespace zr::testing
