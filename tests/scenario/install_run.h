// Install-side runs of the program: a wizard mode chosen on the command
// line, and the checks that need the simulation's view of an image (files
// by their Windows paths, the registry with plug.reg merged).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/scenario/scenario_image.h"
#include "tests/support/machine_snapshot.h"

namespace zr::scenario {

// Runs the program over the image with `--mode mode` and `script`.
RunResult RunInMode(const ScratchImage& image, std::string_view mode, std::string_view script);

// The sample image as it is after the device was plugged in: its registry
// with plug.reg merged, its files untouched.
testing::MachineSnapshot PluggedSnapshot(std::string_view sample);

// A file of the image by its Windows path ("C:\WINDOWS\inf\x.inf"), letter
// case ignored as on Windows; "<missing>" when there is none.
std::string WindowsFile(const ScratchImage& image, std::string_view path);

}  // namespace zr::scenario
