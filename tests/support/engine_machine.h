// An engine over a simulated machine made from a few lines of .reg text,
// with a sheet window that records what the engine asks of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/sheet_window.h"
#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "tests/support/temp_image.h"

namespace zr::testing {

class RecordingSheet final : public ISheetWindow {
 public:
  struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
  };
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    messages.push_back({std::string(text), std::string(caption), icon});
  }
  void PostClose() override { ++closeRequests; }

  std::vector<Message> messages;
  int closeRequests = 0;
};

struct MachineSpec {
  bool win98 = false;
  bool admin = true;
  std::vector<std::string> protectedKeys;
  // Body of HKLM.reg after the REGEDIT4 header (keys and values).
  std::string reg;
  std::string current = "C:\\";
};

class EngineMachine {
 public:
  explicit EngineMachine(const MachineSpec& spec);
  ~EngineMachine();

  sim::SimMachine& Machine() { return *machine_; }
  CRegEdit& Engine() { return *engine_; }
  RecordingSheet& Sheet() { return sheet_; }
  TempImage& Image() { return image_; }

  bool KeyExists(const std::string& path) const;
  // The value's bytes, or nullopt-like empty with found=false.
  std::vector<std::uint8_t> Value(const std::string& path, const std::string& name, bool& found) const;
  // The work file's text as the engine left it on disk.
  std::string WorkFileText() const;

 private:
  TempImage image_;
  std::unique_ptr<sim::SimMachine> machine_;
  RecordingSheet sheet_;
  std::unique_ptr<CRegEdit> engine_;
};

}  // namespace zr::testing
