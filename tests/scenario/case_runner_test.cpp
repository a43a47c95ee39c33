// Runs every case of tests/scenario/cases through the Linux program. A case
// file is a script of the scripted mode whose comment lines carry the case:
//
//   #image winxp-modem        the sample image under machines/ to start from
//   #mode install             the program's --mode (default: the uninstall wizard)
//   #ini admin=0              a [system] line of machine.ini, replaced or added
//   #reg <line>               a line of REGEDIT4 text merged into the registry
//   #file <path>=<bytes>      a file below the image (\r \n \t \\ \xNN escapes);
//                             without "=" the file is deleted
//   #readonly <path>          that file of the image is read-only
//   #status 3                 the exit status (default 0)
//   #- / #+ / #~ <change>     the run's changes, one line each, as the
//                             snapshot lists them (a key tree counts once);
//                             "#+ file A < B": A came with the bytes of B
//   #event <line>             the lines of events.log, in order
//   #shows / #hides <text>    a transcript line does / no line does contain it;
//                             the #shows texts appear in the order listed
//   #line <text>              a transcript line is exactly it (blanks trimmed)
//
// Any other line starting with "#" is a comment; the rest is the script,
// which the Windows program under Wine runs from the same file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "platform/sim/machine.h"
#include "tests/support/machine_snapshot.h"

namespace zr::scenario {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Lines SplitLines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
  return lines;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'x' && i + 2 < text.size() + 1) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
  }
  return out;
}

struct Case {
  fs::path file;
  std::map<std::string, Lines> lines;  // by directive: "image", "-", "event", ...
  Lines changes;                       // "-", "+" and "~" lines, in order

  static Case Read(const fs::path& file) {
    Case c{file, {}, {}};
    for (const std::string& line : SplitLines(Slurp(file))) {
      if (line.size() < 2 || line[0] != '#' || line[1] == ' ') continue;
      const std::size_t space = line.find(' ');
      const std::string word = line.substr(1, space - 1), value = space == line.npos ? "" : line.substr(space + 1);
      if (word == "-" || word == "+" || word == "~") c.changes.push_back(word + " " + value);
      c.lines[word].push_back(value);
    }
    return c;
  }
  const Lines& operator[](const std::string& word) const {
    static const Lines kNone;
    auto it = lines.find(word);
    return it == lines.end() ? kNone : it->second;
  }
  std::string One(const std::string& word) const { return (*this)[word].empty() ? "" : (*this)[word].front(); }
};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const auto& entry : fs::directory_iterator(fs::path(ZR_SOURCE_DIR) / "tests/scenario/cases"))
    if (entry.path().extension() == ".case") cases.push_back(Case::Read(entry.path()));
  std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) { return a.file < b.file; });
  return cases;
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.file.filename().string(); }

