// The USB modem's removal on Windows XP (RemoveWdmModemClass mode 2): the
// instances that enumeration recorded lose their captured key trees and
// their COM port bit, the listed INF files go, and nothing of other devices
// changes. The work file is filled as the wizard fills it: version check,
// then modem detection.
#include <map>
#include <set>

#include "platform/win_codes.h"
#include "removal_fixture.h"

namespace zr::testing {
namespace {

constexpr char kModemGuid[] = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
constexpr char kUsbInterface[] = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr char kModemInterface[] = "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}";
constexpr char kEnumUsb[] = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
constexpr char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kDeviceClasses[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
constexpr char kUnimodem[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\";
constexpr char kArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
constexpr char kHardware[] = "Vid_0e9c&Pid_0012";

// One USB instance below the device's hardware key, with its driver key,
// its two interface keys and its modem response key.
struct ModemInstance {
  std::string instance;     // "5&1&0&1"
  std::string description;  // DeviceDesc
  std::string driver;       // "0001": below the modem class
  std::string port;         // PortName; "" for none
  std::string responses;    // ResponsesKeyName

  std::string InterfaceName(const char* guid) const {
    return "##?#USB#" + std::string(kHardware) + "#" + instance + "#" + guid;
  }
  // The device's keys, each of which the removal deletes as a whole tree.
  std::map<std::string, std::string> Keys() const {
    return {
        {"instance", kEnumUsb + std::string(kHardware) + "\\" + instance},
        {"driver", kClass + std::string(kModemGuid) + "\\" + driver},
        {"usb interface", kDeviceClasses + std::string(kUsbInterface) + "\\" + InterfaceName(kUsbInterface)},
        {"modem interface", kDeviceClasses + std::string(kModemInterface) + "\\" + InterfaceName(kModemInterface)},
        {"responses", kUnimodem + responses},
    };
  }
  std::string Reg() const {
    const auto keys = Keys();
    std::string reg = "[HKEY_LOCAL_MACHINE\\" + keys.at("instance") + "]\n";
    reg += "\"DeviceDesc\"=\"" + description + "\"\n\"Driver\"=\"" + kModemGuid + "\\\\" + driver + "\"\n";
    reg += "\"ClassGUID\"=\"" + std::string(kModemGuid) + "\"\n\"Service\"=\"Modem\"\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("instance") + "\\Control]\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("instance") + "\\Device Parameters]\n";
    reg += "\"SymbolicName\"=\"\\\\??\\\\USB#" + std::string(kHardware) + "#" + instance + "#" + kUsbInterface + "\"\n";
    if (!port.empty()) reg += "\"PortName\"=\"" + port + "\"\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("instance") + "\\LogConf]\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("driver") + "]\n";
    reg += "\"InfPath\"=\"oem3.inf\"\n\"AttachedTo\"=\"" + port + "\"\n\"ResponsesKeyName\"=\"" + responses + "\"\n";
    for (const char* sub : {"Init", "Responses", "Settings", "Settings\\Blind"})
      reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("driver") + "\\" + sub + "]\n\"1\"=\"AT\"\n";
    for (const char* which : {"usb interface", "modem interface"}) {
      for (const char* sub : {"", "\\#", "\\#\\Control", "\\Control"})
        reg += "[HKEY_LOCAL_MACHINE\\" + keys.at(which) + sub + "]\n";
    }
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("responses") + "]\n@=\"" + description + "\"\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("responses") + "\\Responses]\n\"OK\"=hex:00,00\n";
    reg += "[HKEY_LOCAL_MACHINE\\" + keys.at("responses") + "\\Settings]\n";
    return reg;
  }
};

const ModemInstance kCom3{"5&1&0&1", "tolvek ZR-77Q5K - USB", "0001", "COM3", "tolvek ZR-77Q5K - USB#tolvek#Modem"};
// Letter case does not matter.
const ModemInstance kCom4{"5&1&0&2", "TOLVEK zr-77q5k - usb", "0002", "COM4", "tolvek ZR-77Q5K - USB#tolvek#Modem#2"};
// Neither a longer nor a shorter description is the device's.
const ModemInstance kLonger{"5&1&0&3", "tolvek ZR-77Q5K - USB Modem", "0003", "COM5", "tolvek ZR-77Q5K - USB Modem"};
const ModemInstance kShorter{"5&1&0&4", "tolvek ZR-77Q5K - US", "0004", "COM6", "tolvek ZR-77Q5K - US"};

// Everything on the machine that is not the device's: an empty hub key
// (root 0, so the device's root is not the first), a mouse, another
// product of the same vendor, a standard modem on COM1 with its keys,
// services, and ComDB with COM1 to COM6 taken.
const std::string kOthersReg = R"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\ROOT_HUB]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\Vid_046d&Pid_c00e\5&1&0&9]
"DeviceDesc"="USB Human Interface Device"
"Driver"="{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\\0000"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\Vid_046d&Pid_c00e\5&1&0&9\Device Parameters]
"SymbolicName"="\\??\\USB#Vid_046d&Pid_c00e#5&1&0&9#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\USB\Vid_0e9c&Pid_0013\6&1&0&1]
"DeviceDesc"="tolvek ZR-77Q5K USB-Lan Adapter"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\Root\MODEM\0000]
"Driver"="{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}]
"Class"="Modem"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}\0000]
"InfPath"="mdmgen.inf"
"ResponsesKeyName"="Standard 56000 bps Modem#Modem"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}\0000\Init]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{745a17a0-74d3-11d0-b6fe-00a0c90f57da}\0000]
"DriverDesc"="USB Human Interface Device"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{a5dcbf10-6530-11d2-901f-00c04fb951ed}\##?#USB#Vid_046d&Pid_c00e#5&1&0&9#{a5dcbf10-6530-11d2-901f-00c04fb951ed}\#]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}\##?#Root#MODEM#0000#{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}\#]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Unimodem\DeviceSpecific\Standard 56000 bps Modem#Modem\Responses]
"OK"=hex:00,00
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Modem\Enum]
"0"="USB\\Vid_0e9c&Pid_0012\\5&1&0&1"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\usbser]
"Start"=dword:00000003
)";

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> head, std::size_t size, std::uint8_t fill = 0) {
  std::vector<std::uint8_t> bytes(head);
  bytes.resize(size, fill);
  return bytes;
}

