#include "tests/scenario/scenario_image.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
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
  const std::string text = path.string();
  if (text.find('\'') != std::string::npos) throw std::runtime_error("path with a quote: " + text);
  return "'" + text + "'";
}

}  // namespace

ScratchImage::ScratchImage(std::string_view sample) {
  static std::atomic<int> counter{0};
  scratch_ = fs::temp_directory_path() /
             ("zr_scenario_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(scratch_);
  image_ = scratch_ / std::string(sample);
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
  for (const std::string& line : Lines(Slurp(image_ / "events.log"))) {
    const std::size_t space = line.find(' ');
    events.push_back(space == std::string::npos ? line : line.substr(space + 1));
  }
  return events;
}

std::string ScratchImage::ReadFile(const std::string& relative) const { return Slurp(image_ / relative); }

void ScratchImage::WriteFile(const std::string& relative, const std::string& bytes) const {
  std::ofstream out(image_ / relative, std::ios::binary | std::ios::trunc);
  out << bytes;
}

RunResult RunProgram(const ScratchImage& image, std::string_view script) {
  static std::atomic<int> counter{0};
  const std::string run = "run" + std::to_string(counter++);
  const fs::path scriptPath = image.Scratch() / (run + ".script");
  const fs::path outPath = image.Scratch() / (run + ".out");
  const fs::path errPath = image.Scratch() / (run + ".err");
  {
    std::ofstream out(scriptPath, std::ios::binary | std::ios::trunc);
    out << script;
  }
  const std::string command = Quoted(ZR_PROGRAM) + " --machine " + Quoted(image.Folder()) + " --script " +
                              Quoted(scriptPath) + " </dev/null >" + Quoted(outPath) + " 2>" + Quoted(errPath);
  const int raw = std::system(command.c_str());
  RunResult result;
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  return result;
}

std::string ScriptFile(std::string_view name) {
  const fs::path path = fs::path(ZR_SOURCE_DIR) / "tests" / "scenario" / "scripts" / (std::string(name) + ".script");
  if (!fs::exists(path)) throw std::runtime_error("no script " + path.string());
  return Slurp(path);
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> PageAfter(const std::string& out, std::string_view command, int occurrence) {
  const std::string echo = "> " + std::string(command);
  std::vector<std::string> page;
  bool inside = false;
  for (const std::string& line : Lines(out)) {
    if (inside && line.rfind("> ", 0) == 0) break;
    if (inside) page.push_back(line);
    if (!inside && line == echo && occurrence-- == 0) inside = true;
  }
  return page;
}

bool Contains(const std::vector<std::string>& lines, std::string_view text) {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

std::string TestName(std::string_view image) {
  std::string name;
  for (char c : image) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

}  // namespace zr::scenario
