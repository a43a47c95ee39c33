// The USB modem's removal on Windows XP (RemoveWdmModemClass mode 2), on the
// bundled winxp-modem machine (its README lists what is the device's): the
// instances that enumeration recorded lose their captured key trees and
// their COM port bit, the listed INF files go, and nothing of other devices
// changes. The work file is filled as the wizard fills it: version check,
// then modem detection.
#include <functional>
#include <map>
#include <set>

#include "platform/win_codes.h"
#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

constexpr char kArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
constexpr char kModemGuid[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kUsbInterface[] = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
// The image's five USB roots: ROOT_HUB, ROOT_HUB20, two other devices', and
// the modem's.
constexpr char kRoot[] = "usb_root4";

// A USB instance of the modem with the keys the removal deletes as whole
// trees.
struct ModemInstance {
  std::string instance;     // below Vid_0e9c&Pid_0012
  std::string description;  // DeviceDesc
  std::string driver;       // below the modem class
  std::string port;         // PortName
  std::string responses;    // ResponsesKeyName

  std::map<std::string, std::string> Keys() const {
    const auto interface = [&](const std::string& guid) {
      return "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\" + guid + "\\##?#USB#Vid_0e9c&Pid_0012#" + instance +
             "#" + guid;
    };
    return {{"instance", "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\" + instance},
            {"driver", "SYSTEM\\CurrentControlSet\\Control\\Class\\" + std::string(kModemGuid) + "\\" + driver},
            {"usb interface", interface(kUsbInterface)},
            {"modem interface", interface("{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}")},
            {"responses", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\" + responses}};
  }
  // As Windows records the instance when the device is plugged in.
  std::string Reg() const {
    const auto keys = Keys();
    std::string reg = RegKey(keys.at("instance")) + RegString("DeviceDesc", description) +
                      RegString("Driver", kModemGuid + ("\\" + driver)) +
                      RegKey(keys.at("instance") + "\\Device Parameters") + RegString("PortName", port) +
                      RegString("SymbolicName", "\\??\\USB#Vid_0e9c&Pid_0012#" + instance + "#" + kUsbInterface) +
                      RegKey(keys.at("driver")) + RegString("ResponsesKeyName", responses);
    for (const auto& [what, path] : keys) reg += RegKey(path + "\\Sub");
    return reg;
  }
};

const ModemInstance kImage{"5&2a3b1c4d&0&1", "tolvek ZR-77Q5K - USB", "0001", "COM3",
                           "tolvek ZR-77Q5K - USB#tolvek#Modem"};

std::vector<std::uint8_t> Bytes(std::vector<std::uint8_t> head, std::size_t size = 32, std::uint8_t fill = 0) {
  head.resize(size, fill);
  return head;
}

// Gives value `name` of key `path` these bytes, or removes it for none.
void Put(EngineOverImage& m, const std::string& path, const std::string& name, std::uint32_t type,
         const std::vector<std::uint8_t>& data) {
  sim::RegTree& tree = m.Machine().Tree();
  if (data.empty())
    ASSERT_TRUE(tree.Find(path)->RemoveValue(tree.Fold(name)));
  else
    tree.Find(path)->SetValue(name, tree.Fold(name), type, data);
}

// The machine after the removal of `instances` (their keys but those named
// in `kept`) and of the device's INF files.
MachineSnapshot Without(EngineOverImage& m, std::initializer_list<ModemInstance> instances,
                        const std::set<std::string>& kept = {}) {
  MachineSnapshot expected = m.Snapshot();
  for (const ModemInstance& instance : instances)
    for (const auto& [what, path] : instance.Keys())
      if (!kept.contains(what)) expected.WithoutKeyTree(path);
  for (const char* file :
       {"WINDOWS\\inf\\oem3.inf", "WINDOWS\\inf\\oem3.PNF", "WINDOWS\\inf\\mdmtvk5u.inf", "WINDOWS\\inf\\mdmtvk5u.PNF"})
    expected.WithoutFile(file);
  return expected;
}

// The wizard's steps, with `meddle` changing the machine or what detection
// recorded.
void DetectAndRemove(EngineOverImage& m, const std::function<void(CRegEdit&)>& meddle) {
  m.Engine().CheckWindowsVersion();
  m.Engine().DetectModem();
  meddle(m.Engine());
  EXPECT_EQ(m.Engine().RemoveWdmModemClass(2), 1);
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
}

class WdmModemNtRemoval : public ::testing::Test {};

TEST_F(WdmModemNtRemoval, RemovesEveryRecordedInstanceOfTheDeviceAndNothingElse) {
  // Beside the image's instance on COM3: one on COM4 (letter case does not
  // matter) and one whose longer description is not the device's.
  const ModemInstance com4{"5&2a3b1c4d&0&2", "TOLVEK zr-77q5k - usb", "0002", "COM4", "m#2"};
  const ModemInstance longer{"5&2a3b1c4d&0&3", "tolvek ZR-77Q5K - USB Modem", "0003", "COM5", "m#3"};
  EngineOverImage m("winxp-modem");
  m.Plug(com4.Reg() + longer.Reg());
  Put(m, kArbiter, "ComDB", win::kRegBinary, Bytes({0x3F}));
  m.Engine().CheckWindowsVersion();
  m.Engine().DetectModem();
  ExpectIdleModes(m, &CRegEdit::RemoveWdmModemClass, {{0, 0}, {3, 0}, {-2, 0}});

  // COM3 and COM4 are each cleared in a fresh read of the bitmap.
  const MachineSnapshot expected =
      Without(m, {kImage, com4}).WithValue(kArbiter, "ComDB", win::kRegBinary, Bytes({0x33}));
  ExpectRemovedTwice(m, &CRegEdit::DetectModem, &CRegEdit::RemoveWdmModemClass, 2, expected);
}

TEST_F(WdmModemNtRemoval, ReleasesThePortBitAndWritesBackOnlyWhatWasRead) {
  // port "": none; before: ComDB as REG_NONE (empty: no value); after: written
  // back as REG_BINARY (empty: as before); length recorded ("-1": no key).
  const struct {
    const char* port;
    std::vector<std::uint8_t> before, after;
    const char* length;
  } cases[] = {
      {"COM1", Bytes({0x07}), Bytes({0x06}), "32"},
      {"COM12", {0xFF, 0xFF}, {0xFF, 0xF7}, "2"},
      // Each bit has its own mask; blanks, tabs and a sign may come first.
      {"COM2", {0xFF}, {0xFD}, "1"},
      {"COM \t5", {0xFF}, {0xEF}, "1"},
      {"COM+7", {0xFF}, {0xBF}, "1"},
      {"COM8", {0xFF}, {0x7F}, "1"},
      // No port number above 0, or a byte beyond those read: nothing is
      // cleared, and the bitmap goes back as it was read.
      {"COM", Bytes({}, 32, 0xFF), Bytes({}, 32, 0xFF), "32"},
      {"COM9", {0xFF}, {0xFF}, "1"},
      // Nothing read: the value is left as it is.
      {"COM3", {}, {}, "0"},
      {"COM3", {0xFF}, {}, "-1"},
      // No port name: nothing read, and a length an earlier release of this
      // instance recorded (its bitmap left in the buffer) writes nothing.
      {"", {0xFF}, {}, "32"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("port '") + c.port + "', recorded length " + c.length);
    EngineOverImage m("winxp-modem");
    const std::string port = c.port;
    Put(m, kImage.Keys().at("instance") + "\\Device Parameters", "PortName", win::kRegSz,
        std::vector<std::uint8_t>(port.c_str(), port.c_str() + (port.empty() ? 0 : port.size() + 1)));
    Put(m, kArbiter, "ComDB", 0, c.before);
    if (std::string(c.length) == "-1") m.Machine().Tree().Remove(kArbiter);
    MachineSnapshot expected = Without(m, {kImage});
    if (!c.after.empty()) expected.WithValue(kArbiter, "ComDB", win::kRegBinary, c.after);
    DetectAndRemove(m, [&](CRegEdit& e) {
      if (!port.empty()) return;
      e.WriteWorkText(kRoot, "usb_device0_reg_com_db_len", "32");
    });
    ExpectMachine(expected, m.Snapshot());
    EXPECT_EQ(m.Engine().ReadWorkText(kRoot, "usb_device0_reg_com_db_len").view(), c.length);
  }
}

TEST_F(WdmModemNtRemoval, KeysItMustNotOrCannotDeleteStayAndTheRestGoesOn) {
  const std::set<std::string> all = {"instance", "driver", "usb interface", "modem interface", "responses"};
  // What detection recorded under `key` (nullptr: keys gone) is replaced with
  // `value`; `unbuilt`: the tree whose root names a parent, neither built nor captured.
  const struct {
    const char* key;
    std::string value;
    std::set<std::string> kept;
    int unbuilt = -1;
    const char* image = "winxp-modem";
  } cases[] = {
      // A name that would widen a deletion to a parent key is passed over.
      {"reg_enum", "", {"instance"}, 0},
      {"usb_device0_reg_enum", kImage.instance + "\\", {"instance"}, 0},
      {"usb_device0_reg_driver", kModemGuid, {"driver"}},
      {"usb_device0_reg_driver", std::string(kModemGuid) + "\\0001\\Sub", {"driver"}},
      {"usb_device0_reg_sym_name", "\\??\\USB#Vid_0e9c&Pid_0012#" + kImage.instance + "#", {"usb interface"}, 3},
      {"usb_device0_reg_rsp_name", kImage.responses + "\\", {"responses"}, 2},
      // Keys gone before the removal, or a user who may delete none: the
      // message comes once, and the removal goes on.
      {nullptr, "", {}},
      {"", "", all, -1, "winxp-limited-user"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key == nullptr ? "keys already gone" : std::string(c.key) + "='" + c.value + "'");
    EngineOverImage m(c.image);
    MachineSnapshot expected = Without(m, {kImage}, c.kept);
    // COM3 is released unless no key may change.
    if (c.kept != all) expected.WithValue(kArbiter, "ComDB", win::kRegBinary, Bytes({0x03}));
    DetectAndRemove(m, [&](CRegEdit& e) {
      if (c.key == nullptr) {
        for (const char* key : {"responses", "driver"}) ASSERT_TRUE(m.Machine().Tree().Remove(kImage.Keys().at(key)));
      } else if (*c.key) {
        ASSERT_EQ(e.ReadWorkText(kRoot, "usb_device0_reg_dev_name").view(), kImage.description);
        e.WriteWorkText(kRoot, c.key, c.value);
      }
    });
    ExpectMachine(expected, m.Snapshot());
    EXPECT_TRUE(c.unbuilt < 0 || m.Engine().TreeRootForTest(c.unbuilt).empty());
    const std::size_t told = c.kept == all || c.kept.empty() ? 1 : 0;
    EXPECT_EQ(std::make_pair(m.Sheet().messages.size(), m.Sheet().closeRequests), std::make_pair(told, int(told)));
  }
}

}  // namespace
}  // namespace zr::testing
