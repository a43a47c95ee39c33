// The debug page: the work file's raw text, read afresh on every display,
// "no data" without one, and a file too long for the text box shown cut so
// that the page can still be left.
#include <gtest/gtest.h>

#include "platform/text/codepage.h"
#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

constexpr char kWorkFile[] = "WINDOWS\\tvk_temp.dat";

TEST(DebugPage, ShowsTheWorkFileAsItIsOnEveryDisplay) {
  EngineOverImage m(Windows::kXp);
  Wizard w(m, 0);
  CPage2& page = w.sheet.m_page2;
  page.Attach(&w.runner);
  auto shown = [&] {
    page.OnSetActive();
    return w.Text(1009, &page);
  };

  EXPECT_EQ(shown(), "no data");
  // Code page text, up to the first zero byte.
  const std::string japanese = "usb_device0_reg_dev_name=標準 56000 bps モデム\r\n";
  m.WriteC(kWorkFile, text::FromUtf8(japanese, 932) + std::string("\0hidden", 7));
  EXPECT_EQ(shown(), japanese);
  m.Machine().Files().DeleteFile(std::string("C:\\") + kWorkFile);
  EXPECT_EQ(shown(), "no data");
}

TEST(DebugPage, CutsALongWorkFileAndCanStillBeLeft) {
  EngineOverImage m(Windows::kXp);
  Wizard w(m, 0);
  w.runner.KeyDown(0x44);
  w.runner.SelectRadio(1008);
  w.runner.Next();
  // Double-byte characters: the text box counts characters, not bytes.
  // Detection keeps this line of unknown text above the first section.
  std::string line;
  while (line.size() < 150000) line += "標準モデム";  // 50000 characters
  m.WriteC(kWorkFile, text::FromUtf8(line, 932));
  w.runner.SetCheck(1001, true);
  ASSERT_TRUE(w.runner.Next());
  ASSERT_EQ(w.Active(), "CPage2");

  const std::string shown = w.Text(1009);
  std::size_t characters = 0;
  for (unsigned char byte : shown) characters += (byte & 0xC0) != 0x80;
  EXPECT_EQ(characters, 40960u);
  EXPECT_EQ(line.compare(0, shown.size(), shown), 0);

  EXPECT_TRUE(w.runner.Next());
  EXPECT_EQ(w.Active(), "CPage3");
}

}  // namespace
}  // namespace zr::testing
