// The engine's registry, file and privilege primitives on 9x and NT
// machines: results for present, missing, refused and too-long keys and
// values, and no handle left open.
#include <gtest/gtest.h>

#include "platform/win_codes.h"
#include "tests/support/engine_machine.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::MachineSpec;

const std::string kReg =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T]\r\n"
    "\"abc\"=\"abc\"\r\n"
    "\"bin\"=hex:01,02,03\r\n"
    "\"long\"=\"" + std::string(300, 'x') + "\"\r\n"
    "\"exact\"=hex(3):" + [] {
      std::string s;
      for (int i = 0; i < 260; ++i) s += i ? ",41" : "41";
      return s;
    }() + "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\Sub]\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\T\\Sub\\Deeper]\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\USB\\Dev]\r\n"
    "\"v\"=\"1\"\r\n";

MachineSpec Spec(bool win98, bool admin = true) {
  MachineSpec spec;
  spec.win98 = win98;
  spec.admin = admin;
  spec.protectedKeys = {"SYSTEM\\CurrentControlSet\\Enum"};
  spec.reg = kReg;
  return spec;
}

TEST(RegReadValue, ResultsAndBuffer) {
  struct Case {
    const char* key;
    const char* value;
    int result;
    const char* text;  // buffer text afterwards; nullptr: untouched ("sentinel")
  } cases[] = {
      {"SOFTWARE\\T", "abc", 4, "abc"},
      {"software\\t", "ABC", 4, "abc"},
      {"SOFTWARE\\T", "bin", 3, "\x01\x02\x03"},
      {"SOFTWARE\\T", "missing", 0, ""},
      {"SOFTWARE\\T", "long", 0, ""},
      {"SOFTWARE\\T", "exact", 260, nullptr},
      {"SOFTWARE\\Nope", "abc", -1, nullptr},
  };
  for (bool win98 : {true, false}) {
    EngineMachine m(Spec(win98));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(win98 ? "98 " : "XP ") + c.key + " " + c.value);
      Text260 buffer;
      buffer = "sentinel";
      EXPECT_EQ(m.Engine().RegReadValue(c.key, c.value, buffer), c.result);
      if (c.text != nullptr) {
        EXPECT_EQ(buffer.view(), c.text);
      } else if (c.result == 260) {
        EXPECT_EQ(buffer.view(), std::string(260, 'A')) << "all 260 bytes, still a terminated text";
      } else {
        EXPECT_EQ(buffer.view(), "sentinel");
      }
      EXPECT_EQ(m.Machine().OpenHandles(), 0);
    }
  }
}

TEST(RegWriteAndDelete, ResultsOnEachPlatform) {
  const std::uint8_t data[] = {'n', 'e', 'w', 0};
  for (bool win98 : {true, false}) {
    SCOPED_TRACE(win98 ? "98" : "XP");
    EngineMachine m(Spec(win98));
    CRegEdit& e = m.Engine();
    bool found = false;
    EXPECT_EQ(e.RegWriteValue("SOFTWARE\\T", "w", data, 4, win::kRegSz), 1);
    EXPECT_EQ(m.Value("SOFTWARE\\T", "w", found), std::vector<std::uint8_t>(data, data + 4));
    EXPECT_EQ(e.RegWriteValue("SOFTWARE\\Nope", "w", data, 4, win::kRegSz), 0);
    for (int mode : {0, 3, -1}) {
      EXPECT_EQ(e.RegWriteValueEx("SOFTWARE\\T", "x", data, 4, win::kRegSz, mode), 0);
      m.Value("SOFTWARE\\T", "x", found);
      EXPECT_FALSE(found) << "mode " << mode << " writes nothing";
    }
    EXPECT_EQ(e.RegDeleteValue("SOFTWARE\\T", "w"), 1);
    EXPECT_EQ(e.RegDeleteValue("SOFTWARE\\T", "w"), 0);
    EXPECT_EQ(e.RegDeleteValue("SOFTWARE\\Nope", "w"), 0);
    // A key with sub-keys: NT refuses, 9x deletes the sub-tree.
    EXPECT_EQ(e.RegDeleteKey("SOFTWARE\\T", "Sub"), win98 ? 1 : 0);
    EXPECT_EQ(m.KeyExists("SOFTWARE\\T\\Sub\\Deeper"), !win98);
    EXPECT_EQ(e.RegDeleteKey("SOFTWARE\\T", "Missing"), 0);
    EXPECT_EQ(e.RegDeleteKey("SOFTWARE\\Nope", "Sub"), 0);
    EXPECT_EQ(e.SetKeySecurity("SOFTWARE\\Nope"), 0);
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

TEST(SetKeySecurity, OpensAProtectedKeyForTheAdministratorOnly) {
  struct Case {
    const char* what;
    bool win98;
    bool admin;
    int security;      // SetKeySecurity result
    int plainWrite;    // RegWriteValueEx mode 1 before
    int securedWrite;  // RegWriteValueEx mode 2
    int deleteKey;     // RegDeleteKey of the key afterwards
  } cases[] = {
      {"XP administrator", false, true, 1, 0, 1, 1},
      {"XP limited user", false, false, 0, 0, 0, 0},
      {"98 has no access lists", true, true, 0, 1, 1, 1},
  };
  const std::uint8_t data[] = {'2', 0};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EngineMachine m(Spec(c.win98, c.admin));
    CRegEdit& e = m.Engine();
    const char* key = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Dev";
    EXPECT_EQ(e.RegWriteValueEx(key, "v", data, 2, win::kRegSz, 1), c.plainWrite);
    EXPECT_EQ(e.RegWriteValueEx(key, "v", data, 2, win::kRegSz, 2), c.securedWrite);
    EXPECT_EQ(e.SetKeySecurity(key), c.security);
    EXPECT_EQ(e.RegDeleteKey("SYSTEM\\CurrentControlSet\\Enum\\USB", "Dev"), c.deleteKey);
    EXPECT_EQ(m.KeyExists(key), c.deleteKey == 0);
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

TEST(DeleteFileForce, ClearsReadOnlyAndAlwaysSucceeds) {
  EngineMachine m(Spec(false));
  m.Image().Write("drive_c/WINDOWS/inf/oem3.inf", "x");
  std::filesystem::permissions(m.Image().Folder() / "drive_c/WINDOWS/inf/oem3.inf", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(m.Engine().DeleteFileForce("C:\\WINDOWS\\INF\\OEM3.INF"), 1);
  EXPECT_FALSE(std::filesystem::exists(m.Image().Folder() / "drive_c/WINDOWS/inf/oem3.inf"));
  EXPECT_EQ(m.Engine().DeleteFileForce("C:\\WINDOWS\\inf\\missing.inf"), 1);
  EXPECT_EQ(m.Engine().DeleteFileForce("C:\\NoFolder\\missing.inf"), 1);
}

TEST(EnableShutdownPrivilege, GrantedOnNtNoTokenOn9x) {
  EngineMachine xp(Spec(false));
  EXPECT_EQ(xp.Engine().EnableShutdownPrivilege(), 0);
  EngineMachine nine(Spec(true));
  EXPECT_EQ(nine.Engine().EnableShutdownPrivilege(), -1);
}

}  // namespace
}  // namespace zr
