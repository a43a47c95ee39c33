// What the removal tests share: the machines, and the whole-machine comparison.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "engine/reg_edit.h"
#include "tests/support/engine_machine.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/reg_text.h"

namespace zr::testing {

class RemovalTest : public ::testing::Test {};

// A bundled sample machine (machines/<name>) in a scratch folder, with an
// engine over it.
class SampleMachine {
 public:
  explicit SampleMachine(const std::string& name) {
    std::filesystem::remove_all(image_.Folder());
    std::filesystem::copy(std::filesystem::path(ZR_SOURCE_DIR) / "machines" / name, image_.Folder(),
                          std::filesystem::copy_options::recursive);
    std::string error;
    machine_ = sim::SimMachine::Load(image_.Folder(), error);
    if (!machine_) throw std::runtime_error(error);
    engine_ = std::make_unique<CRegEdit>(*machine_);
    engine_->Wizard().m_hSheetWnd = &sheet_;
  }
  sim::SimMachine& Machine() { return *machine_; }
  CRegEdit& Engine() { return *engine_; }
  RecordingSheet& Sheet() { return sheet_; }
  const std::filesystem::path& Folder() const { return image_.Folder(); }
  MachineSnapshot Snapshot() { return MachineSnapshot::Take(machine_->Tree(), image_.Folder()); }
  // Merges these keys and values into the registry, as plugging in a
  // device does.
  void Plug(const std::string& regBody) {
    image_.Plug(*machine_, regBody);
  }

 private:
  TempImage image_;
  std::unique_ptr<sim::SimMachine> machine_;
  RecordingSheet sheet_;
  std::unique_ptr<CRegEdit> engine_;
};

// Fails with the list of differences unless `actual` is `expected`.
inline void ExpectMachine(const MachineSnapshot& expected, const MachineSnapshot& actual) {
  EXPECT_EQ(expected.DifferencesFrom(actual), "") << "(differences from the expected machine)";
}

// The modes a routine does not act in: each returns its result and changes
// nothing.
inline void ExpectIdleModes(SampleMachine& m, int (CRegEdit::*remove)(int),
                            std::initializer_list<std::pair<int, int>> modeResults) {
  const MachineSnapshot before = m.Snapshot();
  for (const auto& [mode, result] : modeResults) EXPECT_EQ((m.Engine().*remove)(mode), result) << "mode " << mode;
  ExpectMachine(before, m.Snapshot());
}

// A removal (after a detection, unless none) run twice leaves the same
// machine, `expected`, and shows no message.
inline void ExpectRemovedTwice(SampleMachine& m, int (CRegEdit::*detect)(), int (CRegEdit::*remove)(int), int mode,
                               const MachineSnapshot& expected) {
  for (int run = 1; run <= 2; ++run) {
    if (detect != nullptr) (m.Engine().*detect)();
    EXPECT_EQ((m.Engine().*remove)(mode), 1) << "run " << run;
    ExpectMachine(expected, m.Snapshot());
  }
  EXPECT_TRUE(m.Sheet().messages.empty());
  EXPECT_EQ(m.Machine().OpenHandles(), 0);
}

}  // namespace zr::testing
