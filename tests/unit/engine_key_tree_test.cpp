// Recording a device's registry key trees into the work file and deleting
// them deepest key first: what a capture records, which tree a deletion
// walks, what it takes with it, what it must leave, and the one message.
// And recording the network components bound to a USB-LAN instance on 9x:
// three levels of Bindings keys, the driver key of each first-level
// component, and the bound of 32 per level.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/reg_edit.h"
#include "tests/support/engine_over_image.h"
#include "tests/support/ini_text.h"
#include "tests/support/reg_text.h"

namespace zr {
namespace {

using testing::EngineOverImage;
using testing::RegKey;
using testing::RegString;
using testing::Windows;

const std::string kModemParent = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0E9C&PID_0012";
const std::string kModemRoot = kModemParent + "\\5&1";

// `path` and below it widths[0] keys, each with widths[1] keys, and so on;
// "L2k07" is the eighth key of level 2, so a key's name tells where it stood.
std::string UniformTree(const std::string& path, const std::vector<int>& widths, int level = 1) {
  std::string reg = RegKey(path);
  for (int i = 0; !widths.empty() && i < widths[0]; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "\\L%dk%02d", level, i);
    reg += UniformTree(path + name, std::vector<int>(widths.begin() + 1, widths.end()), level + 1);
  }
  return reg;
}

// Records entries of section usb_root0 as enumeration does and captures
// the trees of its device 0 on `side`; by default tree 0 of the modem
// instance, as the modem removal captures it right before deleting it.
void CaptureDevice(EngineOverImage& m, int side = 0,
                   const std::vector<std::pair<std::string, std::string>>& entries = {
                       {"reg_enum", "VID_0E9C&PID_0012"}, {"usb_device0_reg_enum", "5&1"}}) {
  for (const auto& [key, value] : entries) m.Engine().WriteWorkText("usb_root0", key, value);
  EXPECT_EQ(m.Engine().CaptureDeviceTrees(0, 0, side), 0);
}

// Afterwards: no handle left open, and the access-error message and the
// close request `times` (0 or 1).
void ExpectAccessErrors(EngineOverImage& m, std::size_t times) {
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
  ASSERT_EQ(m.Sheet().messages.size(), times);
  EXPECT_EQ(m.Sheet().closeRequests, static_cast<int>(times));
  for (const auto& message : m.Sheet().messages)
    EXPECT_EQ(message.caption + ": " + message.text,
              "アクセス権エラー: 管理者権限でログオンする必要があります。\r\nアプリケーションを終了します。");
}

// The flag lives for the whole process; each case starts as a new run.
class KeyTreeTest : public ::testing::Test {};

TEST_F(KeyTreeTest, FourLevelsOfTenKeysGoCompletelyOnceEveryAccessListIsReplaced) {
  const std::string reg = UniformTree(kModemRoot, {10, 10, 10, 10}) + UniformTree(kModemParent + "\\5&2", {2});
  EngineOverImage m(Windows::kXp, reg, true, {kModemParent});
  ASSERT_EQ(m.KeysBelow(kModemRoot), 11111u);
  ASSERT_EQ(m.Engine().DeleteKeyTree(kModemRoot + "\\L1k03\\L2k04\\L3k05", "L4k06", 1), 0) << "protected";
  CaptureDevice(m);
  EXPECT_EQ(m.Engine().DeleteKeyTree(kModemParent, "5&1", 2), 1);
  EXPECT_FALSE(m.KeyExists(kModemRoot));
  EXPECT_EQ(m.KeysBelow(kModemParent), 4u) << "the other instance stays whole";
  EXPECT_EQ(m.Engine().DeleteKeyTree(kModemParent + "\\5&2", "L1k00", 1), 0) << "lists outside the tree stay";
  ExpectAccessErrors(m, 0);
}

TEST_F(KeyTreeTest, KeysTheTreeDoesNotHoldKeepTheKeyAndTheMessageComesOnce) {
  // keysLeft: the root's, itself included.
  const struct {
    const char* what;
    std::vector<int> widths;
    bool admin;
    std::size_t keysLeft;
  } rows[] = {
      {"twelve keys at level 1", {12}, true, 3},       {"twelve keys at level 2", {1, 12}, true, 4},
      {"twelve keys at level 3", {1, 1, 12}, true, 5}, {"twelve keys at level 4", {1, 1, 1, 12}, true, 6},
      {"a fifth level", {1, 1, 1, 1, 1}, true, 6},     {"a user who is no administrator", {2, 2}, false, 7},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EngineOverImage m(Windows::kXp, UniformTree(kModemRoot, row.widths), row.admin);
    CaptureDevice(m);
    EXPECT_EQ(m.Engine().DeleteKeyTree(kModemParent, "5&1", 2), 0);
    EXPECT_EQ(m.KeysBelow(kModemRoot), row.keysLeft);
    EXPECT_EQ(m.Engine().DeleteKeyTree(kModemParent, "NoSuchInstance", 2), 0) << "later failures stay silent";
    ExpectAccessErrors(m, 1);
  }
}

TEST_F(KeyTreeTest, DeletionWithoutATreeTakesOnlyANamedKeyAndNeverShowsTheMessage) {
  // A name whose last part is empty names the parent of what a record meant
  // to name: "" below a key is that key, and so is "Leaf\" below its
  // parent. Shift-JIS "\x83\x5C" is a katakana letter whose second byte is
  // that of a backslash. 9x takes a key's sub-tree with it; NT refuses a key
  // that has sub-keys, and only modes 1 and 2 delete.
  const std::string vendor = "SOFTWARE\\Vendor", leaf = vendor + "\\Leaf", kana = "tvk\x83\x5C";
  const struct {
    bool win98;
    int mode;
    std::string under, name;
    int result;
  } rows[] = {
      {true, 1, leaf, "", 0},        {false, 2, leaf, "", 0},        {true, 1, leaf, "\\", 0},
      {false, 2, leaf, "\\\\", 0},   {true, 1, vendor, "Leaf\\", 0}, {false, 2, vendor, "Leaf\\", 0},
      {true, 1, vendor, kana, 1},    {false, 2, vendor, kana, 1},    {true, 1, vendor, "Leaf", 1},
      {false, 1, vendor, "Leaf", 0}, {true, 0, vendor, kana, 0},     {false, 3, vendor, kana, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.win98 ? "98" : "XP") + " mode " + std::to_string(row.mode) + ": '" + row.name + "'");
    EngineOverImage m(row.win98 ? Windows::k98 : Windows::kXp, RegKey(leaf + "\\Sub") + RegKey(vendor + "\\" + kana));
    EXPECT_EQ(m.Engine().DeleteKeyTree(row.under, row.name, row.mode), row.result);
    const std::string gone = row.result ? row.under + "\\" + row.name : "";
    EXPECT_EQ(m.KeyExists(leaf), gone != leaf);
    EXPECT_EQ(m.KeyExists(vendor + "\\" + kana), gone != vendor + "\\" + kana);
    ExpectAccessErrors(m, 0);
  }
}

