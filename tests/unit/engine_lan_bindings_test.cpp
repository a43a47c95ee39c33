// Recording the network components bound to a USB-LAN instance on 9x: three
// levels of Bindings keys, the driver key of each first-level component, the
// bound of 32 per level, and what is written when keys are missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
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

const std::string kHardware = "VID_0E9C&PID_0013";
const std::string kInstanceBindings = "Enum\\USB\\" + kHardware + "\\6&2\\Bindings";

std::string Bindings(const std::string& component) { return "Enum\\Network\\" + component + "\\Bindings"; }

// A Bindings key whose value names are `bound` (their data is never read).
void AddBindings(RegText& reg, const std::string& key, const std::vector<std::string>& bound) {
  reg.Key(key);
  for (const std::string& name : bound) reg.String(name, "");
}

std::vector<std::string> Numbered(const char* format, int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, format, i);
    names.push_back(name);
  }
  return names;
}

// Records the instance as root 2, device 3, with another device's records
// beside it that must not be read.
std::unique_ptr<EngineMachine> MachineWithInstance(const RegText& reg) {
  MachineSpec spec;
  spec.win98 = true;
  spec.reg = reg.Text();
  auto m = std::make_unique<EngineMachine>(spec);
  CRegEdit& engine = m->Engine();
  engine.WriteWorkText("usb_root2", "index", "3");
  engine.WriteWorkText("usb_root2", "reg_enum", kHardware);
  engine.WriteWorkText("usb_root2", "usb_device0_reg_enum", "Decoy");
  engine.WriteWorkText("usb_root2", "usb_device3_reg_enum", "6&2");
  engine.WorkFile().Flush();
  return m;
}

void Capture(EngineMachine& m) {
  EXPECT_EQ(m.Engine().CaptureLanBindings(2, 3), 0);
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
}

IniSections LanSections(EngineMachine& m) { return SectionsStartingWith(ParseIniText(m.WorkFileText()), "lan_bind"); }

TEST(LanBindings, ThreeLevelsWithTheSecondLevelsNumberAsThirdLevelMarker) {
  RegText reg;
  AddBindings(reg, kInstanceBindings, {"MSTCP\\0000", "NETBEUI\\0000"});
  reg.Key("Enum\\Network\\MSTCP\\0000").String("Driver", "NetTrans\\0000");
  AddBindings(reg, Bindings("MSTCP\\0000"), {"NWREDIR\\0000", "VREDIR\\0000", "VSERVER\\0000"});
  reg.Key("Enum\\Network\\NWREDIR\\0000");
  reg.Key("Enum\\Network\\VREDIR\\0000").String("Driver", "NetClient\\0000");
  AddBindings(reg, Bindings("VREDIR\\0000"), {"Y0\\0000", "Y1\\0000"});
  AddBindings(reg, Bindings("VSERVER\\0000"), Numbered("X%d\\0000", 6));
  // Third-level components: their own bindings are not followed.
  AddBindings(reg, Bindings("X0\\0000"), {"Deeper\\0000"});
  reg.Key("Enum\\Network\\NETBEUI\\0000").String("Driver", "NetTrans\\0001");
  auto m = MachineWithInstance(reg);

  Capture(*m);

  IniSections expected = {
      {"lan_bind0",
       {{"index", "1"},
        {"reg_enum", "MSTCP\\0000"},
        {"reg_driver", "NetTrans\\0000"},
        {"lan_bind0_p_bind0_index", "1"},
        {"lan_bind0_p_bind0_reg_enum", "NWREDIR\\0000"},
        {"lan_bind0_p_bind1_index", "2"},
        {"lan_bind0_p_bind1_reg_enum", "VREDIR\\0000"},
        {"lan_bind0_p_bind1_bind0_index", "2"},
        {"lan_bind0_p_bind1_bind0_reg_enum", "Y0\\0000"},
        {"lan_bind0_p_bind1_bind1_index", "2"},
        {"lan_bind0_p_bind1_bind1_reg_enum", "Y1\\0000"},
        {"lan_bind0_p_bind2_index", "3"},
        {"lan_bind0_p_bind2_reg_enum", "VSERVER\\0000"}}},
      {"lan_bind1", {{"index", "2"}, {"reg_enum", "NETBEUI\\0000"}, {"reg_driver", "NetTrans\\0001"}}},
  };
  for (int q = 0; q < 6; ++q) {
    const std::string key = "lan_bind0_p_bind2_bind" + std::to_string(q);
    expected["lan_bind0"][key + "_index"] = "3";
    expected["lan_bind0"][key + "_reg_enum"] = "X" + std::to_string(q) + "\\0000";
  }
  EXPECT_EQ(LanSections(*m), expected);
  EXPECT_EQ(m->Engine().ReadWorkInt("lan_bind0", "lan_bind0_p_bind2_bind5_index"), 3);
  EXPECT_EQ(m->Engine().ReadWorkText("lan_bind0", "lan_bind0_p_bind1_bind1_reg_enum"), "Y1\\0000");
}

