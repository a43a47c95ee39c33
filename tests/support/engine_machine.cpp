#include "tests/support/engine_machine.h"

#include <stdexcept>

namespace zr::testing {

EngineMachine::EngineMachine(const MachineSpec& spec) {
  std::string ini = spec.win98 ? TempImage::Win98Ini() : TempImage::XpIni();
  ini.replace(ini.find("current=C:\\\n"), 12, "current=" + spec.current + "\n");
  ini.replace(ini.find("admin=1"), 7, spec.admin ? "admin=1" : "admin=0");
  if (!spec.protectedKeys.empty()) {
    ini += "[protected]\n";
    for (std::size_t i = 0; i < spec.protectedKeys.size(); ++i)
      ini += "key" + std::to_string(i + 1) + "=" + spec.protectedKeys[i] + "\n";
  }
  image_.Write("machine.ini", ini);
  image_.Write("HKLM.reg", "REGEDIT4\r\n\r\n" + spec.reg + "\r\n");
  std::string error;
  machine_ = sim::SimMachine::Load(image_.Folder(), error);
  if (!machine_) throw std::runtime_error(error);
  engine_ = std::make_unique<CRegEdit>(*machine_);
  engine_->Wizard().m_hSheetWnd = &sheet_;
}

EngineMachine::~EngineMachine() = default;

bool EngineMachine::KeyExists(const std::string& path) const { return machine_->Tree().Find(path) != nullptr; }

std::vector<std::uint8_t> EngineMachine::Value(const std::string& path, const std::string& name, bool& found) const {
  found = false;
  auto key = machine_->Tree().Find(path);
  if (!key) return {};
  const sim::RegValue* value = key->FindValue(machine_->Tree().Fold(name));
  if (value == nullptr) return {};
  found = true;
  return value->data;
}

std::string EngineMachine::WorkFileText() const {
  return image_.Read("drive_c/" + std::string(machine_->Config().windowsDir.substr(3)) + "/tvk_temp.dat");
}

}  // namespace zr::testing
