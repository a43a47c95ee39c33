// A sample machine image for the fuzz targets that run the engine: copied
// once into a scratch folder, and put back from that copy before every
// input, so that each input starts from the same machine.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/sim/machine.h"

namespace zr::fuzz {

class FuzzImage {
 public:
  explicit FuzzImage(const std::string& sample)
      : base_(std::filesystem::temp_directory_path() / ("zr-fuzz-" + sample)) {
    std::filesystem::remove_all(base_);
    std::filesystem::create_directories(base_);
    std::filesystem::copy(std::filesystem::path(ZR_SOURCE_DIR) / "machines" / sample, base_ / "pristine",
                          std::filesystem::copy_options::recursive);
  }

  // A fresh copy, loaded.
  std::unique_ptr<sim::SimMachine> Fresh() {
    std::filesystem::remove_all(Folder());
    std::filesystem::copy(base_ / "pristine", Folder(), std::filesystem::copy_options::recursive);
    std::string error;
    auto machine = sim::SimMachine::Load(Folder(), error);
    if (!machine) throw std::runtime_error(error);
    return machine;
  }
  std::filesystem::path Folder() const { return base_ / "run"; }

 private:
  std::filesystem::path base_;
};

}  // namespace zr::fuzz
