// Recording a device's registry key trees into the work file and deleting
// them deepest key first: what is recorded where, which tree a deletion
// walks, what it takes with it, what it must leave, and the one message.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/reg_edit.h"
#include "tests/support/engine_machine.h"
#include "tests/support/ini_text.h"
#include "tests/support/reg_text.h"

namespace zr {
namespace {

using testing::EngineMachine;
using testing::IniSections;
using testing::MachineSpec;
using testing::ParseIniText;
using testing::RegText;
using testing::SectionsStartingWith;

constexpr char kAccessErrorText[] = "管理者権限でログオンする必要があります。\r\nアプリケーションを終了します。";
constexpr char kAccessErrorCaption[] = "アクセス権エラー";

const std::string kEnumUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";
const std::string kClass = "SYSTEM\\CurrentControlSet\\Control\\Class";
const std::string kNetwork = "SYSTEM\\CurrentControlSet\\Control\\Network";
const std::string kDeviceClasses = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses";
const std::string kServices = "SYSTEM\\CurrentControlSet\\Services";
const std::string kDeviceSpecific = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific";
const std::string kModemInterface = "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}";
const std::string kNetInterface = "{ad498944-762f-11d0-8dcb-00c04fc3358c}";
const std::string kUsbInterface = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const std::string kModemClass = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
const std::string kNetClass = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

const std::string kModemHardware = "VID_0E9C&PID_0012";
const std::string kModemParent = kEnumUsb + "\\" + kModemHardware;
const std::string kModemInstance = "5&1";
const std::string kModemRoot = kModemParent + "\\" + kModemInstance;

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string path;
  for (std::string_view part : parts) {
    if (!path.empty()) path += '\\';
    path.append(part);
  }
  return path;
}

// "L2k07": the eighth key of level 2, so a key's name tells where it stood.
std::string LevelName(int level, int position) {
  char name[16];
  std::snprintf(name, sizeof name, "L%dk%02d", level, position);
  return name;
}

// `path` and below it widths[0] keys, each with widths[1] keys, and so on.
void AddUniformTree(RegText& reg, const std::string& path, std::span<const int> widths, int level = 1) {
  reg.Key(path);
  if (widths.empty()) return;
  for (int i = 0; i < widths[0]; ++i)
    AddUniformTree(reg, path + "\\" + LevelName(level, i), widths.subspan(1), level + 1);
}

std::size_t CountKeys(EngineMachine& m, const std::string& path) {
  auto key = m.Machine().Tree().Find(path);
  return key ? key->CountKeys() : 0;
}

// Writes entries of section usb_root<root> as enumeration records them.
void Record(EngineMachine& m, int root, const std::vector<std::pair<std::string, std::string>>& entries) {
  const std::string section = "usb_root" + std::to_string(root);
  for (const auto& [key, value] : entries) m.Engine().WriteWorkText(section, key, value);
  ASSERT_TRUE(m.Engine().WorkFile().Flush());
}

int Delete(EngineMachine& m, const std::string& parent, const std::string& name, int mode) {
  const int result = m.Engine().DeleteKeyTree(parent, name, mode);
  EXPECT_EQ(m.Machine().OpenHandles(), 0) << "after deleting " << parent << " / " << name;
  return result;
}

void CaptureTree(EngineMachine& m, int tree, const std::string& root) {
  EXPECT_EQ(m.Engine().CaptureKeyTree(tree, root), 0);
  EXPECT_EQ(m.Machine().OpenHandles(), 0) << "after capturing " << root;
}

void CaptureDevice(EngineMachine& m, int root, int device, int side) {
  EXPECT_EQ(m.Engine().CaptureDeviceTrees(root, device, side), 0);
  EXPECT_EQ(m.Machine().OpenHandles(), 0) << "after capturing the trees of side " << side;
}

// Tree 0 of the modem instance, captured as the modem removal captures it
// right before it deletes the instance key.
void CaptureModemInstance(EngineMachine& m) {
  Record(m, 0,
         {{"index", "1"},
          {"reg_enum", kModemHardware},
          {"usb_device0_index", "1"},
          {"usb_device0_reg_enum", kModemInstance}});
  CaptureDevice(m, 0, 0, 0);
}

void ExpectNoMessage(EngineMachine& m) {
  EXPECT_TRUE(m.Sheet().messages.empty());
  EXPECT_EQ(m.Sheet().closeRequests, 0);
}

void ExpectOneAccessError(EngineMachine& m) {
  ASSERT_EQ(m.Sheet().messages.size(), 1u);
  EXPECT_EQ(m.Sheet().messages[0].text, kAccessErrorText);
  EXPECT_EQ(m.Sheet().messages[0].caption, kAccessErrorCaption);
  EXPECT_EQ(m.Sheet().messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(m.Sheet().closeRequests, 1);
}

class KeyTreeTest : public ::testing::Test {
 protected:
  // The flag lives for the whole process; each case starts as a new run.
  void SetUp() override { g_bAccessErrorShown = false; }
};

// --- Deletion through a recorded tree ---------------------------------------

TEST_F(KeyTreeTest, FourLevelsOfTenKeysGoCompletelyOnceEveryAccessListIsReplaced) {
  RegText reg;
  AddUniformTree(reg, kModemRoot, std::array{10, 10, 10, 10});
  AddUniformTree(reg, kModemParent + "\\5&2", std::array{2, 2});
  MachineSpec spec;
  spec.reg = reg.Text();
  spec.protectedKeys = {kModemParent};
  EngineMachine m(spec);
  ASSERT_EQ(CountKeys(m, kModemRoot), 11111u);
  const std::string deepParent = Join({kModemRoot, "L1k03", "L2k04", "L3k05"});
  ASSERT_EQ(Delete(m, deepParent, "L4k06", 1), 0) << "the protection must refuse a plain deletion";

  CaptureModemInstance(m);
  EXPECT_EQ(Delete(m, kModemParent, kModemInstance, 2), 1);

  EXPECT_FALSE(m.KeyExists(kModemRoot));
  EXPECT_EQ(CountKeys(m, kModemParent), 1u + 7u) << "the other instance stays whole";
  EXPECT_EQ(Delete(m, Join({kModemParent, "5&2", "L1k00"}), "L2k00", 1), 0)
      << "lists outside the tree are left as they were";
  ExpectNoMessage(m);
  EXPECT_FALSE(g_bAccessErrorShown);
}

TEST_F(KeyTreeTest, KeysTheTreeDoesNotHoldKeepTheKeyAndTheMessageComesOnce) {
  struct Row {
    const char* what;
    std::vector<int> widths;
    std::vector<std::string> kept;  // below the root, besides the root itself
    std::vector<std::string> gone;
  };
  const std::string deep3 = Join({"L1k00", "L2k00", "L3k00"});
  const std::vector<Row> rows = {
      {"twelve keys at level 1", {12}, {"L1k10", "L1k11"}, {"L1k00", "L1k09"}},
      {"twelve keys at level 4", {1, 1, 1, 12}, {deep3 + "\\L4k10", deep3 + "\\L4k11"}, {deep3 + "\\L4k09"}},
      {"a fifth level", {1, 1, 1, 1, 1}, {deep3 + "\\L4k00\\L5k00"}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    g_bAccessErrorShown = false;
    RegText reg;
    AddUniformTree(reg, kModemRoot, row.widths);
    MachineSpec spec;
    spec.reg = reg.Text();
    EngineMachine m(spec);
    CaptureModemInstance(m);

    EXPECT_EQ(Delete(m, kModemParent, kModemInstance, 2), 0);
    EXPECT_TRUE(m.KeyExists(kModemRoot));
    for (const std::string& key : row.kept) EXPECT_TRUE(m.KeyExists(kModemRoot + "\\" + key)) << key;
    for (const std::string& key : row.gone) EXPECT_FALSE(m.KeyExists(kModemRoot + "\\" + key)) << key;
    ExpectOneAccessError(m);

    SCOPED_TRACE("later failures stay silent");
    EXPECT_EQ(Delete(m, kModemParent, kModemInstance, 2), 0);
    EXPECT_EQ(Delete(m, kModemParent, "NoSuchInstance", 2), 0);
    ExpectOneAccessError(m);
  }
}

TEST_F(KeyTreeTest, ProtectedKeyGoesOnlyWhenItsListIsReplacedFirst) {
  const std::string parent = "SOFTWARE\\Vendor";
  for (const int mode : {1, 2}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    MachineSpec spec;
    spec.reg = RegText().Key(parent + "\\Leaf").String("v", "1").Text();
    spec.protectedKeys = {parent};
    EngineMachine m(spec);
    EXPECT_EQ(Delete(m, parent, "Leaf", mode), mode == 2 ? 1 : 0);
    EXPECT_EQ(m.KeyExists(parent + "\\Leaf"), mode == 1);
    ExpectNoMessage(m);
  }
}

TEST_F(KeyTreeTest, UserWhoIsNoAdministratorIsRefusedWithTheMessage) {
  RegText reg;
  AddUniformTree(reg, kModemRoot, std::array{2, 2});
  MachineSpec spec;
  spec.reg = reg.Text();
  spec.admin = false;
  EngineMachine m(spec);
  CaptureModemInstance(m);

  EXPECT_EQ(Delete(m, kModemParent, kModemInstance, 2), 0);
  EXPECT_EQ(CountKeys(m, kModemRoot), 7u);
  ExpectOneAccessError(m);
}

TEST_F(KeyTreeTest, NameWithoutALastNameDeletesNothing) {
  // Deleting "" below a key deletes that key itself (on NT when it has no
  // sub-keys, on 9x with its sub-tree), and Leaf with a backslash after it
  // deletes Leaf: a name whose last part is empty names the parent of what
  // a record meant to name.
  const std::string vendor = "SOFTWARE\\Vendor";
  const std::string leaf = vendor + "\\Leaf";
  struct Row {
    bool win98;
    int mode;
    std::string under;
    std::string name;
  };
  const std::vector<Row> rows = {
      {true, 1, leaf, ""},         {true, 2, leaf, ""},          {true, 1, leaf, "\\"},
      {false, 1, leaf, ""},        {false, 2, leaf, ""},         {false, 2, leaf, "\\\\"},
      {true, 1, vendor, "Leaf\\"}, {false, 1, vendor, "Leaf\\"}, {false, 2, vendor, "Leaf\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.win98 ? "98" : "XP") + " mode " + std::to_string(row.mode) + ": " + row.under +
                 " / '" + row.name + "'");
    g_bAccessErrorShown = false;
    MachineSpec spec;
    spec.win98 = row.win98;
    spec.reg = RegText().Key(leaf).String("v", "1").Text();
    EngineMachine m(spec);
    EXPECT_EQ(Delete(m, row.under, row.name, row.mode), 0);
    EXPECT_TRUE(m.KeyExists(leaf));
    ExpectNoMessage(m);
    EXPECT_FALSE(g_bAccessErrorShown);
  }
}

TEST_F(KeyTreeTest, DoubleByteCharacterEndingInTheBackslashByteIsAName) {
  // Shift-JIS "\x83\x5C" is a katakana letter whose second byte is that of
  // a backslash.
  const std::string service = "tvk\x83\x5C";
  MachineSpec spec;
  spec.reg = RegText().Keys({Join({kServices, service, "Enum"}), Join({kServices, "Other"})}).Text();
  EngineMachine m(spec);
  Record(m, 0, {{"usb_device0_reg_service", service}});
  CaptureDevice(m, 0, 0, 1);
  EXPECT_EQ(m.Engine().m_aszTreeRoot[11].view(), Join({kServices, service}));

  EXPECT_EQ(Delete(m, kServices, service, 2), 1);
  EXPECT_FALSE(m.KeyExists(Join({kServices, service})));
  EXPECT_TRUE(m.KeyExists(Join({kServices, "Other"})));
  ExpectNoMessage(m);
}

TEST_F(KeyTreeTest, TreeIsChosenByItsWholeRootIgnoringCase) {
  // Keys directly below the hardware key named like those recorded below the
  // instance: a tree walked from the wrong key would delete them.
  const std::vector<std::string> lookalikes = {kModemParent + "\\Control", kModemParent + "\\Device Parameters"};
  RegText reg;
  reg.Keys({kModemRoot + "\\Control", kModemRoot + "\\Device Parameters"});
  for (const std::string& key : lookalikes) reg.Key(key);
  MachineSpec spec;
  spec.reg = reg.Text();

  {
    SCOPED_TRACE("the recorded root's parent");
    EngineMachine m(spec);
    CaptureModemInstance(m);
    EXPECT_EQ(Delete(m, kEnumUsb, kModemHardware, 2), 0);
    for (const std::string& key : lookalikes) EXPECT_TRUE(m.KeyExists(key)) << key;
    EXPECT_TRUE(m.KeyExists(kModemRoot + "\\Control"));
    ExpectOneAccessError(m);
  }
  {
    SCOPED_TRACE("the recorded root in other letter case");
    g_bAccessErrorShown = false;
    EngineMachine m(spec);
    CaptureModemInstance(m);
    EXPECT_EQ(Delete(m, "system\\currentcontrolset\\enum\\usb\\vid_0e9c&pid_0012", kModemInstance, 2), 1);
    EXPECT_FALSE(m.KeyExists(kModemRoot));
    for (const std::string& key : lookalikes) EXPECT_TRUE(m.KeyExists(key)) << key;
    ExpectNoMessage(m);
  }
}

TEST_F(KeyTreeTest, PlainDeletionIsOneKeyDeletionWithoutMessage) {
  const std::string parent = "SOFTWARE\\Vendor";
  struct Row {
    const char* what;
    bool win98;
    std::string under;
    std::string name;
    int result;
    std::size_t keysLeft;  // below and with `parent`
  };
  const std::vector<Row> rows = {
      {"9x takes the sub-tree", true, parent, "Tree", 1, 1},
      {"NT refuses a key with sub-keys", false, parent, "Tree", 0, 8},
      {"NT deletes a key without", false, parent + "\\Tree\\L1k01", "L2k00", 1, 7},
      {"a missing key", false, parent, "NoSuchKey", 0, 8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RegText reg;
    AddUniformTree(reg, parent + "\\Tree", std::array{2, 2});
    MachineSpec spec;
    spec.win98 = row.win98;
    spec.reg = reg.Text();
    EngineMachine m(spec);

    EXPECT_EQ(Delete(m, row.under, row.name, 1), row.result);
    EXPECT_EQ(CountKeys(m, parent), row.keysLeft);
    ExpectNoMessage(m);
    EXPECT_FALSE(g_bAccessErrorShown);
  }
}

TEST_F(KeyTreeTest, OtherModesDoNothing) {
  for (const bool win98 : {true, false}) {
    for (const int mode : {0, 3, -1}) {
      SCOPED_TRACE(std::string(win98 ? "98" : "XP") + " mode " + std::to_string(mode));
      RegText reg;
      AddUniformTree(reg, kModemRoot, std::array{1});
      MachineSpec spec;
      spec.win98 = win98;
      spec.reg = reg.Text();
      EngineMachine m(spec);
      CaptureModemInstance(m);
      const std::string fileBefore = m.WorkFileText();

      EXPECT_EQ(Delete(m, kModemRoot, "L1k00", mode), 0);
      EXPECT_EQ(Delete(m, kModemParent, kModemInstance, mode), 0);
      EXPECT_EQ(CountKeys(m, kModemRoot), 2u);
      EXPECT_EQ(m.WorkFileText(), fileBefore);
      ExpectNoMessage(m);
      EXPECT_FALSE(g_bAccessErrorShown);
    }
  }
}

TEST_F(KeyTreeTest, RecordedPathsTooLongForTheirBuffersArePassedOver) {
  // Root 234 characters, level 1 at 255, level 2 at 276: the level-3 key
  // cannot be named for deletion, so its ancestors and the root stay.
  const std::string service(200, 'S');
  const std::string level1(20, 'A');
  const std::string level2(20, 'B');
  const std::string deepest = Join({kServices, service, level1, level2, "C"});
  MachineSpec spec;
  spec.reg = RegText().Key(deepest).Text();
  EngineMachine m(spec);
  Record(m, 0, {{"usb_device0_reg_service", service}});
  CaptureDevice(m, 0, 0, 1);
  ASSERT_EQ(m.Engine().m_aszTreeRoot[11], kServices + "\\" + service);

  EXPECT_EQ(Delete(m, kServices, service, 2), 0);
  EXPECT_TRUE(m.KeyExists(deepest));
  ExpectOneAccessError(m);
}

// --- What a capture records -------------------------------------------------

using Keys = std::map<std::string, std::string>;

TEST_F(KeyTreeTest, CaptureRecordsFourLevelsEachMarkedWithItsSectionsNumber) {
  const std::string root = Join({kClass, kNetClass, "0011"});
  RegText reg;
  reg.Keys({root + "\\a\\a1\\a2\\a3\\a4", root + "\\b"});
  for (int x = 0; x < 5; ++x) reg.Key(root + "\\c\\c" + std::to_string(x));
  reg.Keys({root + "\\c\\c4\\d0", root + "\\c\\c4\\d1\\e0", root + "\\c\\c4\\d1\\e1", root + "\\c\\c4\\d1\\e2"});
  MachineSpec spec;
  spec.reg = reg.Text();
  EngineMachine m(spec);

  CaptureTree(m, 7, root);

  Keys third = {{"index", "3"}, {"key", "c"}};
  for (int x = 0; x < 5; ++x) {
    third["key_next" + std::to_string(x) + "_index"] = "3";
    third["key_next" + std::to_string(x) + "_key"] = "c" + std::to_string(x);
  }
  third.insert({{"key_next4_0_index", "3"},
                {"key_next4_0_key", "d0"},
                {"key_next4_1_index", "3"},
                {"key_next4_1_key", "d1"},
                {"key_next4_1_0_index", "3"},
                {"key_next4_1_0_key", "e0"},
                {"key_next4_1_1_index", "3"},
                {"key_next4_1_1_key", "e1"},
                {"key_next4_1_2_index", "3"},
                {"key_next4_1_2_key", "e2"}});
  const IniSections expected = {
      {"key_bind7_0",
       {{"index", "1"},
        {"key", "a"},
        {"key_next0_index", "1"},
        {"key_next0_key", "a1"},
        {"key_next0_0_index", "1"},
        {"key_next0_0_key", "a2"},
        {"key_next0_0_0_index", "1"},
        {"key_next0_0_0_key", "a3"}}},
      {"key_bind7_1", {{"index", "2"}, {"key", "b"}}},
      {"key_bind7_2", third},
  };
  EXPECT_EQ(SectionsStartingWith(ParseIniText(m.WorkFileText()), "key_bind"), expected);
  for (const auto& [section, keys] : expected) {
    for (const auto& [key, value] : keys)
      EXPECT_EQ(m.Engine().WorkFile().GetString(section, key, "", 260), value) << section << " " << key;
  }
  EXPECT_EQ(m.Engine().ReadWorkInt("key_bind7_2", "key_next4_index"), 3);
}

TEST_F(KeyTreeTest, ShorterCaptureLeavesTheEarlierTailWhichNamesNothingLive) {
  const std::string parent = "SOFTWARE\\Vendor";
  const std::string first = parent + "\\First";
  const std::string second = parent + "\\Second";
  MachineSpec spec;
  spec.reg =
      RegText().Keys({first + "\\a\\a1", first + "\\a\\a2", first + "\\b", first + "\\c", second + "\\a\\z1"}).Text();
  EngineMachine m(spec);

  CaptureTree(m, 7, first);
  m.Engine().m_aszTreeRoot[7] = second;
  CaptureTree(m, 7, second);
  const IniSections expected = {
      {"key_bind7_0",
       {{"index", "1"},
        {"key", "a"},
        {"key_next0_index", "1"},
        {"key_next0_key", "z1"},
        {"key_next1_index", "1"},
        {"key_next1_key", "a2"}}},
      {"key_bind7_1", {{"index", "2"}, {"key", "b"}}},
      {"key_bind7_2", {{"index", "3"}, {"key", "c"}}},
  };
  EXPECT_EQ(SectionsStartingWith(ParseIniText(m.WorkFileText()), "key_bind"), expected);

  {
    SCOPED_TRACE("a root that does not open records nothing");
    const std::string fileBefore = m.WorkFileText();
    CaptureTree(m, 7, parent + "\\Missing");
    EXPECT_EQ(m.WorkFileText(), fileBefore);
  }

  EXPECT_EQ(Delete(m, parent, "Second", 2), 1);
  EXPECT_FALSE(m.KeyExists(second));
  EXPECT_EQ(CountKeys(m, first), 6u);
  ExpectNoMessage(m);
}

// --- The device's tree roots --------------------------------------------------

TEST_F(KeyTreeTest, DeviceTreeRootsForEachSide) {
  const std::string stale = "SOFTWARE\\Stale";
  struct Row {
    int side;
    int root;
    int device;
    std::string hardware;
    std::vector<std::pair<std::string, std::string>> fields;  // "usb_device%d_" left off
    std::array<std::string, 12> roots;                        // `stale`: left as it was
  };
  const std::string modemSym = "USB#Vid_0e9c&Pid_0012#5&1#" + kUsbInterface;
  const std::string lanSym = "USB#Vid_0e9c&Pid_0013#6&2#" + kUsbInterface;
  const std::vector<Row> rows = {
      {0,
       3,
       2,
       kModemHardware,
       {{"reg_enum", "5&1"},
        {"reg_driver", kModemClass + "\\0003"},
        {"reg_rsp_name", "tolvek_ZR"},
        {"reg_sym_name", "\\??\\" + modemSym}},
       {Join({kEnumUsb, kModemHardware, "5&1"}), Join({kClass, kModemClass, "0003"}),
        Join({kDeviceSpecific, "tolvek_ZR"}), Join({kDeviceClasses, kUsbInterface, "##?#" + modemSym}),
        Join({kDeviceClasses, kModemInterface, "##?#USB#Vid_0e9c&Pid_0012#5&1#" + kModemInterface}), stale, stale,
        stale, stale, stale, stale, stale}},
      {1,
       1,
       4,
       "VID_0E9C&PID_0013",
       {{"reg_enum", "6&2"},
        {"reg_driver", kNetClass + "\\0011"},
        {"reg_guid", kNetClass},
        {"reg_net_conf", "{11111111-2222-3333-4444-555555555555}"},
        {"reg_sym_name", "\\??\\" + lanSym},
        {"reg_service", "tvkndis"}},
       {stale, stale, stale, stale, stale, stale, Join({kEnumUsb, "VID_0E9C&PID_0013", "6&2"}),
        Join({kClass, kNetClass, "0011"}), Join({kNetwork, kNetClass, "{11111111-2222-3333-4444-555555555555}"}),
        Join({kDeviceClasses, kUsbInterface, "##?#" + lanSym}),
        Join({kDeviceClasses, kNetInterface, "##?#USB#Vid_0e9c&Pid_0013#6&2#" + kNetInterface}),
        Join({kServices, "tvkndis"})}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("side " + std::to_string(row.side));
    // Every root exists with a sub-key named after its number, so each
    // tree's sections show which root was captured under which number.
    RegText reg;
    for (int t = 0; t < 12; ++t)
      if (row.roots[t] != stale) reg.Key(row.roots[t] + "\\Sub" + std::to_string(t));
    MachineSpec spec;
    spec.reg = reg.Text();
    EngineMachine m(spec);
    // The same records of another device and of another root: none may be read.
    const std::string device = "usb_device" + std::to_string(row.device) + "_";
    std::vector<std::pair<std::string, std::string>> own = {{"reg_enum", row.hardware}};
    std::vector<std::pair<std::string, std::string>> other = {{"reg_enum", "DECOY"}};
    for (const auto& [field, value] : row.fields) {
      own.emplace_back(device + field, value);
      own.emplace_back("usb_device0_" + field, "Decoy");
      other.emplace_back(device + field, "Decoy");
    }
    Record(m, row.root, own);
    Record(m, 0, other);
    for (auto& root : m.Engine().m_aszTreeRoot) root = stale;

    CaptureDevice(m, row.root, row.device, row.side);

    const IniSections file = ParseIniText(m.WorkFileText());
    for (int t = 0; t < 12; ++t) {
      SCOPED_TRACE("root " + std::to_string(t));
      EXPECT_EQ(m.Engine().m_aszTreeRoot[t].view(), row.roots[t]);
      const std::string section = "key_bind" + std::to_string(t) + "_0";
      if (row.roots[t] == stale) {
        EXPECT_FALSE(file.contains(section));
      } else if (file.contains(section)) {
        EXPECT_EQ(file.at(section).at("key"), "Sub" + std::to_string(t));
      } else {
        ADD_FAILURE() << "no section " << section;
      }
    }

    SCOPED_TRACE("any other side does nothing");
    const std::string fileBefore = m.WorkFileText();
    for (auto& root : m.Engine().m_aszTreeRoot) root = stale;
    for (const int side : {2, -1}) CaptureDevice(m, row.root, row.device, side);
    for (int t = 0; t < 12; ++t) EXPECT_EQ(m.Engine().m_aszTreeRoot[t].view(), stale);
    EXPECT_EQ(m.WorkFileText(), fileBefore);
  }
}

TEST_F(KeyTreeTest, SymbolicNameSplitAndTheInterfaceRoots) {
  const std::string modemKey = Join({kDeviceClasses, kModemInterface});
  struct Row {
    std::string recorded;
    std::string name;
    std::string prefix;
    std::string guid;
    std::string root3;  // "": not built
    std::string root4;
  };
  const std::vector<Row> rows = {
      {"\\??\\USB#Vid_0e9c&Pid_0012#5&1#" + kModemInterface, "USB#Vid_0e9c&Pid_0012#5&1#" + kModemInterface,
       "USB#Vid_0e9c&Pid_0012#5&1#", kModemInterface, modemKey + "\\##?#USB#Vid_0e9c&Pid_0012#5&1#" + kModemInterface,
       modemKey + "\\##?#USB#Vid_0e9c&Pid_0012#5&1#" + kModemInterface},
      {"\\??\\USB#Vid_0e9c&Pid_0012#5&1", "USB#Vid_0e9c&Pid_0012#5&1", "USB#Vid_0e9c&Pid_0012#5&1", "", "",
       modemKey + "\\##?#USB#Vid_0e9c&Pid_0012#5&1" + kModemInterface},
      {"\\??\\A{b}{c}", "A{b}{c}", "A", "{b}{c}", Join({kDeviceClasses, "{b}{c}", "##?#A{b}{c}"}),
       modemKey + "\\##?#A" + kModemInterface},
      {"\\??\\{b}", "{b}", "", "{b}", Join({kDeviceClasses, "{b}", "##?#{b}"}), ""},
      {"\\??\\X", "X", "X", "", "", modemKey + "\\##?#X" + kModemInterface},
      {"\\??\\", "", "", "", "", ""},
      {"", "", "", "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("'" + row.recorded + "'");
    EngineMachine m(MachineSpec{});
    Record(m, 0, {{"usb_device0_reg_sym_name", row.recorded}});
    m.Engine().m_aszTreeRoot[3] = "SOFTWARE\\Stale";
    m.Engine().m_aszTreeRoot[4] = "SOFTWARE\\Stale";

    CaptureDevice(m, 0, 0, 0);

    EXPECT_EQ(m.Engine().m_szSymName.view(), row.name);
    EXPECT_EQ(m.Engine().m_szSymPrefix.view(), row.prefix);
    EXPECT_EQ(m.Engine().m_szSymGuid.view(), row.guid);
    EXPECT_EQ(m.Engine().m_aszTreeRoot[3].view(), row.root3);
    EXPECT_EQ(m.Engine().m_aszTreeRoot[4].view(), row.root4);
  }
}

TEST_F(KeyTreeTest, RootLongerThanItsBufferIsNeitherBuiltNorCaptured) {
  // "SYSTEM\CurrentControlSet\Services\" is 34 characters: a service name of
  // 225 makes a root of 259, the most a root holds.
  for (const std::size_t length : {std::size_t{225}, std::size_t{226}}) {
    SCOPED_TRACE("service name of " + std::to_string(length));
    const std::string service(length, 's');
    MachineSpec spec;
    spec.reg = RegText().Key(Join({kServices, service, "Sub"})).Text();
    EngineMachine m(spec);
    Record(m, 0, {{"usb_device0_reg_service", service}});
    m.Engine().m_aszTreeRoot[11] = "SOFTWARE\\Stale";

    CaptureDevice(m, 0, 0, 1);

    const bool fits = length == 225;
    EXPECT_EQ(m.Engine().m_aszTreeRoot[11].view(), fits ? Join({kServices, service}) : "");
    EXPECT_EQ(ParseIniText(m.WorkFileText()).contains("key_bind11_0"), fits);
  }
}

// The device keys that the removals name, and keys of other devices beside them.
struct DeviceKeys {
  std::string record;  // where the key's last name comes from
  std::string path;
};

const std::vector<DeviceKeys>& ModemKeys() {
  static const std::vector<DeviceKeys> keys = {
      {"usb_device0_reg_enum", Join({kEnumUsb, kModemHardware, "5&1"})},
      {"usb_device0_reg_driver", Join({kClass, kModemClass, "0003"})},
      {"usb_device0_reg_rsp_name", Join({kDeviceSpecific, "tolvek_ZR"})},
      {"usb_device0_reg_sym_name",
       Join({kDeviceClasses, kUsbInterface, "##?#USB#Vid_0e9c&Pid_0012#5&1#" + kUsbInterface})},
      {"usb_device0_reg_sym_name",
       Join({kDeviceClasses, kModemInterface, "##?#USB#Vid_0e9c&Pid_0012#5&1#" + kModemInterface})},
  };
  return keys;
}

const std::vector<DeviceKeys>& LanKeys() {
  static const std::vector<DeviceKeys> keys = {
      {"usb_device0_reg_enum", Join({kEnumUsb, "VID_0E9C&PID_0013", "6&2"})},
      {"usb_device0_reg_driver", Join({kClass, kNetClass, "0011"})},
      {"usb_device0_reg_net_conf", Join({kNetwork, kNetClass, "{11111111-2222-3333-4444-555555555555}"})},
      {"usb_device0_reg_sym_name",
       Join({kDeviceClasses, kUsbInterface, "##?#USB#Vid_0e9c&Pid_0013#6&2#" + kUsbInterface})},
      {"usb_device0_reg_sym_name",
       Join({kDeviceClasses, kNetInterface, "##?#USB#Vid_0e9c&Pid_0013#6&2#" + kNetInterface})},
      {"usb_device0_reg_service", Join({kServices, "tvkndis"})},
  };
  return keys;
}

const std::vector<std::string>& OtherDevicesKeys() {
  static const std::vector<std::string> keys = {
      Join({kEnumUsb, kModemHardware, "5&9", "Device Parameters"}),
      Join({kEnumUsb, "VID_0E9C&PID_0013", "6&3", "Device Parameters"}),
      Join({kClass, kModemClass, "0000", "Settings"}),
      Join({kClass, kNetClass, "0000", "Ndi"}),
      Join({kDeviceSpecific, "OtherModem", "Responses"}),
      Join({kNetwork, kNetClass, "{22222222-2222-3333-4444-555555555555}", "Connection"}),
      Join({kDeviceClasses, kModemInterface, "##?#OTHER#1#" + kModemInterface, "#"}),
      Join({kServices, "Tcpip", "Parameters", "Interfaces"}),
      Join({kServices, "Modem"}),
  };
  return keys;
}

// The mode-2 deletions of the Windows 2000/XP removals, in their order, with
// parents and names built from the records as the removals build them.
void DeleteDeviceTreesAsRemovalDoes(EngineMachine& m, int side) {
  CRegEdit& engine = m.Engine();
  auto recorded = [&](const char* key) { return std::string(engine.ReadWorkText("usb_root0", key).view()); };
  const std::string symName(engine.m_szSymName.view());
  const std::string prefix(engine.m_szSymPrefix.view());
  const std::string guid(engine.m_szSymGuid.view());
  const std::string& interface = side == 0 ? kModemInterface : kNetInterface;
  Delete(m, kEnumUsb + "\\" + recorded("reg_enum"), recorded("usb_device0_reg_enum"), 2);
  Delete(m, kClass, recorded("usb_device0_reg_driver"), 2);
  if (side == 1) Delete(m, kNetwork + "\\" + recorded("usb_device0_reg_guid"), recorded("usb_device0_reg_net_conf"), 2);
  Delete(m, kDeviceClasses + "\\" + guid, "##?#" + symName, 2);
  Delete(m, kDeviceClasses + "\\" + interface, "##?#" + prefix + interface, 2);
  if (side == 0)
    Delete(m, kDeviceSpecific, recorded("usb_device0_reg_rsp_name"), 2);
  else
    Delete(m, kServices, recorded("usb_device0_reg_service"), 2);
}

TEST_F(KeyTreeTest, RecordWithoutALastNameNeverCapturesOrDeletesTheParentKey) {
  RegText reg;
  for (const auto* keys : {&ModemKeys(), &LanKeys()})
    for (const DeviceKeys& key : *keys) reg.Key(key.path + "\\Sub");
  for (const std::string& key : OtherDevicesKeys()) reg.Key(key);
  MachineSpec spec;
  spec.reg = reg.Text();

  struct Row {
    int side;
    std::string blank;  // the record whose last name is left empty
    int tree;
    std::string value = "";
  };
  const std::vector<Row> rows = {
      {0, "usb_device0_reg_enum", 0},           {0, "usb_device0_reg_driver", 1},
      {0, "usb_device0_reg_rsp_name", 2},       {1, "usb_device0_reg_enum", 6},
      {1, "usb_device0_reg_driver", 7},         {1, "usb_device0_reg_net_conf", 8},
      {1, "usb_device0_reg_service", 11},       {0, "usb_device0_reg_driver", 1, kModemClass + "\\"},
      {1, "usb_device0_reg_service", 11, "\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.blank + " '" + row.value + "', side " + std::to_string(row.side));
    g_bAccessErrorShown = false;
    EngineMachine m(spec);
    std::vector<std::pair<std::string, std::string>> record;
    if (row.side == 0) {
      record = {{"reg_enum", kModemHardware},
                {"usb_device0_reg_enum", "5&1"},
                {"usb_device0_reg_driver", kModemClass + "\\0003"},
                {"usb_device0_reg_rsp_name", "tolvek_ZR"},
                {"usb_device0_reg_sym_name", "\\??\\USB#Vid_0e9c&Pid_0012#5&1#" + kUsbInterface}};
    } else {
      record = {{"reg_enum", "VID_0E9C&PID_0013"},
                {"usb_device0_reg_enum", "6&2"},
                {"usb_device0_reg_driver", kNetClass + "\\0011"},
                {"usb_device0_reg_guid", kNetClass},
                {"usb_device0_reg_net_conf", "{11111111-2222-3333-4444-555555555555}"},
                {"usb_device0_reg_sym_name", "\\??\\USB#Vid_0e9c&Pid_0013#6&2#" + kUsbInterface},
                {"usb_device0_reg_service", "tvkndis"}};
    }
    for (auto& [key, value] : record)
      if (key == row.blank) value = row.value;
    Record(m, 0, record);

    CaptureDevice(m, 0, 0, row.side);
    EXPECT_TRUE(m.Engine().m_aszTreeRoot[row.tree].empty());
    EXPECT_EQ(m.WorkFileText().find("[key_bind" + std::to_string(row.tree) + "_"), std::string::npos);
    DeleteDeviceTreesAsRemovalDoes(m, row.side);

    for (const std::string& key : OtherDevicesKeys()) EXPECT_TRUE(m.KeyExists(key)) << key;
    for (const DeviceKeys& key : row.side == 0 ? ModemKeys() : LanKeys())
      EXPECT_EQ(m.KeyExists(key.path), key.record == row.blank) << key.path;
    ExpectNoMessage(m);
  }
}

}  // namespace
}  // namespace zr
