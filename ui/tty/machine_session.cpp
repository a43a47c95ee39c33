#include "ui/tty/machine_session.h"

#include "platform/text/codepage.h"

namespace zr::tty {

std::string MachineSession::SaveIfChanged() {
  // A machine without an image folder (an installed Windows's hives) is
  // committed once, by its owner, when the run is over.
  if (!machine_.Dirty() || machine_.Folder().empty()) return {};
  std::string error;
  return machine_.Save(error) ? std::string() : error;
}

std::vector<std::string> MachineSession::NewEvents() {
  const auto& events = machine_.Events();
  std::vector<std::string> fresh(events.begin() + static_cast<std::ptrdiff_t>(seen_), events.end());
  seen_ = events.size();
  return fresh;
}

void MachineSession::RecordMessageBox(std::string_view caption, std::string_view text) {
  const unsigned codePage = machine_.Config().codePage;
  machine_.RecordMessageBox(text::FromUtf8(caption, codePage), text::FromUtf8(text, codePage));
}

bool MachineSession::RestartRequested() const {
  for (const std::string& event : machine_.Events())
    if (event.rfind("restart requested", 0) == 0) return true;
  return false;
}

}  // namespace zr::tty