TEST_F(KeyTreeTest, TreeIsChosenByItsWholeRootIgnoringCase) {
  // Keys named like one recorded below the instance, below its parent and
  // below that key itself: the tree walked from the wrong key would delete
  // them.
  const std::string lookalikes[] = {kModemParent + "\\Control", kModemRoot + "\\Control\\Control"};
  const struct {
    std::string parent;
    const char* name;
    int result;
  } rows[] = {
      {"system\\currentcontrolset\\enum\\usb\\vid_0e9c&pid_0012", "5&1", 1},
      {"SYSTEM\\CurrentControlSet\\Enum\\USB", "VID_0E9C&PID_0012", 0},
      {kModemRoot, "Control", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.parent + " / " + row.name);
    EngineOverImage m(Windows::kXp, RegKey(lookalikes[0]) + RegKey(lookalikes[1]));
    CaptureDevice(m);
    EXPECT_EQ(m.Engine().DeleteKeyTree(row.parent, row.name, 2), row.result);
    EXPECT_TRUE(m.KeyExists(lookalikes[0]));
    EXPECT_EQ(m.KeyExists(lookalikes[1]), row.result == 0) << "it goes only with the instance";
    ExpectAccessErrors(m, 1 - row.result);
  }
}

// Shift-JIS "\x83\x41" and "\x83\x61" are two katakana letters whose second
// bytes are "A" and "a": no case to ignore there.
TEST_F(KeyTreeTest, ADoubleByteLetterOfTheRootIsComparedExactly) {
  EngineOverImage m(Windows::kXp,
                    RegKey(kModemParent + "\\5&\x83\x41\\Control") + RegKey(kModemParent + "\\5&\x83\x61\\Control"));
  CaptureDevice(m, 0, {{"reg_enum", "VID_0E9C&PID_0012"}, {"usb_device0_reg_enum", "5&\x83\x41"}});
  EXPECT_EQ(m.Engine().DeleteKeyTree(kModemParent, "5&\x83\x61", 2), 0);
  EXPECT_TRUE(m.KeyExists(kModemParent + "\\5&\x83\x61\\Control"));
  EXPECT_EQ(m.Engine().DeleteKeyTree(kModemParent, "5&\x83\x41", 2), 1);
  // A single-byte letter, Z too, compares without regard to case, also
  // after a letter ("\x83\x83") whose second byte could start one.
  EngineOverImage z(Windows::kXp, RegKey(kModemParent + "\\5&\x83\x83Z\\Control"));
  CaptureDevice(z, 0, {{"reg_enum", "VID_0E9C&PID_0012"}, {"usb_device0_reg_enum", "5&\x83\x83Z"}});
  EXPECT_EQ(z.Engine().DeleteKeyTree(kModemParent, "5&\x83\x83z", 2), 1);
}

