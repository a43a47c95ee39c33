// The INF text search over the encodings INF files come in, and the
// file-existence probe.
#include <gtest/gtest.h>

#include "detect/inf_search.h"
#include "tests/unit/detect_fixtures.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::MachineSpec;
using testing::Utf16Le;

constexpr char kText[] = "tolvek ZR-77Q5K USB-Modem";
constexpr char kInf[] = "C:\\WINDOWS\\inf\\oem3.inf";

TEST(InfNamesText, FindsTheTextInEachEncoding) {
  const std::string line = std::string("Modem=\"") + kText + "\"\r\n";
  const std::string head = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\n[Strings]\r\n";
  // Shift-JIS text around it, as a Japanese INF has it.
  const std::string sjis = "\x83\x82\x83\x66\x83\x80=\"\x83\x82\x83\x66\x83\x80\"\r\n";
  // More than the 256 code units the Unicode test looks at, then one stray
  // byte: the text then starts at an odd offset (a second one at the end
  // keeps the length even, as Unicode text has it).
  const std::string longWide = Utf16Le(head + std::string(300, 'x') + "\r\n", true);
  struct Case {
    const char* what;
    std::string bytes;
    bool hit;
  };
  const Case cases[] = {
      {"UTF-16LE with a byte-order mark", Utf16Le(head + line, true), true},
      {"UTF-16LE without a byte-order mark", Utf16Le(head + line, false), true},
      {"UTF-16LE, text in lower case", Utf16Le(head + "Modem=\"tolvek zr-77q5k usb-modem\"\r\n", true), false},
      {"UTF-16LE at an odd offset", longWide + "?" + Utf16Le(line, false) + "?", true},
      {"UTF-16LE ending with the text", Utf16Le(head + "Modem=" + kText, true), true},
      {"single-byte", head + line, true},
      {"single-byte, lower case", head + "Modem=\"tolvek zr-77q5k usb-modem\"\r\n", true},
      {"single-byte, upper case", head + "Modem=\"TOLVEK ZR-77Q5K USB-MODEM\"\r\n", true},
      {"single-byte with Shift-JIS around it", sjis + head + line + sjis, true},
      {"single-byte ending with the text", head + "Modem=" + kText, true},
      {"nothing but the text", kText, true},
      {"the text less its last letter", head + "tolvek ZR-77Q5K USB-Mode", false},
      // Bytes that differ from the text's by 0x20 but are not letters.
      {"control bytes in place of dashes", head + "tolvek ZR\r77Q5K USB\rModem\r\n", false},
      {"another vendor's modem", head + "Modem=\"tolvek ZR-77Q5K USB-Lan\"\r\n", false},
      {"empty", "", false},
  };
  EngineMachine m{MachineSpec{}};
  IFiles& files = m.Machine().Files();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m.Image().Write("drive_c/WINDOWS/inf/oem3.inf", c.bytes);
    EXPECT_EQ(InfNamesText(files, kInf, kText), c.hit);
  }
  EXPECT_FALSE(InfNamesText(files, "C:\\WINDOWS\\inf\\oem4.inf", kText)) << "missing file";
  EXPECT_FALSE(InfNamesText(files, "C:\\WINDOWS\\inf", kText)) << "a folder";
}

TEST(FileExists, OnlyFilesExist) {
  EngineMachine m{MachineSpec{}};
  m.Image().Write("drive_c/WINDOWS/inf/mdmtvk5u.inf", "x");
  m.Image().Write("drive_c/WINDOWS/inf/empty.inf", "");
  IFiles& files = m.Machine().Files();
  ASSERT_EQ(files.SetAttributes("C:\\WINDOWS\\inf\\empty.inf", win::kFileAttributeReadonly), win::kSuccess);
  const struct {
    const char* path;
    bool exists;
  } cases[] = {
      {"C:\\WINDOWS\\inf\\mdmtvk5u.inf", true},
      {"c:\\windows\\INF\\MDMTVK5U.INF", true},
      {"C:\\WINDOWS\\inf\\empty.inf", true},
      {"C:\\WINDOWS\\inf\\mdmtvk5u.pnf", false},
      {"C:\\WINDOWS\\inf", false},
      {"C:\\WINDOWS\\inf\\other\\mdmtvk5u.inf", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FileExists(files, c.path), c.exists) << c.path;
}

}  // namespace
}  // namespace zr