// `size` bytes 0xFF but the last port's bit.
std::vector<std::uint8_t> LastBitCleared(std::size_t size) {
  std::vector<std::uint8_t> bytes(size, 0xFF);
  bytes.back() = 0x7F;
  return bytes;
}

std::string ArbiterReg(const std::vector<std::uint8_t>& comDb, int type = 3) {
  return "[HKEY_LOCAL_MACHINE\\" + std::string(kArbiter) + "]\n" + HexValue("ComDB", comDb, type);
}

// INF files: the device's (found by their text or their name) and others'.
const char* const kDeviceInfs[] = {"WINDOWS\\inf\\oem3.inf", "WINDOWS\\inf\\oem3.PNF", "WINDOWS\\inf\\mdmtvk5u.inf",
                                   "WINDOWS\\inf\\mdmtvk5u.PNF", "WINDOWS\\inf\\tvkusb5.inf"};
const char* const kOtherInfs[] = {"WINDOWS\\inf\\oem1.inf",
                                  "WINDOWS\\inf\\oem1.PNF",
                                  "WINDOWS\\inf\\oem2.inf",
                                  "WINDOWS\\inf\\oem2.PNF",
                                  "WINDOWS\\inf\\mdmgen.inf",
                                  "WINDOWS\\inf\\tvkusb5.PNF",
                                  "WINDOWS\\inf\\other\\tolvekmdmtvk5u.inf"};

void WriteInfFiles(EngineMachine& m) {
  auto write = [&](std::string path, const std::string& text) {
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    m.Image().Write("drive_c/" + path, text);
  };
  write(kDeviceInfs[0], "[Strings]\r\nModem=\"tolvek ZR-77Q5K USB-Modem\"\r\n");
  write(kDeviceInfs[2], "[Strings]\r\nModem=\"TOLVEK ZR-77Q5K USB-MODEM\"\r\n");
  for (const char* path : {kDeviceInfs[1], kDeviceInfs[3], kDeviceInfs[4]}) write(path, "device file");
  write(kOtherInfs[0], "[Strings]\r\nModem=\"HM-56U USB-Modem\"\r\n");
  write(kOtherInfs[2], "[Strings]\r\nAdapter=\"tolvek ZR-77Q5K USB-Lan Adapter\"\r\n");
  for (const char* path : {kOtherInfs[1], kOtherInfs[3], kOtherInfs[4], kOtherInfs[5], kOtherInfs[6]})
    write(path, "other file");
}

