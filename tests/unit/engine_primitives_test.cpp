// The engine's registry and privilege primitives on 9x and NT machines, for
// an administrator and for a user who is none: results for present,
// missing, refused and too-long keys and values, and no handle left open.
#include <gtest/gtest.h>

#include "platform/win_codes.h"
#include "tests/support/engine_over_image.h"
#include "tests/support/reg_text.h"

namespace zr {
namespace {

using testing::EngineOverImage;
using testing::RegKey;
using testing::RegString;
using testing::Windows;

constexpr char kProtected[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Dev";

// 9x knows neither users nor access lists, so the user and the protected
// key there refuse nothing.
struct Machine {
  const char* what;
  bool win98;
  bool admin;
} const kMachines[] = {
    {"98, no administrator", true, false}, {"XP administrator", false, true}, {"XP user", false, false}};

std::string Registry() {
  std::string reg = RegKey("SOFTWARE\\T") + RegString("abc", "abc") + RegString("long", std::string(300, 'x')) +
                    "\"exact\"=hex(3):41";
  for (int i = 1; i < 260; ++i) reg += ",41";
  reg += "\n" + RegKey("SOFTWARE\\T\\Sub\\Deeper") + RegKey(kProtected);
  return reg;
}

TEST(Primitives, ResultsForEveryUser) {
  const struct {
    const char* key;
    const char* value;
    int result;
    std::string text;  // the buffer afterwards
  } cases[] = {
      {"SOFTWARE\\T", "abc", 4, "abc"},
      {"software\\t", "ABC", 4, "abc"},
      {"SOFTWARE\\T", "missing", 0, ""},
      {"SOFTWARE\\T", "long", 0, ""},
      // All 260 bytes, and still a terminated text.
      {"SOFTWARE\\T", "exact", 260, std::string(260, 'A')},
      {"SOFTWARE\\Nope", "abc", -1, "sentinel"},
  };
  const std::uint8_t d[] = {'n', 'e', 'w', 0};
  for (const Machine& machine : kMachines) {
    SCOPED_TRACE(machine.what);
    EngineOverImage m(machine.win98 ? Windows::k98 : Windows::kXp, Registry(), machine.admin,
                      {"SYSTEM\\CurrentControlSet\\Enum"});
    CRegEdit& e = m.Engine();
    for (const auto& c : cases) {
      Text260 buffer;
      buffer = "sentinel";
      EXPECT_EQ(e.RegReadValue(c.key, c.value, buffer), c.result) << c.key << " " << c.value;
      EXPECT_EQ(buffer.view(), c.text) << c.key << " " << c.value;
    }
    const int changes = machine.win98 || machine.admin ? 1 : 0;  // only an NT user is refused
    Text260 read;
    EXPECT_EQ(e.RegWriteValue("SOFTWARE\\T", "w", d, 4, win::kRegSz), changes);
    EXPECT_EQ(e.RegReadValue("SOFTWARE\\T", "w", read), 4 * changes);
    for (int mode : {0, 3, -1}) EXPECT_EQ(e.RegWriteValueEx("SOFTWARE\\T", "x", d, 4, win::kRegSz, mode), 0) << mode;
    EXPECT_EQ(e.RegDeleteValue("SOFTWARE\\T", "x"), 0) << "other modes wrote nothing";
    EXPECT_EQ(e.RegDeleteValue("SOFTWARE\\T", "w"), changes);
    EXPECT_EQ(e.RegDeleteKey("SOFTWARE\\T", "Missing"), 0);
    EXPECT_EQ(e.RegWriteValue("SOFTWARE\\Nope", "w", d, 4, win::kRegSz) + e.RegDeleteValue("SOFTWARE\\Nope", "w") +
                  e.RegDeleteKey("SOFTWARE\\Nope", "Sub") + e.SetKeySecurity("SOFTWARE\\Nope"),
              0)
        << "below a missing key";
    // 9x takes the sub-tree with the key; NT refuses a key with sub-keys.
    EXPECT_EQ(e.RegDeleteKey("SOFTWARE\\T", "Sub"), machine.win98 ? 1 : 0);
    // The protected key: 9x has no access lists to refuse with or replace.
    EXPECT_EQ(e.RegWriteValueEx(kProtected, "v", d, 4, win::kRegSz, 1), machine.win98 ? 1 : 0);
    EXPECT_EQ(e.RegWriteValueEx(kProtected, "v", d, 4, win::kRegSz, 2), changes);
    EXPECT_EQ(e.SetKeySecurity(kProtected), machine.win98 ? 0 : changes);
    EXPECT_EQ(e.RegDeleteKey("SYSTEM\\CurrentControlSet\\Enum\\USB", "Dev"), changes);
    EXPECT_EQ(e.EnableShutdownPrivilege(), machine.win98 ? -1 : 0) << "9x has no token to enable it in";
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

}  // namespace
}  // namespace zr
