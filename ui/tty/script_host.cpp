#include "ui/tty/script_host.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <sstream>
#include <vector>

#include "ui/tty/page_text.h"

namespace zr::tty {
namespace {

std::string Trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool ParseControlId(const std::string& text, int& id) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  id = std::stoi(text);
  return true;
}

bool HasVisibleControl(const WizardRunner& runner, int id) {
  for (const res::Control& c : runner.ActiveDialog().controls)
    if (c.id == id && c.visible) return true;
  return false;
}

}  // namespace

bool ParseKey(const std::string& name, unsigned& virtualKey) {
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    virtualKey = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(name[0])));
    return true;
  }
  if (name.size() > 2 && name.size() <= 6 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
    unsigned value = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
      value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
    }
    if (value > 0xFF) return false;
    virtualKey = value;
    return true;
  }
  return false;
}

// The program once more, on the same image, as a user would start it while
// this wizard runs: it must refuse the image at once (exit status 1).
bool ScriptHost::SecondStartEnds() {
  const std::string folder = session_.Machine().Folder().string();
  char program[] = "/proc/self/exe";
  std::vector<char*> argv = {program, const_cast<char*>("--machine"), const_cast<char*>(folder.c_str()),
                             const_cast<char*>("--script"), const_cast<char*>("/dev/null"), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program, &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  int status = 0;
  return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == kExitImage;
}

void ScriptHost::ShowMessage(std::string_view text, std::string_view caption, MessageIcon) {
  session_.RecordMessageBox(caption, text);
  std::string flat(text);
  for (std::size_t at; (at = flat.find("\r\n")) != std::string::npos;) flat.replace(at, 2, " / ");
  out_ << "message box [" << caption << "] " << flat << "\n";
}

bool ScriptHost::Fail(int status, const std::string& why) {
  status_ = status;
  out_ << (status == kExitExpectFailed ? "expect failed" : "script error") << ": line " << lineNumber_ << ": "
       << why << "\n";
  return false;
}

void ScriptHost::AfterStep(WizardRunner& runner) {
  for (const std::string& event : session_.NewEvents()) {
    if (event.rfind("message box", 0) == 0) continue;  // printed as it was shown
    out_ << "event: " << event << "\n";
    if (event.rfind("restart requested", 0) == 0) out_ << kRestartLine << "\n";
  }
  const std::string error = session_.SaveIfChanged();
  if (!error.empty()) out_ << "warning: the machine image could not be saved: " << error << "\n";
  if (runner.Closed() && !runner.ShownBeforeClose()) {
    out_ << "=== the wizard has closed\n";
    return;
  }
  for (const std::string& line : RenderPage(runner)) out_ << line << "\n";
  if (runner.Closed()) out_ << "=== the wizard has closed\n";
}

bool ScriptHost::Execute(WizardRunner& runner, const std::string& raw) {
  const std::string line = Trim(raw);
  std::istringstream words(line);
  std::string command;
  words >> command;
  std::string argument;
  std::getline(words, argument);
  argument = Trim(argument);
  out_ << "> " << line << "\n";
  if (runner.Closed()) return Fail(kExitScriptError, "the wizard has already closed");

  auto button = [&](bool pressed, const char* name) {
    if (!pressed) return Fail(kExitScriptError, std::string("the ") + name + " button is not enabled");
    return true;
  };
  bool ok = true;
  if (command == "next") {
    ok = button(runner.Next(), "Next");
  } else if (command == "back") {
    ok = button(runner.Back(), "Back");
  } else if (command == "finish") {
    ok = button(runner.Finish(), "Finish");
  } else if (command == "cancel") {
    runner.Cancel();
  } else if (command == "check" || command == "uncheck") {
    int id = 0;
    if (!ParseControlId(argument, id) || !runner.SetCheck(id, command == "check"))
      return Fail(kExitScriptError, "no visible check box '" + argument + "' on this page");
    focusOnPage_ = true;  // as a click leaves it
  } else if (command == "select") {
    int id = 0;
    if (!ParseControlId(argument, id) || !runner.SelectRadio(id))
      return Fail(kExitScriptError, "no visible radio button '" + argument + "' on this page");
    focusOnPage_ = true;
  } else if (command == "key") {
    unsigned vk = 0;
    if (!ParseKey(argument, vk)) return Fail(kExitScriptError, "not a key: '" + argument + "'");
    // A key on one of the sheet's buttons never reaches the page.
    if (focusOnPage_) runner.KeyDown(vk);
  } else if (command == "focus") {
    int id = 0;
    if (argument == "page") {
      focusOnPage_ = true;
    } else if (argument == "back" || argument == "next" || argument == "finish" || argument == "cancel") {
      focusOnPage_ = false;
    } else if (ParseControlId(argument, id) && HasVisibleControl(runner, id)) {
      focusOnPage_ = true;
    } else {
      return Fail(kExitScriptError, "nothing to focus: '" + argument + "'");
    }
  } else if (command == "tick") {
    int count = 1;
    if (!argument.empty() && (!ParseControlId(argument, count) || count < 1 || count > 100000))
      return Fail(kExitScriptError, "not a tick count: '" + argument + "'");
    for (int i = 0; i < count && !runner.Closed(); ++i) runner.Tick();
  } else if (command == "start-again") {
    if (!SecondStartEnds()) return Fail(kExitScriptError, "a second start on this image did not end at once");
    out_ << kSecondStartLine << "\n";
  } else if (command == "plug") {
    std::string error;
    if (!session_.Machine().Plug(error)) return Fail(kExitScriptError, error);
  } else if (command == "expect") {
    if (!PageShows(runner, argument)) return Fail(kExitExpectFailed, "the page does not show '" + argument + "'");
  } else {
    return Fail(kExitScriptError, "unknown command '" + command + "'");
  }
  if (ok) AfterStep(runner);
  return ok;
}

void ScriptHost::RunModal(CDrvSheet& sheet) {
  WizardRunner runner(sheet, *this);
  runner.Start();
  AfterStep(runner);
  std::string line;
  while (std::getline(script_, line)) {
    ++lineNumber_;
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    if (!Execute(runner, trimmed)) return;
  }
  if (!runner.Closed()) Fail(kExitScriptError, "the script ended while the wizard is still open");
}

}  // namespace zr::tty