std::unique_ptr<EngineMachine> XpMachine(const std::string& reg, bool admin = true) {
  MachineSpec spec;
  spec.admin = admin;
  spec.protectedKeys = {"SYSTEM\\CurrentControlSet\\Enum"};
  spec.reg = kOthersReg + reg;
  auto m = std::make_unique<EngineMachine>(spec);
  WriteInfFiles(*m);
  return m;
}

void Detect(EngineMachine& m) {
  m.Engine().CheckWindowsVersion();
  m.Engine().DetectModem();
}

MachineSnapshot& WithoutInstance(MachineSnapshot& expected, const ModemInstance& instance,
                                 const std::set<std::string>& kept = {}) {
  for (const auto& [what, path] : instance.Keys()) {
    if (kept.count(what) == 0) expected.WithoutKeyTree(path);
  }
  return expected;
}

MachineSnapshot& WithoutDeviceInfs(MachineSnapshot& expected) {
  for (const char* file : kDeviceInfs) expected.WithoutFile(file);
  return expected;
}

std::string RecordedLength(EngineMachine& m, int root, int device) {
  return std::string(
      m.Engine()
          .ReadWorkText("usb_root" + std::to_string(root), "usb_device" + std::to_string(device) + "_reg_com_db_len")
          .view());
}

class WdmModemNtRemoval : public RemovalTest {};

TEST_F(WdmModemNtRemoval, RemovesEveryRecordedInstanceOfTheDeviceAndNothingElse) {
  auto m = XpMachine(kCom3.Reg() + kCom4.Reg() + kLonger.Reg() + kShorter.Reg() + ArbiterReg(Bytes({0x3F, 0x00}, 32)));
  MachineSnapshot expected = MachineSnapshot::Take(*m);
  WithoutInstance(expected, kCom3);
  WithoutInstance(expected, kCom4);
  WithoutDeviceInfs(expected).WithValue(kArbiter, "ComDB", win::kRegBinary, Bytes({0x33, 0x00}, 32));

  Detect(*m);
  EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_TRUE(m->Sheet().messages.empty());
  EXPECT_EQ(m->Sheet().closeRequests, 0);
  EXPECT_EQ(m->Machine().OpenHandles(), 0);
  // The hub key is root 0; the device's root is 2, its instances 0 and 1.
  EXPECT_EQ(RecordedLength(*m, 2, 0), "32");
  EXPECT_EQ(RecordedLength(*m, 2, 1), "32");
  EXPECT_EQ(RecordedLength(*m, 2, 2), "") << "an instance that is not the device's releases nothing";

  // The wizard run again on the cleaned machine finds nothing to remove.
  Detect(*m);
  EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_TRUE(m->Sheet().messages.empty());
  EXPECT_EQ(m->Machine().OpenHandles(), 0);
}

