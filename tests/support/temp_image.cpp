#include "tests/support/temp_image.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/sim/machine.h"

namespace fs = std::filesystem;

namespace zr::testing {

TempImage::TempImage() {
  static std::atomic<int> counter{0};
  folder_ = fs::temp_directory_path() / ("zr_image_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(folder_);
  fs::create_directories(folder_ / "drive_c" / "WINDOWS" / "system32");
  fs::create_directories(folder_ / "drive_c" / "WINDOWS" / "SYSTEM");
  Write("machine.ini", XpIni());
  Write("HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n");
}

TempImage::~TempImage() {
  std::error_code ec;
  for (auto& entry : fs::recursive_directory_iterator(folder_, ec))
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(folder_, ec);
}

void TempImage::Write(const std::string& relative, const std::string& bytes) const {
  const fs::path path = folder_ / relative;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TempImage::Read(const std::string& relative) const {
  std::ifstream in(folder_ / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempImage::Plug(sim::SimMachine& machine, const std::string& regBody) const {
  Write("plug.reg", "REGEDIT4\r\n\r\n" + regBody);
  std::string error;
  if (!machine.Plug(error)) throw std::runtime_error(error);
}

std::string TempImage::XpIni() {
  return "[system]\nmajor=5\nminor=1\nbuild=2600\nplatform=2\ncsd=Service Pack 3\n"
         "windows=C:\\WINDOWS\nsystem=C:\\WINDOWS\\system32\ncurrent=C:\\\ncodepage=932\nadmin=1\n";
}

}  // namespace zr::testing
