#include "tests/scenario/scenario_image.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "platform/sim/machine.h"

namespace fs = std::filesystem;

namespace zr::scenario {
namespace {

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The shell reads the path literally between single quotes; none of our
// paths holds one.
std::string Quoted(const fs::path& path) {
  if (path.string().find('\'') != std::string::npos) throw std::runtime_error("path with a quote: " + path.string());
  return "'" + path.string() + "'";
}

std::string Unique() {
  static std::atomic<int> counter{0};
  return std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

}  // namespace

ScratchImage::ScratchImage(std::string_view sample)
    : scratch_(fs::temp_directory_path() / ("zr_scenario_" + Unique())), image_(scratch_ / std::string(sample)) {
  fs::remove_all(scratch_);
  fs::create_directories(scratch_);
  fs::copy(fs::path(ZR_SOURCE_DIR) / "machines" / std::string(sample), image_, fs::copy_options::recursive);
}

ScratchImage::~ScratchImage() {
  std::error_code ec;
  // The simulation maps the read-only attribute onto the owner-write bit.
  for (auto& entry : fs::recursive_directory_iterator(scratch_, ec))
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(scratch_, ec);
}

testing::MachineSnapshot ScratchImage::Snapshot() const {
  std::string error;
  auto machine = sim::SimMachine::Load(image_, error);
  if (!machine) throw std::runtime_error("the image does not load: " + error);
  return testing::MachineSnapshot::Take(machine->Tree(), image_);
}

std::vector<std::string> ScratchImage::Events() const {
  std::vector<std::string> events;
  for (const std::string& line : Lines(Slurp(image_ / "events.log"))) events.push_back(line.substr(line.find(' ') + 1));
  return events;
}

std::string ScratchImage::ReadFile(const std::string& relative) const { return Slurp(image_ / relative); }

void ScratchImage::WriteFile(const std::string& relative, const std::string& bytes) const {
  std::ofstream(image_ / relative, std::ios::binary | std::ios::trunc) << bytes;
}

RunResult RunProgram(const ScratchImage& image, std::string_view script, std::string_view mode,
                     std::string_view extra) {
  const std::string run = (image.Scratch() / ("run" + Unique())).string();
  std::ofstream(run + ".script", std::ios::binary) << script;
  const std::string command = Quoted(ZR_PROGRAM) + " --machine " + Quoted(image.Folder()) +
                              (mode.empty() ? "" : " --mode " + Quoted(std::string(mode))) + " " + std::string(extra) +
                              " --script " + Quoted(run + ".script") + " </dev/null >" + Quoted(run + ".out") + " 2>" +
                              Quoted(run + ".err");
  const int raw = std::system(command.c_str());
  return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(run + ".out"), Slurp(run + ".err")};
}

std::string ScriptFile(std::string_view name) {
  const fs::path path = fs::path(ZR_SOURCE_DIR) / "tests/scenario/cases" / (std::string(name) + ".case");
  return fs::exists(path) ? Slurp(path) : throw std::runtime_error("no script " + path.string());
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
  return lines;
}

std::vector<std::string> PageAfter(const std::string& out, std::string_view command, int occurrence) {
  const std::string echo = "> " + std::string(command);
  std::vector<std::string> page;
  bool inside = false;
  for (const std::string& line : Lines(out)) {
    if (inside && line.rfind("> ", 0) == 0) break;
    if (inside) page.push_back(line);
    inside = inside || (line == echo && occurrence-- == 0);
  }
  return page;
}

bool Contains(const std::vector<std::string>& lines, std::string_view text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != line.npos; });
}

}  // namespace zr::scenario
