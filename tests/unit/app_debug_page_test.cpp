// The debug page: the work file's raw text, read afresh on every display,
// "no data" without one, and a file too long for the text box shown cut so
// that the page can still be left.
#include <gtest/gtest.h>

#include "app/page.h"
#include "platform/text/codepage.h"
#include "tests/unit/install_fixture.h"
#include "tests/unit/wizard_fixture.h"

namespace zr::testing {
namespace {

std::size_t Characters(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char byte : utf8)
    if ((byte & 0xC0) != 0x80) ++count;
  return count;
}

// The debug page of a chooser sheet, shown through a sheet spy.
struct DebugPage {
  DebugPage() : machine(kWinXp), wizard(machine.Engine(), 0), spy(&wizard.runner) {
    page().Attach(&spy);
  }
  CPage2& page() { return wizard.sheet.m_page2; }
  std::string Shown() {
    const ControlState* control = wizard.runner.FindControl(page(), 1009);
    return control != nullptr ? control->text : "<none>";
  }
  void WriteWorkFile(const std::string& bytes) { machine.WriteC("WINDOWS\\tvk_temp.dat", bytes); }

  InstallMachine machine;
  Wizard wizard;
  SheetSpy spy;
};

TEST(DebugPage, ShowsNoDataWithoutAWorkFile) {
  DebugPage d;

  EXPECT_TRUE(d.page().OnSetActive());

  EXPECT_EQ(d.Shown(), "no data");
  EXPECT_EQ(d.spy.buttons, std::vector<int>{kButtonBack | kButtonNext});
}

TEST(DebugPage, ReadsTheWorkFileAfreshOnEveryDisplay) {
  DebugPage d;
  d.WriteWorkFile("[usb_root0]\r\nindex=1\r\nreg_enum=ROOT_HUB\r\n");
  d.page().OnSetActive();
  EXPECT_EQ(d.Shown(), "[usb_root0]\r\nindex=1\r\nreg_enum=ROOT_HUB\r\n");
  EXPECT_EQ(d.page().m_nDataLen, 41u);

  d.WriteWorkFile("[copy_file]\r\ndst_1=C:\\WINDOWS\\inf\\mdmtvk5u.inf\r\n");
  d.page().OnSetActive();
  EXPECT_EQ(d.Shown(), "[copy_file]\r\ndst_1=C:\\WINDOWS\\inf\\mdmtvk5u.inf\r\n");

  d.machine.RemoveC("WINDOWS\\tvk_temp.dat");
  d.page().OnSetActive();
  EXPECT_EQ(d.Shown(), "no data");
}

TEST(DebugPage, ShowsCodePageTextAsItReadsAndStopsAtAZeroByte) {
  DebugPage d;
  const std::string japanese = "usb_device0_reg_dev_name=標準 56000 bps モデム\r\n";
  d.WriteWorkFile(text::FromUtf8(japanese, 932) + std::string("\0hidden", 7));

  d.page().OnSetActive();

  EXPECT_EQ(d.Shown(), japanese);
}

TEST(DebugPage, CutsAWorkFileLongerThanTheTextBoxTakes) {
  DebugPage d;
  // Double-byte characters: the limit counts characters, not bytes.
  std::string line = text::FromUtf8("usb_device0_reg_dev_name=標準モデム\r\n", 932);
  std::string file;
  while (file.size() < 60000) file += line;
  d.WriteWorkFile(file);

  d.page().OnSetActive();

  const std::string shown = d.Shown();
  EXPECT_EQ(Characters(shown), CPage2::kTextLimit);
  const std::string whole = text::ToUtf8(file, 932);
  EXPECT_EQ(whole.compare(0, shown.size(), shown), 0);
  EXPECT_EQ(d.page().m_nDataLen, file.size());
}

// In the chooser's install flow with the debug key the page comes between
// the start page and the detection page and can always be left.
TEST(DebugPage, InTheInstallFlowShowsWhatDetectionAndStagingWrote) {
  InstallMachine m(kWinXp, device_keys::XpMouse());
  Wizard w(m.Engine(), 0);
  w.runner.KeyDown(0x44);
  w.runner.Next();
  w.runner.Next();
  ASSERT_EQ(w.Active(), "CPage2");
  EXPECT_EQ(w.runner.Buttons(), kButtonBack | kButtonNext);

  const std::string shown = w.Text(1009);
  EXPECT_NE(shown.find("[usb_root0]\r\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("reg_enum=Vid_046d&Pid_c00e"), std::string::npos) << shown;
  EXPECT_NE(shown.find("[copy_file]\r\ndst_1=C:\\WINDOWS\\inf\\mdmtvk5u.inf\r\n"), std::string::npos) << shown;

  ASSERT_TRUE(w.runner.Back());
  EXPECT_EQ(w.Active(), "CPage10");
  ASSERT_TRUE(w.runner.Next());
  ASSERT_TRUE(w.runner.Next());
  EXPECT_EQ(w.Active(), "CPage11");
}

TEST(DebugPage, ALongWorkFileDoesNotKeepTheUserOnThePage) {
  InstallMachine m(kWinXp);
  Wizard w(m.Engine(), 0);
  w.runner.KeyDown(0x44);
  w.runner.SelectRadio(1008);
  w.runner.Next();
  ASSERT_EQ(w.Active(), "CPage1");
  m.WriteC("WINDOWS\\tvk_temp.dat", std::string(50000, 'x'));
  w.runner.SetCheck(1001, true);
  // Detection rewrites the work file; it keeps the long line of unknown
  // text above the first section.
  ASSERT_TRUE(w.runner.Next());
  ASSERT_EQ(w.Active(), "CPage2");
  EXPECT_EQ(Characters(w.Text(1009)), CPage2::kTextLimit);

  EXPECT_TRUE(w.runner.Next());
  EXPECT_EQ(w.Active(), "CPage3");
}

}  // namespace
}  // namespace zr::testing