TEST_F(WdmModemNtRemoval, ReleasesThePortBitAndWritesBackOnlyWhatWasRead) {
  // ComDB is stored with a type of its own (REG_NONE) where it could be
  // written, so that the write-back shows even when no bit changes.
  struct Case {
    const char* port;
    std::string arbiter;              // .reg text; "" for no key
    std::vector<std::uint8_t> comDb;  // expected afterwards; empty: as before
    const char* length;               // recorded length
  } cases[] = {
      {"COM1", ArbiterReg(Bytes({0x07}, 32), 0), Bytes({0x06}, 32), "32"},
      {"COM3", ArbiterReg(Bytes({0x07}, 32), 0), Bytes({0x03}, 32), "32"},
      {"COM8", ArbiterReg({0xFF}, 0), {0x7F}, "1"},
      {"COM9", ArbiterReg(Bytes({0xFF, 0xFF}, 3, 0xFF), 0), {0xFF, 0xFE, 0xFF}, "3"},
      {"COM12", ArbiterReg({0xFF, 0xFF}, 0), {0xFF, 0xF7}, "2"},
      {"COM2080", ArbiterReg(Bytes({}, 260, 0xFF), 0), LastBitCleared(260), "260"},
      {"COM 3", ArbiterReg({0xFF}, 0), {0xFB}, "1"},
      {"COM+3", ArbiterReg({0xFF}, 0), {0xFB}, "1"},
      {"COM3x", ArbiterReg({0xFF}, 0), {0xFB}, "1"},
      // No port number above 0, or a byte beyond those read: nothing is
      // cleared, and the bitmap goes back as it was read.
      {"COM", ArbiterReg(Bytes({0xFF}, 32, 0xFF), 0), Bytes({0xFF}, 32, 0xFF), "32"},
      {"COMx", ArbiterReg({0xFF, 0x01}, 0), {0xFF, 0x01}, "2"},
      {"COM0", ArbiterReg({0xFF}, 0), {0xFF}, "1"},
      {"COM-3", ArbiterReg({0xFF}, 0), {0xFF}, "1"},
      {"COM9", ArbiterReg({0xFF}, 0), {0xFF}, "1"},
      {"COM2081", ArbiterReg(Bytes({}, 260, 0xFF), 0), Bytes({}, 260, 0xFF), "260"},
      {"COM300", ArbiterReg(Bytes({0xFF}, 32, 0xFF), 0), Bytes({0xFF}, 32, 0xFF), "32"},
      {"COM99999999999", ArbiterReg({0xFF}, 0), {0xFF}, "1"},
      // Nothing read: the value is left as it is.
      {"COM3", "[HKEY_LOCAL_MACHINE\\" + std::string(kArbiter) + "]\n\"Other\"=\"x\"\n", {}, "0"},
      {"COM3", "", {}, "-1"},
      {"COM3", ArbiterReg(Bytes({0xFF}, 261, 0xFF), 0), {}, "0"},
      // No port name: not even read.
      {"", ArbiterReg({0xFF}, 0), {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("port '") + c.port + "', recorded length " + c.length);
    ModemInstance instance = kCom3;
    instance.port = c.port;
    auto m = XpMachine(instance.Reg() + c.arbiter);
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    WithoutDeviceInfs(WithoutInstance(expected, instance));
    if (!c.comDb.empty()) expected.WithValue(kArbiter, "ComDB", win::kRegBinary, c.comDb);

    Detect(*m);
    EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    EXPECT_EQ(RecordedLength(*m, 2, 0), c.length);
    EXPECT_TRUE(m->Sheet().messages.empty());
  }
}

TEST_F(WdmModemNtRemoval, ALengthLeftFromAnEarlierReleaseNeverWritesTheBitmap) {
  // The instance no longer has a port name, but an earlier release in this
  // run recorded a length for it and left another bitmap in the buffer.
  for (const char* stale : {"32", "2", "999"}) {
    SCOPED_TRACE(stale);
    ModemInstance instance = kCom3;
    instance.port = "";
    auto m = XpMachine(instance.Reg() + ArbiterReg(Bytes({0x3F}, 32)));
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    WithoutDeviceInfs(WithoutInstance(expected, instance));

    Detect(*m);
    m->Engine().WriteWorkText("usb_root2", "usb_device0_reg_com_db_len", stale);
    m->Engine().m_abComDb.fill(0);
    EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
  }
}

TEST_F(WdmModemNtRemoval, AKeyAlreadyGoneIsReportedOnceAndTheRemovalGoesOn) {
  struct Case {
    const char* what;
    std::vector<std::string> gone;  // keys of the COM3 instance removed beforehand
  } cases[] = {
      {"the modem response key", {"responses"}},
      {"the response key and the modem interface key", {"responses", "modem interface"}},
      {"the driver key", {"driver"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_bAccessErrorShown = false;
    auto m = XpMachine(kCom3.Reg() + kCom4.Reg() + ArbiterReg(Bytes({0x1F}, 32)));
    Detect(*m);
    for (const std::string& key : c.gone) ASSERT_TRUE(m->Machine().Tree().Remove(kCom3.Keys().at(key)));
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    WithoutInstance(expected, kCom3, std::set<std::string>(c.gone.begin(), c.gone.end()));
    WithoutInstance(expected, kCom4);
    WithoutDeviceInfs(expected).WithValue(kArbiter, "ComDB", win::kRegBinary, Bytes({0x13}, 32));

    EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    ASSERT_EQ(m->Sheet().messages.size(), 1u);
    EXPECT_EQ(m->Sheet().messages[0].caption, "アクセス権エラー");
    EXPECT_EQ(m->Sheet().messages[0].text,
              "管理者権限でログオンする必要があります。\r\nアプリケーションを終了します。");
    EXPECT_EQ(m->Sheet().messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(m->Sheet().closeRequests, 1);
    EXPECT_EQ(m->Machine().OpenHandles(), 0);
  }
}

TEST_F(WdmModemNtRemoval, ALimitedUserChangesNoKeyAndIsToldOnce) {
  auto m = XpMachine(kCom3.Reg() + ArbiterReg(Bytes({0x07}, 32)), /*admin=*/false);
  MachineSnapshot expected = MachineSnapshot::Take(*m);
  WithoutDeviceInfs(expected);
  Detect(*m);
  EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
  ExpectMachine(expected, MachineSnapshot::Take(*m));
  EXPECT_EQ(m->Sheet().messages.size(), 1u);
  EXPECT_EQ(m->Sheet().closeRequests, 1);
}

TEST_F(WdmModemNtRemoval, ANameThatWouldWidenADeletionIsPassedOver) {
  const std::string symbolic = "\\??\\USB#Vid_0e9c&Pid_0012#5&1&0&1#" + std::string(kUsbInterface);
  struct Case {
    const char* what;
    const char* key;    // work-file key in section usb_root2 (instance 0)
    std::string value;  // written after detection
    std::set<std::string> kept;
  } cases[] = {
      {"empty hardware key name", "reg_enum", "", {"instance"}},
      {"empty instance name", "usb_device0_reg_enum", "", {"instance"}},
      {"empty driver name", "usb_device0_reg_driver", "", {"driver"}},
      {"driver naming the whole class", "usb_device0_reg_driver", kModemGuid, {"driver"}},
      {"driver naming a key below the instance",
       "usb_device0_reg_driver",
       std::string(kModemGuid) + "\\0001\\Init",
       {"driver"}},
      {"empty symbolic name", "usb_device0_reg_sym_name", "", {"usb interface", "modem interface"}},
      {"symbolic name without an interface class",
       "usb_device0_reg_sym_name",
       symbolic.substr(0, symbolic.find('{')),
       {"usb interface"}},
      {"empty response key name", "usb_device0_reg_rsp_name", "", {"responses"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto m = XpMachine(kCom3.Reg() + ArbiterReg(Bytes({0x07}, 32)));
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    WithoutDeviceInfs(WithoutInstance(expected, kCom3, c.kept))
        .WithValue(kArbiter, "ComDB", win::kRegBinary, Bytes({0x03}, 32));

    Detect(*m);
    ASSERT_EQ(std::string(m->Engine().ReadWorkText("usb_root2", "usb_device0_reg_dev_name").view()), kCom3.description);
    m->Engine().WriteWorkText("usb_root2", c.key, c.value);
    EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    EXPECT_TRUE(m->Sheet().messages.empty());
    EXPECT_EQ(m->Machine().OpenHandles(), 0);
  }
}

TEST_F(WdmModemNtRemoval, WithoutRecordedInstancesOnlyTheInfFilesGo) {
  struct Case {
    const char* what;
    bool detect;
    std::vector<const char*> gone;
  } cases[] = {
      {"after detection: the listed files and mdmtvk5u",
       true,
       {kDeviceInfs[0], kDeviceInfs[1], kDeviceInfs[2], kDeviceInfs[3], kDeviceInfs[4]}},
      {"nothing listed: mdmtvk5u.inf and .pnf", false, {kDeviceInfs[2], kDeviceInfs[3]}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto m = XpMachine(ArbiterReg(Bytes({0x07}, 32)));
    MachineSnapshot expected = MachineSnapshot::Take(*m);
    for (const char* file : c.gone) expected.WithoutFile(file);
    if (c.detect) Detect(*m);
    EXPECT_EQ(m->Engine().RemoveWdmModemClass(2), 1);
    ExpectMachine(expected, MachineSnapshot::Take(*m));
    EXPECT_TRUE(m->Sheet().messages.empty());
  }
}

TEST_F(WdmModemNtRemoval, OtherModesTouchNothing) {
  for (int mode : {0, 3, -2}) {
    SCOPED_TRACE(mode);
    auto m = XpMachine(kCom3.Reg() + ArbiterReg(Bytes({0x07}, 32)));
    Detect(*m);
    const MachineSnapshot before = MachineSnapshot::Take(*m);
    const std::string workFile = m->WorkFileText();
    EXPECT_EQ(m->Engine().RemoveWdmModemClass(mode), 0);
    ExpectMachine(before, MachineSnapshot::Take(*m));
    EXPECT_EQ(m->WorkFileText(), workFile);
  }
}

}  // namespace
}  // namespace zr::testing
