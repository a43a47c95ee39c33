// Modem-side detection: the result word on each Windows family, the files it
// probes and the OEM INF files it lists for removal, and the text search in
// them; the instance bits of both devices on NT; and Windows versions that
// detection leaves alone.
#include <gtest/gtest.h>

#include <fstream>

#include "detect/inf_search.h"
#include "tests/support/engine_over_image.h"

namespace zr {
namespace {

using namespace testing;

const std::string kModemInf = "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n";

TEST(InfNamesText, FindsTheTextInEachEncoding) {
  const std::string head = "[Strings]\r\nModem=", text = "tolvek ZR-77Q5K USB-Modem",
                    lower = "tolvek zr-77q5k usb-modem";
  const std::pair<std::string, bool> cases[] = {
      {Utf16Le(head + text + "\r\n", true), true},
      {Utf16Le(head + text + "\r\n", false), true},
      {Utf16Le(head + lower, true), false},
      {head + lower + "\r\n", true},
      {head + text, true},
      {head + text.substr(0, text.size() - 1), false},
      {head + "tolvek ZR\r77Q5K USB\rModem", false},  // differ by 0x20 but are no letters
      {"", false}};
  EngineOverImage m(Windows::kXp);
  for (const auto& [bytes, hit] : cases) {
    m.WriteC("WINDOWS/inf/oem3.inf", bytes);
    EXPECT_EQ(InfNamesText(m.Machine().Files(), "C:\\WINDOWS\\inf\\oem3.inf", text), hit) << bytes;
  }
  EXPECT_FALSE(InfNamesText(m.Machine().Files(), "C:\\WINDOWS\\inf\\oem4.inf", text)) << "missing file";
  // At an odd offset of UTF-16 text (a text without blanks, whose shifted
  // halves would make the file look byte-swapped).
  m.WriteC("WINDOWS/inf/oem5.inf",
           "\xFF\xFE" + Utf16Le("[x]", false) + "A" + Utf16Le("ZR-77Q5K", false) + "A" + Utf16Le("\r\n", false));
  EXPECT_TRUE(InfNamesText(m.Machine().Files(), "C:\\WINDOWS\\inf\\oem5.inf", "ZR-77Q5K"));
  EXPECT_FALSE(InfNamesText(m.Machine().Files(), "C:\\WINDOWS\\inf", text)) << "a folder";
  EXPECT_TRUE(FileExists(m.Machine().Files(), "c:\\windows\\INF\\OEM3.INF")) << "an empty file, in other case";
}

TEST(DetectModem9x, ClassKeyAndInstanceBits) {
  const std::string port = "tolvek ZR-77Q5K USB Port Adapter", cls = "System\\CurrentControlSet\\Services\\Class\\";
  const std::string id = "usb\\vid_0e9c&pid_0012&rev_0100";  // lower case, further text
  const std::string instance = "Enum\\USB\\VID_0E9C&PID_0012\\1";
  const std::pair<std::string, int> cases[] = {
      {RegKeyText(cls + "Usb\\0000", {{"DriverDesc", port + " (COM5)"}}), 0x01},
      {RegKeyText(cls + "Usb\\0003",
                  {{"DriverDesc", "TOLVEK zr-77q5k usb port adapter"}, {"DeviceKey", "0e9c0012\\0"}}),
       0x02},
      {RegKeyText(cls + "Usb\\0003", {{"DriverDesc", port}, {"DeviceKey", "0E9C0013"}}), 0},  // another product
      {RegKeyText(cls + "Wdm\\0001", {{"MatchingDeviceId", id}}), 0x04},
      {RegKeyText(cls + "Wdm\\0001", {{"MatchingDeviceId", "VID_0E9C&PID_0012"}}), 0},  // no bus prefix
      {RegKeyText(cls + "WdmModem\\0255", {{"MatchingDeviceId", id}}), 0x08},
      {RegKeyText(cls + "Wdm\\0256", {{"MatchingDeviceId", id}}), 0},  // past the last slot
      {RegKeyText(instance, {{"DeviceDesc", port}, {"Driver", "Ports\\0001"}}), 0x20},
      {RegKeyText(instance, {{"DeviceDesc", port}}), 0},
  };
  for (const auto& [reg, word] : cases) {
    SCOPED_TRACE(reg);
    EngineOverImage m(Windows::k98, reg);
    EXPECT_EQ(m.Engine().DetectModem(), word);
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
    // The instance is recorded as 9x keeps it: no NT port or service names.
    EXPECT_EQ(m.WorkFile()["usb_root0"].count("usb_device0_reg_port_name"), 0u);
  }
}

// 9x: seven named files count; OEM INF files are not searched and no file
// enters the removal table.
TEST(DetectModem9x, FileProbe) {
  const std::pair<const char*, int> cases[] = {{"tvkusb5.inf", 0x10000},       {"other/tolvektvkusb5.inf", 0x10000},
                                               {"mdmtvk5u.pnf", 0x10000},      {"other/mdmtvk5u.inf", 0x10000},
                                               {"mdmtvk5u.inf", 0x10000},      {"other/tolvekmdmtvk5u.inf", 0x10000},
                                               {"other/tvkusb5.inf", 0x10000}, {"tvkusb5.pnf", 0},
                                               {"other/mdmtvk5u.pnf", 0},      {"oem3.inf", 0}};
  for (const auto& [file, word] : cases) {
    EngineOverImage m(Windows::k98);
    m.WriteC(std::string("WINDOWS/inf/") + file, kModemInf);
    EXPECT_EQ(m.Engine().DetectModem(), word) << file;
    EXPECT_TRUE(m.Engine().ModemInfFiles().empty()) << file;
  }
}

TEST(DetectNt, InstanceBitsOfBothDevices) {
  const std::string modem = "tolvek ZR-77Q5K - USB", lan = "tolvek ZR-77Q5K USB-Lan Adapter";
  const std::tuple<std::string, bool, int, int> cases[] = {
      {modem, true, 0x28, 0}, {"TOLVEK zr-77q5k - usb", true, 0x28, 0},
      {modem, false, 0, 0},   {modem + " (2)", true, 0, 0},
      {lan, true, 0, 0x30},   {lan, false, 0, 0}};
  for (const auto& [description, driver, modemWord, lanWord] : cases) {
    SCOPED_TRACE(description + (driver ? " with a driver" : ""));
    const std::string instance = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\1";
    RegValues values = {{"DeviceDesc", description}};
    if (driver) values.push_back({"Driver", "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001"});
    EngineOverImage m(Windows::kXp,
                      RegKeyText(instance, values) + RegKeyText(instance + "\\Bindings", {{"MSTCP\\0000", ""}}));
    EXPECT_EQ(m.Engine().DetectModem(), modemWord);
    EXPECT_EQ(m.Engine().DetectUsbLan(), lanWord);
    EXPECT_FALSE(m.WorkFile().count("lan_bind0")) << "NT records no bindings";
    EXPECT_EQ(m.Machine().OpenHandles(), 0);
  }
}

// NT lists the OEM files that name the modem, each with its PNF, and then
// the named files, only in the INF folder; every detection lists them again.
TEST(DetectModemNt, ListsMatchingInfFilesInOrder) {
  EngineOverImage m(Windows::kXp);
  m.WriteC("WINDOWS/inf/oem9.inf", Utf16Le(kModemInf, true));
  m.WriteC("WINDOWS/inf/oem3.inf", "\x83\x82\x83\x66\x83\x80\r\n" + kModemInf);
  m.WriteC("WINDOWS/inf/oem5.inf", "[Strings]\r\nLan=\"tolvek ZR-77Q5K USB-Lan\"\r\n");
  m.WriteC("WINDOWS/inf/oem0.inf", kModemInf);
  for (const char* file : {"oem255.inf", "oem256.inf", "oem4.pnf", "mdmtvk5u.inf", "tvkusb5.inf", "mdmtvk5u.pnf",
                           "other/mdmtvk5u.inf", "other/tolvektvkusb5.inf", "other/oem3.inf"})
    m.WriteC(std::string("WINDOWS/inf/") + file, kModemInf);
  std::vector<std::string> once;
  for (const char* file : {"oem0.inf", "oem0.pnf", "oem3.inf", "oem3.pnf", "oem9.inf", "oem9.pnf", "oem255.inf",
                           "oem255.pnf", "mdmtvk5u.inf", "tvkusb5.inf"})
    once.push_back(std::string("C:\\WINDOWS\\inf\\") + file);
  EXPECT_EQ(m.Engine().DetectModem(), 0x10000);
  EXPECT_EQ(Listed(m.Engine().ModemInfFiles()), once);
  EXPECT_EQ(m.Engine().DetectModem(), 0x10000);
  std::vector<std::string> twice(once);
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(Listed(m.Engine().ModemInfFiles()), twice);
}

TEST(DetectModemNt, AFullTableTakesNoMorePathsAndTheScanGoesOn) {
  EngineOverImage m(Windows::kXp);
  for (const char* file : {"inf/oem3.inf", "inf/mdmtvk5u.inf"}) m.WriteC(std::string("WINDOWS/") + file, kModemInf);
  CRegEdit& e = m.Engine();
  // Three paths a run: 86 runs leave two entries, which oem3's two paths of
  // the next run take; the named file then finds no room, in that run and
  // every later one.
  for (int run = 0; run < 86; ++run) e.DetectModem();
  ASSERT_EQ(e.ModemInfFiles().size(), 258u);
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(e.DetectModem(), 0x10000);
    EXPECT_EQ(e.ModemInfFiles().size(), static_cast<std::size_t>(CRegEdit::kInfTable));
    EXPECT_EQ(e.ModemInfFiles().back(), "C:\\WINDOWS\\inf\\oem3.pnf");
  }
}

// NT 4.0 (kind 3), and versions the engine does not know (kind 0), are left
// alone, and so is a work file an earlier run left.
TEST(Detection, OtherWindowsReadNothingAndWriteNothing) {
  const std::string earlier = "[usb_root0]\r\nindex=1\r\nreg_enum=V\r\n";
  for (const char* version : {"major=4\nminor=0\nbuild=1381\n", "major=6\nminor=0\n"}) {
    EngineOverImage m(Windows::kXp, RegKeyText("SYSTEM\\CurrentControlSet\\Enum\\USB\\V\\1",
                                               {{"DeviceDesc", "tolvek ZR-77Q5K - USB"}, {"Driver", "x"}}));
    for (const char* file : {"oem3.inf", "mdmtvk5u.inf", "tvkndis3.inf"})
      m.WriteC("WINDOWS/inf/" + std::string(file), kModemInf);
    std::string ini = TempImage::XpIni(), error;
    std::ofstream(m.Folder() / "machine.ini")
        << ini.replace(ini.find("major"), ini.find("platform") - ini.find("major"), version);
    const auto machine = sim::SimMachine::Load(m.Folder(), error);
    ASSERT_TRUE(machine) << error;
    CRegEdit e(*machine);
    e.CheckWindowsVersion();
    m.WriteC("WINDOWS/tvk_temp.dat", earlier);
    EXPECT_EQ(e.DetectModem() + e.DetectUsbLan(), 0) << version;
    EXPECT_TRUE(e.ModemInfFiles().empty() && e.LanInfFiles().empty()) << version;
    EXPECT_EQ(m.ReadC("WINDOWS\\tvk_temp.dat"), earlier);
  }
}

}  // namespace
}  // namespace zr