// A root that a later capture cannot build (its recorded name is empty)
// walks no tree recorded for the device captured before.
TEST_F(KeyTreeTest, ARootLeftUnbuiltForgetsTheEarlierDevicesTree) {
  const std::string responses = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific";
  EngineOverImage m(Windows::kXp, RegKey(responses + "\\R\\Settings"));
  const std::vector<std::pair<std::string, std::string>> entries = {{"reg_enum", "V"}, {"usb_device0_reg_enum", "1"}};
  CaptureDevice(m, 0, {entries[0], entries[1], {"usb_device0_reg_rsp_name", "R"}});
  CaptureDevice(m, 0, {entries[0], entries[1], {"usb_device0_reg_rsp_name", ""}});
  EXPECT_EQ(m.Engine().DeleteKeyTree(responses, "R", 2), 0);
  EXPECT_TRUE(m.KeyExists(responses + "\\R\\Settings"));
}

TEST_F(KeyTreeTest, PathsTooLongForTheirBuffersAreNeitherBuiltNorWalked) {
  const std::string services = "SYSTEM\\CurrentControlSet\\Services\\";
  // A service name of 225 makes a root of 259 characters, the most a root
  // holds; one of 226 none, which would name another key cut short.
  for (const std::size_t length : {225u, 226u}) {
    EngineOverImage m(Windows::kXp, "");
    CaptureDevice(m, 1, {{"usb_device0_reg_service", std::string(length, 's')}});
    EXPECT_EQ(m.Engine().TreeRootForTest(11).size(), length == 225 ? 259u : 0u) << length;
  }
  // Root 234 characters, level 1 at 255, level 2 at 276: the level-3 key
  // cannot be named for deletion, so its ancestors and the root stay.
  const std::string deepest =
      services + std::string(200, 'S') + "\\" + std::string(20, 'A') + "\\" + std::string(20, 'B') + "\\C";
  EngineOverImage m(Windows::kXp, RegKey(deepest));
  CaptureDevice(m, 1, {{"usb_device0_reg_service", std::string(200, 'S')}});
  EXPECT_EQ(m.Engine().DeleteKeyTree(services.substr(0, services.size() - 1), std::string(200, 'S'), 2), 0);
  EXPECT_TRUE(m.KeyExists(deepest));
  ExpectAccessErrors(m, 1);
}

TEST_F(KeyTreeTest, CaptureRecordsFourLevelsEachMarkedWithItsSectionsNumber) {
  const std::string root = "SOFTWARE\\Vendor\\0011";
  EngineOverImage m(Windows::kXp, RegKey(root + "\\a\\a1\\a2\\a3\\a4") + RegKey(root + "\\b") +
                                      RegKey(root + "\\c\\c0") + RegKey(root + "\\c\\c1\\d0") +
                                      RegKey(root + "\\c\\c1\\d1\\e0"));
  EXPECT_EQ(m.Engine().CaptureKeyTree(7, root), 0);
  EXPECT_EQ(m.Engine().CaptureKeyTree(8, root + "\\Missing"), 0) << "a root that does not open records nothing";
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
  EXPECT_EQ(testing::ParseIniText(m.ReadC("WINDOWS\\tvk_temp.dat"), "key_bind"),
            testing::Sections("[key_bind7_0] index=1 key=a key_next0_index=1 key_next0_key=a1 key_next0_0_index=1 "
                              "key_next0_0_key=a2 key_next0_0_0_index=1 key_next0_0_0_key=a3 "
                              "[key_bind7_1] index=2 key=b "
                              "[key_bind7_2] index=3 key=c key_next0_index=3 key_next0_key=c0 key_next1_index=3 "
                              "key_next1_key=c1 key_next1_0_index=3 key_next1_0_key=d0 key_next1_1_index=3 "
                              "key_next1_1_key=d1 key_next1_1_0_index=3 key_next1_1_0_key=e0"));
}

