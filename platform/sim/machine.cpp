#include "platform/sim/machine.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "platform/sim/atomic_file.h"
#include "platform/sim/host_path.h"
#include "platform/sim/machine_ini.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system.h"
#include "platform/text/codepage.h"

namespace fs = std::filesystem;

namespace zr::sim {
namespace {

constexpr unsigned kUtf8CodePage = 65001;

bool ReadFile(const fs::path& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Each Windows path the machine names must lie on a drive the image has.
bool CheckDrive(const fs::path& folder, const std::string& windowsPath, const char* key, std::string& error) {
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  const fs::path drive = folder / (std::string("drive_") + letter);
  std::error_code ec;
  if (fs::is_directory(drive, ec)) return true;
  error = (folder / "machine.ini").string() + ": '" + key + "' names drive " +
          static_cast<char>(std::toupper(static_cast<unsigned char>(letter))) + ": but the image has no folder " +
          drive.filename().string();
  return false;
}

bool ParseRegInto(const fs::path& path, RegTree& tree, RegFormat& format, std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!ReadFile(path, bytes)) {
    error = path.string() + ": cannot be read";
    return false;
  }
  RegParseError parseError;
  if (!ParseRegFile(bytes, tree, format, parseError)) {
    error = path.string() + (parseError.line ? ":" + std::to_string(parseError.line) : std::string()) + ": " +
            parseError.message;
    return false;
  }
  return true;
}

// Every name below the drive folders must be one a Windows machine can
// hold and the ANSI calls can reach: text the code page holds unchanged,
// no character Windows refuses in a name, no two names in one folder that
// differ only in letter case (Windows would see one file).
bool CheckDriveNames(const fs::path& folder, unsigned codePage, std::string& error) {
  std::error_code ec;
  for (const fs::directory_entry& drive : fs::directory_iterator(folder, ec)) {
    const std::string driveName = drive.path().filename().string();
    if (!drive.is_directory(ec) || driveName.size() != 7 || driveName.rfind("drive_", 0) != 0) continue;
    std::vector<fs::path> folders{drive.path()};
    while (!folders.empty()) {
      const fs::path current = folders.back();
      folders.pop_back();
      std::map<std::u16string, std::string> seen;
      for (const fs::directory_entry& entry : fs::directory_iterator(current, ec)) {
        const std::string name = entry.path().filename().string();
        const std::string where = entry.path().string() + ": ";
        if (text::ToUtf8(text::FromUtf8(name, codePage), codePage) != name) {
          error = where + "the name is no text that code page " + std::to_string(codePage) + " holds unchanged";
          return false;
        }
        if (name.find_first_of("<>:\"|?*\\") != std::string::npos ||
            std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
          error = where + "the name holds a character Windows does not allow in file names";
          return false;
        }
        const auto [other, added] = seen.emplace(FoldName(name, kUtf8CodePage), name);
        if (!added) {
          error = where;
          error.append("the names '").append(other->second).append("' and '").append(name);
          error += "' differ only in letter case";
          return false;
        }
        if (entry.is_directory(ec) && !entry.is_symlink(ec)) folders.push_back(entry.path());
      }
    }
  }
  return true;
}

}  // namespace

SimMachine::SimMachine(fs::path folder, MachineConfig config, RegTree tree, RegFormat format)
    : folder_(std::move(folder)), config_(std::move(config)), tree_(std::move(tree)), format_(format) {
  for (const std::string& path : config_.protectedKeys) AddProtectedFold(path);
  for (const std::string& path : config_.replacedKeys) {
    if (auto key = tree_.Find(path)) key->SetAccessListReplaced(true);
  }
  registry_ = std::make_unique<SimRegistry>(*this);
  files_ = std::make_unique<SimFiles>(HostPathResolver(folder_, config_.codePage, config_.currentDir));
  system_ = std::make_unique<SimSystem>(*this);
}

SimMachine::~SimMachine() = default;

std::unique_ptr<SimMachine> SimMachine::Assemble(MachineConfig config, RegTree tree, const HostPathResolver& files) {
  std::unique_ptr<SimMachine> machine(new SimMachine({}, std::move(config), std::move(tree), RegFormat::Version5));
  machine->files_ = std::make_unique<SimFiles>(files);
  return machine;
}

std::unique_ptr<SimMachine> SimMachine::Load(const fs::path& folder, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = folder.string() + ": no such machine image folder";
    return nullptr;
  }
  std::vector<std::uint8_t> iniBytes;
  if (!ReadFile(folder / "machine.ini", iniBytes)) {
    error = (folder / "machine.ini").string() + ": cannot be read";
    return nullptr;
  }
  MachineConfig config;
  std::string iniError;
  if (!ParseMachineIni(std::string_view(reinterpret_cast<const char*>(iniBytes.data()), iniBytes.size()), config,
                       iniError)) {
    error = (folder / "").string() + iniError;
    return nullptr;
  }
  if (!CheckDrive(folder, config.windowsDir, "windows", error) ||
      !CheckDrive(folder, config.systemDir, "system", error) ||
      !CheckDrive(folder, config.currentDir, "current", error))
    return nullptr;
  RegTree tree(config.codePage);
  RegFormat format = RegFormat::Regedit4;
  if (!ParseRegInto(folder / "HKLM.reg", tree, format, error)) return nullptr;
  // plug.reg is merged only when the device is plugged in; a bad one is
  // refused now, before the run has changed anything.
  if (fs::exists(folder / "plug.reg", ec)) {
    RegTree plugged(config.codePage);
    RegFormat plugFormat = RegFormat::Regedit4;
    if (!ParseRegInto(folder / "plug.reg", plugged, plugFormat, error)) return nullptr;
  }
  if (!CheckDriveNames(folder, config.codePage, error)) return nullptr;
  return std::unique_ptr<SimMachine>(new SimMachine(folder, std::move(config), std::move(tree), format));
}

