// The bundled Windows XP machine with the device installed as a USB modem:
// the XP modem removal, as the wizard runs it, leaves exactly what the
// image's README says it must leave, and the machine saves and reloads as
// the same registry.
#include <filesystem>

#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "removal_fixture.h"

namespace fs = std::filesystem;

namespace zr::testing {
namespace {

constexpr char kInstance[] = "USB#Vid_0e9c&Pid_0012#5&2a3b1c4d&0&1";

class WinXpModemImage : public RemovalTest {};

TEST_F(WinXpModemImage, ModemRemovalLeavesEverythingButTheDevice) {
  TempImage image;
  fs::remove_all(image.Folder());
  fs::copy(fs::path(ZR_SOURCE_DIR) / "machines" / "winxp-modem", image.Folder(), fs::copy_options::recursive);
  std::string error;
  std::unique_ptr<sim::SimMachine> machine = sim::SimMachine::Load(image.Folder(), error);
  ASSERT_TRUE(machine) << error;

  MachineSnapshot expected = MachineSnapshot::Take(machine->Tree(), image.Folder());
  const std::string modemClass = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
  const std::string interfaces = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
  expected.WithoutKeyTree("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012\\5&2a3b1c4d&0&1")
      .WithoutKeyTree(modemClass + "\\0001")
      .WithoutKeyTree(interfaces + "{a5dcbf10-6530-11d2-901f-00c04fb951ed}\\##?#" + kInstance +
                      "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")
      .WithoutKeyTree(interfaces + "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}\\##?#" + kInstance +
                      "#{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}")
      .WithoutKeyTree(
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\tolvek ZR-77Q5K - USB#tolvek#Modem");
  std::vector<std::uint8_t> comDb(32, 0);
  comDb[0] = 0x03;
  expected.WithValue("SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB", win::kRegBinary, comDb);
  for (const char* file :
       {"WINDOWS\\inf\\oem3.inf", "WINDOWS\\inf\\oem3.PNF", "WINDOWS\\inf\\mdmtvk5u.inf", "WINDOWS\\inf\\mdmtvk5u.PNF"})
    expected.WithoutFile(file);
  // What the README names as staying is still there after the expectations.
  ASSERT_TRUE(expected.HasKey("SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_0e9c&Pid_0012"));
  ASSERT_TRUE(expected.HasKey(modemClass + "\\0000"));
  ASSERT_TRUE(expected.HasFile("WINDOWS\\inf\\oem1.inf"));

  {
    RecordingSheet sheet;
    CRegEdit engine(*machine);
    engine.m_hSheetWnd = &sheet;
    engine.CheckWindowsVersion();
    engine.DetectModem();
    EXPECT_EQ(engine.RemoveWdmModemClass(2), 1);
    EXPECT_TRUE(sheet.messages.empty());
    EXPECT_EQ(sheet.closeRequests, 0);
  }
  ExpectMachine(expected, MachineSnapshot::Take(machine->Tree(), image.Folder()));
  EXPECT_EQ(machine->OpenHandles(), 0);
  EXPECT_TRUE(machine->Events().empty()) << "nothing shown, no restart asked for";

  ASSERT_TRUE(machine->Save(error)) << error;
  std::unique_ptr<sim::SimMachine> reloaded = sim::SimMachine::Load(image.Folder(), error);
  ASSERT_TRUE(reloaded) << error;
  EXPECT_TRUE(reloaded->Tree().SameAs(machine->Tree()));
  ExpectMachine(expected, MachineSnapshot::Take(reloaded->Tree(), image.Folder()));
}

}  // namespace
}  // namespace zr::testing