// A Bindings key below `key` (the instance's for "") whose value names are
// `bound`; their data is never read.
std::string Bindings(const std::string& key, const std::vector<std::string>& bound) {
  std::string reg =
      RegKey(key.empty() ? "Enum\\USB\\VID_0E9C&PID_0013\\6&2\\Bindings" : "Enum\\Network\\" + key + "\\Bindings");
  for (const std::string& name : bound) reg += RegString(name, "");
  return reg;
}

// Captures the instance recorded as root 2, device 3, beside another
// device's record that must not be read, and returns the sections written.
testing::IniSections CaptureLan(const std::string& reg) {
  EngineOverImage m(Windows::k98, reg);
  m.Engine().WriteWorkText("usb_root2", "reg_enum", "VID_0E9C&PID_0013");
  m.Engine().WriteWorkText("usb_root2", "usb_device0_reg_enum", "Decoy");
  m.Engine().WriteWorkText("usb_root2", "usb_device3_reg_enum", "6&2");
  EXPECT_EQ(m.Engine().CaptureLanBindings(2, 3), 0);
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
  return testing::ParseIniText(m.ReadC("WINDOWS\\tvk_temp.dat"), "lan_bind");
}

TEST(LanBindings, ThreeLevelsWithTheSecondLevelsNumberAsThirdLevelMarker) {
  // Value names enumerate sorted. B has no key and D no Driver value, each
  // after a component with a driver, so nothing read for that may show
  // through. What is bound to X (third level) is not followed.
  const std::string reg =
      Bindings("", {"A\\0000", "B\\0000", "C\\0000", "D\\0000"}) + Bindings("A\\0000", {"V\\0000", "W\\0000"}) +
      Bindings("V\\0000", {"Y\\0000"}) + Bindings("W\\0000", {"X\\0000"}) + Bindings("X\\0000", {"Deeper\\0000"}) +
      RegKey("Enum\\Network\\A\\0000") + RegString("Driver", "NetTrans\\0000") + RegKey("Enum\\Network\\C\\0000") +
      RegString("Driver", "NetTrans\\0001") + RegKey("Enum\\Network\\D\\0000") + RegString("DeviceDesc", "no driver");
  EXPECT_EQ(
      CaptureLan(reg),
      testing::Sections("[lan_bind0] index=1 reg_enum=A\\0000 reg_driver=NetTrans\\0000 lan_bind0_p_bind0_index=1 "
                        "lan_bind0_p_bind0_reg_enum=V\\0000 lan_bind0_p_bind0_bind0_index=1 "
                        "lan_bind0_p_bind0_bind0_reg_enum=Y\\0000 lan_bind0_p_bind1_index=2 "
                        "lan_bind0_p_bind1_reg_enum=W\\0000 lan_bind0_p_bind1_bind0_index=2 "
                        "lan_bind0_p_bind1_bind0_reg_enum=X\\0000 "
                        "[lan_bind1] index=2 reg_enum=B\\0000 reg_driver= "
                        "[lan_bind2] index=3 reg_enum=C\\0000 reg_driver=NetTrans\\0001 "
                        "[lan_bind3] index=4 reg_enum=D\\0000 reg_driver="));
}

TEST(LanBindings, FortyBindingsAtEachLevelAreRecordedAsThirtyTwo) {
  // Forty at the first level; forty bound to the first of them, and forty
  // to the first of those.
  std::vector<std::string> forty[3];
  for (int n = 100; n < 140; ++n)
    for (int level = 0; level < 3; ++level)
      forty[level].push_back("L" + std::to_string(level) + "\\" + std::to_string(n));
  const testing::IniSections file =
      CaptureLan(Bindings("", forty[0]) + Bindings(forty[0][0], forty[1]) + Bindings(forty[1][0], forty[2]));
  EXPECT_EQ(file.size(), 32u);
  const auto& first = file.at("lan_bind0");
  EXPECT_EQ(file.at("lan_bind31").at("index") + " " + file.at("lan_bind31").at("reg_enum") + " " +
                first.at("lan_bind0_p_bind31_index") + " " + first.at("lan_bind0_p_bind31_reg_enum") + " " +
                first.at("lan_bind0_p_bind0_bind31_index") + " " + first.at("lan_bind0_p_bind0_bind31_reg_enum"),
            "32 " + forty[0][31] + " 32 " + forty[1][31] + " 1 " + forty[2][31]);
  EXPECT_FALSE(first.contains("lan_bind0_p_bind32_index") || first.contains("lan_bind0_p_bind0_bind32_index"));
}

}  // namespace
}  // namespace zr
