// The USB port adapter's removal on a Windows 98 machine: which class
// instances count as the device's, when the shared port driver stays for a
// sibling adapter, and that nothing of other devices is touched.
#include <filesystem>
#include <string>

#include "tests/support/engine_over_image.h"

namespace zr::testing {
namespace {

const std::string kClass = "System\\CurrentControlSet\\Services\\Class\\";

std::string Desc(const std::string& text) { return "\"DriverDesc\"=\"" + text + "\"\n"; }

// Class instances merged into the image beside the device's own (USB\0002,
// Modem\0001). They count by the start of a value, letter case ignored; only
// 0000 to 0255 are looked at.
const struct {
  const char* name;    // below the class root; each has a sub-key
  std::string values;  // .reg lines
  bool removed;
} kClassKeys[] = {
    {"Usb\\0004", Desc("TOLVEK zr-77q5k usb port adapter COM6"), true},
    {"Usb\\0005", Desc("tolvek ZR-77Q5K USB Port Adapte"), false},
    {"Usb\\0256", Desc("tolvek ZR-77Q5K USB Port Adapter"), false},
    {"Usb\\12", Desc("tolvek ZR-77Q5K USB Port Adapter"), false},
    {"Modem\\0003", RegString("PortDriver", "SYSFPORT.VXD") + RegString("InfPath", "MDMTVK5U.INF"), true},
    {"Modem\\0004", RegString("PortDriver", "sysfport.vxd") + RegString("InfPath", "mdmgen.inf"), false},
    {"Modem\\0005", RegString("PortDriver", "serialui.vxd") + RegString("InfPath", "mdmtvk5u.inf"), false},
    {"Wdm\\0000", RegString("MatchingDeviceId", "USB\\VID_0E9C&PID_0012"), false},
};

class PortClassRemoval : public ::testing::Test {};

TEST_F(PortClassRemoval, RemovesTheDeviceAndTheSharedDriverOnlyWhenNoSiblingIsLeft) {
  // Any other adapter of those that share the driver keeps it, whatever the
  // letter case and what follows; a description cut short or shifted does
  // not count, nor an instance past 0255.
  const struct {
    bool keeps;
    std::string instances;  // .reg text of other USB class instances
  } cases[] = {
      {true, RegKey(kClass + "Usb\\0006") + Desc("TVK USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0009") + Desc("tolvek PRX-320 USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0010") + Desc("QUILLNET7 USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0011") + Desc("tolvek PRX-310 USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0012") + Desc("Orsel OX-301 USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0013") + Desc("KLMB-204 USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0014") + Desc("ZR-81Q5P USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0015") + Desc("KLMB USB Port Adapter")},
      {true, RegKey(kClass + "Usb\\0255") + Desc("qra usb port adapter (COM9)")},
      {false, RegKey(kClass + "Usb\\0007") + Desc("QRA USB Port Adapte") + RegKey(kClass + "Usb\\0008") +
                  Desc(" QUILLNET7 USB Port Adapter") + RegKey(kClass + "Usb\\256") + Desc("QRA USB Port Adapter")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.instances);
    EngineOverImage m("win98-portadapter");
    std::string plug = c.instances;
    for (const auto& key : kClassKeys)
      plug += RegKey(kClass + key.name) + key.values + RegKey(kClass + key.name + "\\S");
    m.Plug(plug);
    // A read-only file of the device goes as well; of the PNF files only
    // the modem's.
    for (const char* file :
         {"INF\\mdmtvk5u.pnf", "INF\\tvkusb5.pnf", "INF\\OTHER\\tvkusb5.inf", "INF\\OTHER\\mdmtvk5u.inf"})
      m.WriteC("WINDOWS\\" + std::string(file), "inf");
    std::filesystem::permissions(m.Folder() / "drive_c/WINDOWS/INF/tvkusb5.inf", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    ExpectIdleModes(m, &CRegEdit::RemovePortClass, {{0, 0}, {2, 1}, {3, 0}, {-1, 0}});

    // The device's keys and files as the image's README lists them.
    MachineSnapshot expected = m.Snapshot();
    expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0012").WithoutKeyTree("Enum\\USBMODEM\\VID_0E9C&PID_0012");
    expected.WithoutKeyTree(kClass + "USB\\0002").WithoutKeyTree(kClass + "Modem\\0001");
    for (const auto& key : kClassKeys)
      if (key.removed) expected.WithoutKeyTree(kClass + key.name);
    for (const char* file :
         {"WINDOWS\\INF\\tvkusb5.inf", "WINDOWS\\INF\\mdmtvk5u.inf", "WINDOWS\\INF\\OTHER\\tolvektvkusb5.inf",
          "WINDOWS\\INF\\OTHER\\tolvekmdmtvk5u.inf", "WINDOWS\\INF\\mdmtvk5u.pnf", "WINDOWS\\INF\\OTHER\\tvkusb5.inf",
          "WINDOWS\\INF\\OTHER\\mdmtvk5u.inf"})
      expected.WithoutFile(file);
    if (!c.keeps) {
      for (const char* file : {"sysfser.sys", "sysfser.dll", "sysfmapr.sys", "sysfport.vxd"})
        expected.WithoutFile("WINDOWS\\SYSTEM\\" + std::string(file));
      expected.WithoutKeyTree("System\\CurrentControlSet\\Services\\mapsys");
    }
    ExpectRemovedTwice(m, nullptr, &CRegEdit::RemovePortClass, 1, expected);
  }
}

}  // namespace
}  // namespace zr::testing