// A copy of the case's image with its overlay, in a scratch folder.
class CaseImage {
 public:
  explicit CaseImage(const Case& c)
      : folder_(fs::temp_directory_path() / ("zr_case_" + std::to_string(::getpid()) + "_" + c.file.stem().string())) {
    fs::remove_all(folder_);
    fs::copy(fs::path(ZR_SOURCE_DIR) / "machines" / c.One("image"), folder_, fs::copy_options::recursive);
    for (const std::string& line : c["ini"]) SetIniLine(line);
    for (const std::string& spec : c["file"]) {
      const std::size_t eq = spec.find('=');
      const fs::path path = folder_ / spec.substr(0, eq);
      if (eq == std::string::npos) {
        fs::remove(path);
        continue;
      }
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary | std::ios::trunc) << Unescape(spec.substr(eq + 1));
    }
    if (!c["reg"].empty()) MergeReg(c["reg"]);
    for (const std::string& path : c["readonly"])
      fs::permissions(folder_ / path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                      fs::perm_options::remove);
    fs::remove(folder_ / "events.log");
  }
  ~CaseImage() {
    std::error_code ec;
    // The simulation maps the read-only attribute onto the owner-write bit.
    for (auto& entry : fs::recursive_directory_iterator(folder_, ec))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(folder_, ec);
  }
  const fs::path& Folder() const { return folder_; }

  testing::MachineSnapshot Snapshot() const {
    std::string error;
    auto machine = sim::SimMachine::Load(folder_, error);
    if (!machine) throw std::runtime_error("the image does not load: " + error);
    return testing::MachineSnapshot::Take(machine->Tree(), folder_);
  }

 private:
  void SetIniLine(const std::string& line) {
    const std::string name = line.substr(0, line.find('=') + 1);
    Lines ini = SplitLines(Slurp(folder_ / "machine.ini"));
    auto it = std::find_if(ini.begin(), ini.end(), [&](const std::string& l) { return l.rfind(name, 0) == 0; });
    if (it != ini.end())
      *it = line;
    else
      ini.insert(std::find(ini.begin(), ini.end(), "[system]") + 1, line);
    std::ofstream out(folder_ / "machine.ini", std::ios::binary | std::ios::trunc);
    for (const std::string& l : ini) out << l << "\n";
  }
  // Merged as plugging a device in merges plug.reg, which stays as it was.
  void MergeReg(const Lines& reg) {
    const fs::path plug = folder_ / "plug.reg", aside = folder_ / "plug.reg.aside";
    if (fs::exists(plug)) fs::rename(plug, aside);
    std::ofstream out(plug, std::ios::binary);
    out << "REGEDIT4\r\n\r\n";
    for (const std::string& line : reg) out << line << "\r\n";
    out.close();
    std::string error;
    auto machine = sim::SimMachine::Load(folder_, error);
    if (!machine || !machine->Plug(error) || !machine->Save(error)) throw std::runtime_error("overlay: " + error);
    fs::remove(plug);
    if (fs::exists(aside)) fs::rename(aside, plug);
  }

  fs::path folder_;
};

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome RunProgram(const CaseImage& image, const Case& c) {
  const fs::path out = image.Folder().string() + ".out", err = image.Folder().string() + ".err";
  const std::string command = std::string("'") + ZR_PROGRAM + "' --machine '" + image.Folder().string() + "'" +
                              (c.One("mode").empty() ? "" : " --mode " + c.One("mode")) + " --script '" +
                              c.file.string() + "' </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  Outcome run{raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}

Lines Sorted(Lines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

class Scenario : public ::testing::TestWithParam<Case> {};

TEST_P(Scenario, RunsAsWritten) {
  const Case& c = GetParam();
  CaseImage image(c);
  const std::string regBefore = Slurp(image.Folder() / "HKLM.reg");
  // An image that does not load has nothing to compare but its bytes.
  std::optional<testing::MachineSnapshot> before;
  const int status = c.One("status").empty() ? 0 : std::stoi(c.One("status"));
  if (status != 1) before = image.Snapshot();
  const Outcome run = RunProgram(image, c);
  EXPECT_EQ(run.status, status) << run.out << run.err;

  Lines changes;
  for (std::string line : c.changes) {
    if (const std::size_t from = line.find(" < "); from != std::string::npos) {
      const fs::path drive = image.Folder() / "drive_c";
      EXPECT_EQ(Slurp(drive / line.substr(7, from - 7)), Slurp(drive / line.substr(from + 3))) << line;
      line.resize(from);
    }
    changes.push_back(line);
  }
  if (before) {
    const Lines actual = SplitLines(before->DifferencesFrom(image.Snapshot()));
    std::string asCase;
    for (const std::string& line : actual) asCase += "#" + line + "\n";
    EXPECT_EQ(Sorted(actual), Sorted(changes)) << "the run's changes as case lines:\n" << asCase;
  }
  const bool registryChanges = std::any_of(c.changes.begin(), c.changes.end(), [](const std::string& line) {
    return line.find(" file ") == std::string::npos && line.find(" read-only ") == std::string::npos;
  });
  if (!registryChanges) {
    EXPECT_TRUE(Slurp(image.Folder() / "HKLM.reg") == regBefore) << "HKLM.reg is written back byte for byte";
  }

  Lines events;
  for (const std::string& line : SplitLines(Slurp(image.Folder() / "events.log")))
    events.push_back(line.substr(line.find(' ') + 1));
  EXPECT_EQ(events, c["event"]);

  const Lines transcript = SplitLines(run.out + run.err);
  const auto containing = [&](auto from, const std::string& text) {
    return std::find_if(from, transcript.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
  };
  const auto contains = [&](const std::string& text) {
    return containing(transcript.begin(), text) != transcript.end();
  };
  auto shown = transcript.begin();
  for (const std::string& text : c["shows"]) {
    const auto at = containing(shown, text);
    EXPECT_NE(at, transcript.end()) << "shows, in this order: " << text << "\n" << run.out;
    if (at != transcript.end()) shown = at + 1;
  }
  for (const std::string& text : c["hides"]) EXPECT_FALSE(contains(text)) << "hides: " << text << "\n" << run.out;
  for (const std::string& text : c["line"])
    EXPECT_TRUE(
        std::any_of(transcript.begin(), transcript.end(), [&](const std::string& l) { return Trim(l) == text; }))
        << "line: " << text << "\n"
        << run.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, Scenario, ::testing::ValuesIn(AllCases()), [](const auto& info) {
  std::string name = info.param.file.stem().string();
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

}  // namespace
}  // namespace zr::scenario
