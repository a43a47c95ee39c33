// The engine straight over the sample images: what each image is meant to
// show detection, and the USB-LAN removal, which the wizard cannot reach
// (its check box is never shown) but the images carry for both layouts.
#include <gtest/gtest.h>

#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "tests/scenario/scenario_image.h"
#include "tests/support/engine_machine.h"

namespace zr::scenario {
namespace {

// An engine over a loaded copy of an image, after the version check that
// start-up runs.
class ImageEngine {
 public:
  explicit ImageEngine(const ScratchImage& image) {
    std::string error;
    machine_ = sim::SimMachine::Load(image.Folder(), error);
    if (!machine_) throw std::runtime_error(error);
    engine_ = std::make_unique<CRegEdit>(*machine_);
    engine_->m_hSheetWnd = &sheet_;
    engine_->CheckWindowsVersion();
  }
  ~ImageEngine() {
    engine_.reset();
    std::string error;
    if (machine_->Dirty() && !machine_->Save(error)) ADD_FAILURE() << error;
  }

  CRegEdit& Engine() { return *engine_; }
  sim::SimMachine& Machine() { return *machine_; }
  const testing::RecordingSheet& Sheet() const { return sheet_; }

 private:
  std::unique_ptr<sim::SimMachine> machine_;
  testing::RecordingSheet sheet_;
  std::unique_ptr<CRegEdit> engine_;
};

struct Detection {
  const char* image;
  int winKind;
  int modemWord;
  int lanWord;
};

void PrintTo(const Detection& d, std::ostream* out) { *out << d.image; }

class DetectionTest : public ::testing::TestWithParam<Detection> {};

TEST_P(DetectionTest, FindsWhatTheImageHolds) {
  const Detection& d = GetParam();
  ScratchImage image(d.image);
  ImageEngine run(image);
  EXPECT_EQ(run.Engine().m_nWinKind, d.winKind);
  EXPECT_EQ(run.Engine().DetectModem(), d.modemWord);
  EXPECT_EQ(run.Engine().DetectUsbLan(), d.lanWord);
  EXPECT_EQ(run.Machine().OpenHandles(), 0);
  EXPECT_FALSE(run.Machine().Dirty());
}

// 0x02 port adapter class key, 0x04 WDM class key, 0x08 WDM-modem class key
// (9x) or modem instance (NT), 0x10 USB-LAN instance, 0x20 instance with a
// driver, 0x10000 INF files.
INSTANTIATE_TEST_SUITE_P(Images, DetectionTest,
                         ::testing::Values(Detection{"winxp-modem", 2, 0x10028, 0},
                                           Detection{"winxp-limited-user", 2, 0x10028, 0},
                                           Detection{"win2000-modem-lan", 2, 0x10028, 0x10030},
                                           Detection{"win98-portadapter", 1, 0x10022, 0},
                                           Detection{"win98-portadapter-sibling", 1, 0x10022, 0},
                                           Detection{"win98-wdm", 1, 0x10004, 0},
                                           Detection{"winme-wdmmodem", 1, 0x10028, 0},
                                           Detection{"win98-lan", 1, 0, 0x10030},
                                           Detection{"winxp-nothing", 2, 0, 0},
                                           Detection{"nt4", 3, 0, 0}),
                         [](const ::testing::TestParamInfo<Detection>& info) { return TestName(info.param.image); });

TEST(LanRemoval, Windows98RemovesTheAdapterAndWhatIsBoundToIt) {
  ScratchImage image("win98-lan");
  const auto before = image.Snapshot();
  {
    ImageEngine run(image);
    ASSERT_EQ(run.Engine().DetectUsbLan(), 0x10030);
    EXPECT_EQ(run.Engine().RemoveLanClass(1), 1);
    EXPECT_EQ(run.Machine().OpenHandles(), 0);
  }
  auto expected = before;
  const std::string cls = "System\\CurrentControlSet\\Services\\Class\\";
  expected.WithoutKeyTree("Enum\\USB\\VID_0E9C&PID_0022").WithoutKeyTree(cls + "Net\\0001");
  // Bound to the adapter, to those, and to those in turn.
  for (const char* component : {"MSTCP\\0000", "NWLINK\\0000", "VREDIR\\0000", "VSERVER\\0000", "NWNBLINK\\0000",
                                "NWREDIR\\0000", "VREDIR\\0001", "VSERVER\\0001"})
    expected.WithoutKeyTree(std::string("Enum\\Network\\") + component);
  // Only the directly bound components lose their class keys.
  expected.WithoutKeyTree(cls + "NetTrans\\0000").WithoutKeyTree(cls + "NetTrans\\0001");
  expected.WithoutFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\tvkndis.sys")
      .WithoutFile("C:\\WINDOWS\\INF\\tvkndis3.inf")
      .WithoutFile("C:\\WINDOWS\\INF\\OTHER\\tolvektvkndis3.inf");
  EXPECT_EQ(expected.DifferencesFrom(image.Snapshot()), "");
}

TEST(LanRemoval, Windows2000RemovesTheAdapterAndLeavesTheModemAndTheOtherAdapter) {
  ScratchImage image("win2000-modem-lan");
  const auto before = image.Snapshot();
  {
    ImageEngine run(image);
    ASSERT_EQ(run.Engine().DetectUsbLan(), 0x10030);
    EXPECT_EQ(run.Engine().RemoveLanClass(2), 1);
    EXPECT_TRUE(run.Sheet().messages.empty());
    EXPECT_EQ(run.Sheet().closeRequests, 0);
    EXPECT_EQ(run.Machine().OpenHandles(), 0);
  }
  const std::string ccs = "SYSTEM\\CurrentControlSet\\";
  const std::string net = "{4D36E972-E325-11CE-BFC1-08002BE10318}";
  const std::string symbolic = "##?#USB#Vid_0e9c&Pid_0022#6&1f2e3d4c&0&2#";
  auto expected = before;
  expected.WithoutKeyTree(ccs + "Enum\\USB\\Vid_0e9c&Pid_0022\\6&1f2e3d4c&0&2")
      .WithoutKeyTree(ccs + "Control\\Class\\" + net + "\\0001")
      .WithoutKeyTree(ccs + "Control\\Network\\" + net + "\\{8F2D4C61-3B7A-4E19-A5C2-7D1E9B30F4A8}")
      .WithoutValue(ccs + "Control\\Network\\" + net + "\\Descriptions", "tolvek ZR-77Q5K USB-Lan Adapter")
      .WithoutKeyTree(ccs + "Control\\DeviceClasses\\{a5dcbf10-6530-11d2-901f-00c04fb951ed}\\" + symbolic +
                      "{a5dcbf10-6530-11d2-901f-00c04fb951ed}")
      .WithoutKeyTree(ccs + "Control\\DeviceClasses\\{ad498944-762f-11d0-8dcb-00c04fc3358c}\\" + symbolic +
                      "{ad498944-762f-11d0-8dcb-00c04fc3358c}")
      .WithoutKeyTree(ccs + "Services\\tvkndis");
  for (const char* file : {"system32\\drivers\\tvkndis.sys", "inf\\oem2.inf", "inf\\oem2.PNF", "inf\\tvkndis3.inf",
                           "inf\\tvkndis3.PNF"})
    expected.WithoutFile(std::string("C:\\WINDOWS\\") + file);
  EXPECT_EQ(expected.DifferencesFrom(image.Snapshot()), "");
}

}  // namespace
}  // namespace zr::scenario
