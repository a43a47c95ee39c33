#include "ui/tty/script_host.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "ui/tty/page_text.h"

namespace zr::tty {
namespace {

bool HasVisibleControl(const WizardRunner& runner, int id) {
  for (const res::Control& c : runner.ActiveDialog().controls)
    if (c.id == id && c.visible) return true;
  return false;
}

}  // namespace

// The program once more, on the same image, as a user would start it while
// this wizard runs: it must refuse the image at once (exit status 1).
bool ScriptHost::SecondStartEnds() {
  const std::string folder = session_.Machine().Folder().string();
  char program[] = "/proc/self/exe";
  std::vector<char*> argv = {program,
                             const_cast<char*>("--machine"),
                             const_cast<char*>(folder.c_str()),
                             const_cast<char*>("--script"),
                             const_cast<char*>("/dev/null"),
                             nullptr};
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
  out_ << (status == kExitExpectFailed ? "expect failed" : "script error") << ": line " << lineNumber_ << ": " << why
       << "\n";
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

bool ScriptHost::Execute(WizardRunner& runner, const script::Line& line) {
  out_ << "> " << line.text << "\n";
  if (runner.Closed()) return Fail(kExitScriptError, "the wizard has already closed");
  if (!line.command) return Fail(kExitScriptError, line.error);
  const script::Command& command = *line.command;

  auto button = [&](bool pressed, const char* name) {
    if (!pressed) return Fail(kExitScriptError, std::string("the ") + name + " button is not enabled");
    return true;
  };
  bool ok = true;
  switch (command.verb) {
    case script::Verb::kNext:
      ok = button(runner.Next(), "Next");
      break;
    case script::Verb::kBack:
      ok = button(runner.Back(), "Back");
      break;
    case script::Verb::kFinish:
      ok = button(runner.Finish(), "Finish");
      break;
    case script::Verb::kCancel:
      runner.Cancel();
      break;
    case script::Verb::kCheck:
    case script::Verb::kUncheck:
      if (!runner.SetCheck(command.number, command.verb == script::Verb::kCheck))
        return Fail(kExitScriptError, script::BadArgument(command));
      focusOnPage_ = true;  // as a click leaves it
      break;
    case script::Verb::kSelect:
      if (!runner.SelectRadio(command.number)) return Fail(kExitScriptError, script::BadArgument(command));
      focusOnPage_ = true;
      break;
    case script::Verb::kKey:
      // A key on one of the sheet's buttons never reaches the page.
      if (focusOnPage_) runner.KeyDown(static_cast<unsigned>(command.number));
      break;
    case script::Verb::kFocus:
      if (command.number > 0 && !HasVisibleControl(runner, command.number))
        return Fail(kExitScriptError, script::BadArgument(command));
      focusOnPage_ = command.number != script::kFocusSheetButton;
      break;
    case script::Verb::kStartAgain:
      if (!SecondStartEnds()) return Fail(kExitScriptError, "a second start on this image did not end at once");
      out_ << kSecondStartLine << "\n";
      break;
    case script::Verb::kTick:
      for (int i = 0; i < command.number && !runner.Closed(); ++i) runner.Tick();
      break;
    case script::Verb::kPlug: {
      std::string error;
      if (!session_.Machine().Plug(error)) return Fail(kExitScriptError, error);
      break;
    }
    case script::Verb::kExpect:
      if (!PageShows(runner, command.argument))
        return Fail(kExitExpectFailed, "the page does not show '" + command.argument + "'");
      break;
  }
  if (ok) AfterStep(runner);
  return ok;
}

void ScriptHost::RunModal(CDrvSheet& sheet) {
  WizardRunner runner(sheet, *this);
  runner.Start();
  AfterStep(runner);
  script::Reader reader(script_);
  script::Line line;
  while (reader.Next(line)) {
    lineNumber_ = line.number;
    if (!Execute(runner, line)) return;
  }
  lineNumber_ = reader.LinesRead();
  if (!runner.Closed()) Fail(kExitScriptError, "the script ended while the wizard is still open");
}

}  // namespace zr::tty
