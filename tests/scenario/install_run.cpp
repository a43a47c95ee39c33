#include "tests/scenario/install_run.h"

#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "platform/sim/machine.h"
#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace zr::scenario {
namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Between single quotes the shell takes everything literally but a quote.
std::string ShellWord(const std::string& text) {
  if (text.find('\'') != std::string::npos) throw std::runtime_error("path with a quote: " + text);
  return "'" + text + "'";
}

std::unique_ptr<sim::SimMachine> LoadImage(const fs::path& folder) {
  std::string error;
  auto machine = sim::SimMachine::Load(folder, error);
  if (!machine) throw std::runtime_error("the image does not load: " + error);
  return machine;
}

}  // namespace

RunResult RunInMode(const ScratchImage& image, std::string_view mode, std::string_view script) {
  static std::atomic<int> counter{0};
  const std::string run = "install" + std::to_string(counter++);
  const fs::path scriptPath = image.Scratch() / (run + ".script");
  const fs::path outPath = image.Scratch() / (run + ".out");
  const fs::path errPath = image.Scratch() / (run + ".err");
  std::ofstream(scriptPath, std::ios::binary | std::ios::trunc) << script;
  const std::string command = ShellWord(ZR_PROGRAM) + " --machine " + ShellWord(image.Folder().string()) +
                              " --mode " + ShellWord(std::string(mode)) + " --script " +
                              ShellWord(scriptPath.string()) + " </dev/null >" + ShellWord(outPath.string()) +
                              " 2>" + ShellWord(errPath.string());
  const int raw = std::system(command.c_str());
  RunResult result;
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  return result;
}

testing::MachineSnapshot PluggedSnapshot(std::string_view sample) {
  ScratchImage image(sample);
  auto machine = LoadImage(image.Folder());
  std::string error;
  if (!machine->Plug(error)) throw std::runtime_error(error);
  return testing::MachineSnapshot::Take(machine->Tree(), image.Folder());
}

std::string WindowsFile(const ScratchImage& image, std::string_view path) {
  auto machine = LoadImage(image.Folder());
  std::vector<std::uint8_t> bytes;
  if (machine->Files().ReadWholeFile(path, bytes) != win::kSuccess) return "<missing>";
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace zr::scenario
