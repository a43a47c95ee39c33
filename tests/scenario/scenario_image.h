// Whole wizard runs over the sample machine images: an image copied into a
// scratch folder, the Linux program run over the copy with a script, and
// what the run left in the copy.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/machine_snapshot.h"

namespace zr::scenario {

// A copy of machines/<sample> in a fresh scratch folder, removed afterwards.
class ScratchImage {
 public:
  explicit ScratchImage(std::string_view sample);
  ~ScratchImage();
  ScratchImage(const ScratchImage&) = delete;

  // The image the program works on.
  const std::filesystem::path& Folder() const { return image_; }
  // A folder beside the image for scripts and captured output.
  const std::filesystem::path& Scratch() const { return scratch_; }

  // Registry and drive C: as they are now. Throws std::runtime_error when
  // the image no longer loads.
  testing::MachineSnapshot Snapshot() const;
  // The lines of events.log without their time stamps.
  std::vector<std::string> Events() const;
  std::string ReadFile(const std::string& relative) const;
  void WriteFile(const std::string& relative, const std::string& bytes) const;

 private:
  std::filesystem::path scratch_;
  std::filesystem::path image_;
};

struct RunResult {
  int status = -1;  // the program's exit status; -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs the program over the image with `script` as its script file, with
// `--mode mode` unless `mode` is empty, and with the options in `extra`.
RunResult RunProgram(const ScratchImage& image, std::string_view script, std::string_view mode = {},
                     std::string_view extra = {});

// tests/scenario/cases/<name>.case (a case file is a script)
std::string ScriptFile(std::string_view name);

// The lines of `text` (without line ends).
std::vector<std::string> Lines(std::string_view text);

// The page header and control lines the program printed after the command
// `command` (the lines between "> command" and the next "> "), for the
// `occurrence`-th time that command was echoed (0-based).
std::vector<std::string> PageAfter(const std::string& out, std::string_view command, int occurrence = 0);

bool Contains(const std::vector<std::string>& lines, std::string_view text);

}  // namespace zr::scenario