TEST(LanBindings, FortyBindingsAtAnyLevelAreRecordedAsThirtyTwo) {
  using Place = std::pair<std::string, std::string>;  // section, key
  struct Row {
    const char* level;
    std::vector<std::string> chain;   // the components leading to the forty
    std::function<Place(int)> index;  // where entry n's marker and name stand
    std::function<Place(int)> name;
    std::function<std::string(int)> marker;
  };
  const auto second = [](int n, const char* what) {
    return Place{"lan_bind0", "lan_bind0_p_bind" + std::to_string(n) + what};
  };
  const auto third = [](int n, const char* what) {
    return Place{"lan_bind0", "lan_bind0_p_bind0_bind" + std::to_string(n) + what};
  };
  const std::vector<Row> rows = {
      {"first",
       {},
       [](int n) {
         return Place{"lan_bind" + std::to_string(n), "index"};
       },
       [](int n) {
         return Place{"lan_bind" + std::to_string(n), "reg_enum"};
       },
       [](int n) { return std::to_string(n + 1); }},
      {"second",
       {"MSTCP\\0000"},
       [&](int n) { return second(n, "_index"); },
       [&](int n) { return second(n, "_reg_enum"); },
       [](int n) { return std::to_string(n + 1); }},
      {"third",
       {"MSTCP\\0000", "VSERVER\\0000"},
       [&](int n) { return third(n, "_index"); },
       [&](int n) { return third(n, "_reg_enum"); },
       [](int) { return std::string("1"); }},
  };
  const std::vector<std::string> forty = Numbered("C%02d\\0000", 40);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.level) + " level");
    RegText reg;
    std::string key = kInstanceBindings;
    for (const std::string& component : row.chain) {
      AddBindings(reg, key, {component});
      key = Bindings(component);
    }
    AddBindings(reg, key, forty);
    auto m = MachineWithInstance(reg);

    Capture(*m);

    const IniSections file = LanSections(*m);
    auto stored = [&](const Place& place) {
      const auto section = file.find(place.first);
      if (section == file.end()) return std::string("<none>");
      const auto value = section->second.find(place.second);
      return value == section->second.end() ? std::string("<none>") : value->second;
    };
    for (int n = 0; n <= 32; ++n) {
      SCOPED_TRACE("entry " + std::to_string(n));
      EXPECT_EQ(stored(row.index(n)), n < 32 ? row.marker(n) : "<none>");
      EXPECT_EQ(stored(row.name(n)), n < 32 ? forty[n] : "<none>");
    }
  }
}

TEST(LanBindings, DriverIsEmptyForAComponentWithoutDriverValueOrKey) {
  // Each component without a driver follows one with a driver, so nothing
  // read for an earlier component may show through.
  RegText reg;
  AddBindings(reg, kInstanceBindings, {"A\\0000", "B\\0000", "C\\0000", "D\\0000", "E\\0000"});
  reg.Key("Enum\\Network\\A\\0000").String("Driver", "NetTrans\\0000");
  AddBindings(reg, Bindings("A\\0000"), {"P\\0000"});
  // B has no key at all.
  reg.Key("Enum\\Network\\C\\0000").String("Driver", "NetTrans\\0001");
  reg.Key("Enum\\Network\\D\\0000").String("DeviceDesc", "no driver");
  AddBindings(reg, Bindings("D\\0000"), {"Q\\0000"});
  reg.Key("Enum\\Network\\E\\0000").String("Driver", std::string(300, 'd'));
  auto m = MachineWithInstance(reg);

  Capture(*m);

  const IniSections expected = {
      {"lan_bind0",
       {{"index", "1"},
        {"reg_enum", "A\\0000"},
        {"reg_driver", "NetTrans\\0000"},
        {"lan_bind0_p_bind0_index", "1"},
        {"lan_bind0_p_bind0_reg_enum", "P\\0000"}}},
      {"lan_bind1", {{"index", "2"}, {"reg_enum", "B\\0000"}, {"reg_driver", ""}}},
      {"lan_bind2", {{"index", "3"}, {"reg_enum", "C\\0000"}, {"reg_driver", "NetTrans\\0001"}}},
      {"lan_bind3",
       {{"index", "4"},
        {"reg_enum", "D\\0000"},
        {"reg_driver", ""},
        {"lan_bind3_p_bind0_index", "1"},
        {"lan_bind3_p_bind0_reg_enum", "Q\\0000"}}},
      {"lan_bind4", {{"index", "5"}, {"reg_enum", "E\\0000"}, {"reg_driver", ""}}},
  };
  EXPECT_EQ(LanSections(*m), expected);
}

TEST(LanBindings, InstanceWithoutBindingsKeyWritesNothing) {
  RegText reg;
  reg.Key("Enum\\USB\\" + kHardware + "\\6&2").String("DeviceDesc", "adapter");
  {
    SCOPED_TRACE("a fresh work file");
    auto m = MachineWithInstance(reg);
    const std::string before = m->WorkFileText();
    Capture(*m);
    EXPECT_EQ(m->WorkFileText(), before);
  }
  {
    SCOPED_TRACE("after another instance's capture");
    RegText withOther = reg;
    AddBindings(withOther, "Enum\\USB\\" + kHardware + "\\6&3\\Bindings", {"MSTCP\\0000"});
    withOther.Key("Enum\\Network\\MSTCP\\0000").String("Driver", "NetTrans\\0000");
    auto m = MachineWithInstance(withOther);
    m->Engine().WriteWorkText("usb_root2", "usb_device4_reg_enum", "6&3");
    EXPECT_EQ(m->Engine().CaptureLanBindings(2, 4), 0);
    const std::string before = m->WorkFileText();
    ASSERT_NE(before.find("[lan_bind0]"), std::string::npos);
    Capture(*m);
    EXPECT_EQ(m->WorkFileText(), before);
  }
}

}  // namespace
}  // namespace zr