IRegistry& SimMachine::Registry() { return *registry_; }
IKeyCreator& SimMachine::KeyCreator() { return *registry_; }
IFiles& SimMachine::Files() { return *files_; }
ISystemInfo& SimMachine::System() { return *system_; }
IPower& SimMachine::Power() { return *system_; }

bool SimMachine::Dirty() const { return dirty_ || configDirty_; }
void SimMachine::MarkDirty() { dirty_ = true; }
long SimMachine::OpenHandles() const { return registry_->OpenHandles(); }

void SimMachine::SetSaveHook(AtomicStepHook hook) { saveHook_ = std::move(hook); }

bool SimMachine::Save(std::string& error) {
  if (folder_.empty()) {
    error = "this machine has no image folder to be saved in";
    return false;
  }
  if (dirty_) {
    if (!WriteFileAtomically(folder_ / "HKLM.reg", WriteRegFile(tree_, format_), error, saveHook_)) return false;
    dirty_ = false;
  }
  if (configDirty_) {
    // Only keys that still exist keep their replaced list; one made again
    // later under a deleted key's name starts with the list it inherits.
    std::vector<std::string> kept;
    for (const std::string& path : config_.replacedKeys) {
      auto key = tree_.Find(path);
      if (key && key->AccessListReplaced()) kept.push_back(path);
    }
    config_.replacedKeys = std::move(kept);
    std::vector<std::uint8_t> ini;
    if (!ReadFile(folder_ / "machine.ini", ini)) {
      error = (folder_ / "machine.ini").string() + ": cannot be read";
      return false;
    }
    const std::string text =
        WithReplacedSection(std::string_view(reinterpret_cast<const char*>(ini.data()), ini.size()), config_);
    if (!WriteFileAtomically(folder_ / "machine.ini", std::vector<std::uint8_t>(text.begin(), text.end()), error,
                             saveHook_))
      return false;
    configDirty_ = false;
  }
  return true;
}

bool SimMachine::Plug(std::string& error) {
  if (folder_.empty()) {
    error = "this machine has no image folder, so no plug.reg";
    return false;
  }
  const fs::path plug = folder_ / "plug.reg";
  std::error_code ec;
  if (!fs::is_regular_file(plug, ec)) {
    error = plug.string() + ": this image has no plug.reg";
    return false;
  }
  // Read once on its own first, so that a malformed file changes nothing;
  // then merged into the live tree, so that open handles stay valid.
  RegTree scratch(tree_.CodePage());
  RegFormat format = RegFormat::Regedit4;
  if (!ParseRegInto(plug, scratch, format, error)) return false;
  if (!ParseRegInto(plug, tree_, format, error)) return false;
  dirty_ = true;
  LogEvent("device plugged in (plug.reg merged)");
  return true;
}

void SimMachine::LogEvent(std::string_view line) {
  events_.emplace_back(line);
  if (folder_.empty()) return;
  std::ofstream log(folder_ / "events.log", std::ios::app | std::ios::binary);
  char stamp[32] = {};
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  log << stamp << ' ' << line << '\n';
}

void SimMachine::RecordMessageBox(std::string_view caption, std::string_view text) {
  std::string line = "message box [";
  line += text::ToUtf8(caption, config_.codePage);
  line += "] ";
  for (char c : text::ToUtf8(text, config_.codePage)) {
    if (c == '\r') continue;
    line += c == '\n' ? std::string("\\n") : std::string(1, c);
  }
  LogEvent(line);
}

bool SimMachine::IsProtected(const RegKey& key, std::string_view path) const {
  if (key.AccessListReplaced() || protectedFolds_.empty()) return false;
  const std::u16string fold = tree_.Fold(path);
  for (const std::u16string& normal : protectedFolds_) {
    if (fold.size() >= normal.size() && fold.compare(0, normal.size(), normal) == 0 &&
        (fold.size() == normal.size() || fold[normal.size()] == u'\\'))
      return true;
  }
  return false;
}

void SimMachine::AddProtectedFold(std::string_view path) {
  std::string normal;
  for (std::string_view part : SplitRegPath(path, tree_.CodePage())) {
    if (!normal.empty()) normal += '\\';
    normal.append(part);
  }
  protectedFolds_.push_back(tree_.Fold(normal));
}

void SimMachine::Protect(std::string_view path) {
  config_.protectedKeys.emplace_back(path);
  AddProtectedFold(path);
}

void SimMachine::MarkAccessListReplaced(RegKey& key, std::string_view path) {
  if (key.AccessListReplaced()) return;
  key.SetAccessListReplaced(true);
  config_.replacedKeys.emplace_back(path);
  configDirty_ = true;
}

}  // namespace zr::sim
