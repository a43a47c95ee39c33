// An engine over a simulated machine image in a scratch folder: a sample
// image of machines/, or one made up of a Windows release and a few lines of
// .reg text; with the sheet window that records what the engine asks of it,
// and, for the wizard pages, the sheet run as the front ends run it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/drv_sheet.h"
#include "app/wizard_runner.h"
#include "engine/reg_edit.h"
#include "engine/sheet_window.h"
#include "platform/sim/machine.h"
#include "tests/support/ini_text.h"
#include "tests/support/machine_snapshot.h"
#include "tests/support/reg_text.h"
#include "tests/support/temp_image.h"

namespace zr::testing {

class RecordingSheet final : public ISheetWindow, public IRunnerView {
 public:
  struct Message {
    std::string text;
    std::string caption;
  };
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon) override {
    messages.push_back({std::string(text), std::string(caption)});
  }
  void PostClose() override { ++closeRequests; }

  std::vector<Message> messages;
  int closeRequests = 0;
};

enum class Windows { k98, kMe, k2000, kXp, kNt4 };

// Each driver source file holds its own name, so a copy shows its source.
inline std::string SourceBytes(std::string_view source) { return "source " + std::string(source) + "\r\n"; }

class EngineOverImage {
 public:
  // A made-up image: `reg` is HKLM.reg after its header; the program starts
  // in C:\<program>, which holds the driver source folders. A user who is
  // no administrator may change nothing below HKLM; protected keys refuse
  // changes until their access list is replaced.
  explicit EngineOverImage(Windows windows, const std::string& reg = {}, bool admin = true,
                           const std::vector<std::string>& protectedKeys = {},
                           const std::string& program = "Tools\\ZR77");
  // machines/<sample>.
  explicit EngineOverImage(const std::string& sample);

  sim::SimMachine& Machine() { return *machine_; }
  CRegEdit& Engine() { return *engine_; }
  RecordingSheet& Sheet() { return sheet_; }
  const std::filesystem::path& Folder() const { return image_.Folder(); }

  // Files of drive C:, by their Windows path without "C:\".
  void WriteC(std::string path, const std::string& bytes);
  std::string ReadC(const std::string& path);
  // The work file as the engine left it on disk.
  IniSections WorkFile() { return ParseIniText(ReadC("WINDOWS\\tvk_temp.dat")); }
  bool KeyExists(const std::string& path) const { return machine_->Tree().Find(path) != nullptr; }
  std::size_t KeysBelow(const std::string& path) const;
  MachineSnapshot Snapshot() { return MachineSnapshot::Take(machine_->Tree(), image_.Folder()); }
  // Merges these keys and values into the registry, as plugging in a
  // device does.
  void Plug(const std::string& regBody) { image_.Plug(*machine_, regBody); }

 private:
  void Start();

  TempImage image_;
  std::unique_ptr<sim::SimMachine> machine_;
  RecordingSheet sheet_;
  std::unique_ptr<CRegEdit> engine_;
};

// The wizard sheet of `mode` (1 install, 2 uninstall, other: the chooser)
// over an engine, its first page activated.
class Wizard {
 public:
  Wizard(EngineOverImage& m, char mode)
      : sheet((m.Engine().Wizard().m_nWizardMode = mode, m.Engine())), runner(sheet, m.Sheet()) {
    runner.Start();
  }
  // The text a control of a page (by default the active one) shows.
  std::string Text(int id, const CPage* page = nullptr) const {
    const ControlState* control = runner.FindControl(page != nullptr ? *page : runner.Active(), id);
    return control != nullptr ? control->text : "<none>";
  }
  std::string Active() const { return runner.Active().ClassName(); }
  std::vector<std::string> Pages() const {
    std::vector<std::string> names;
    for (const CPage* page : sheet.Pages()) names.emplace_back(page->ClassName());
    return names;
  }

  CDrvSheet sheet;
  WizardRunner runner;
};

// The used part of an INF path table.
inline std::vector<std::string> Listed(std::span<const std::string> files) {
  return std::vector<std::string>(files.begin(), files.end());
}

// Fails with the list of differences unless `actual` is `expected`.
inline void ExpectMachine(const MachineSnapshot& expected, const MachineSnapshot& actual) {
  EXPECT_EQ(expected.DifferencesFrom(actual), "") << "(differences from the expected machine)";
}

// The modes a removal does not act in: each returns its result and changes
// nothing.
inline void ExpectIdleModes(EngineOverImage& m, int (CRegEdit::*remove)(int),
                            std::initializer_list<std::pair<int, int>> modeResults) {
  const MachineSnapshot before = m.Snapshot();
  for (const auto& [mode, result] : modeResults) EXPECT_EQ((m.Engine().*remove)(mode), result) << "mode " << mode;
  ExpectMachine(before, m.Snapshot());
}

// A removal (after a detection, unless none) run twice leaves the same
// machine, `expected`, and shows no message.
inline void ExpectRemovedTwice(EngineOverImage& m, int (CRegEdit::*detect)(), int (CRegEdit::*remove)(int), int mode,
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
