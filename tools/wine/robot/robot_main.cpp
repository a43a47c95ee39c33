// The robot: drives the Windows program's wizard from outside, as a user
// would, from the same script commands as the Linux program's scripted mode,
// and writes the same transcript (UTF-8), so that the two can be compared.
//
//   zr_robot --script FILE --transcript FILE --start EXE [--args "..."]
//            [--cwd DIR] [--plug REGFILE] [--shots DIR --shot-name NAME]
//
// It starts EXE (in DIR), waits for its sheet (found by caption string 102),
// prints the active page after the first activation and after every
// command, and ends the program if the script fails. Lines starting with
// "# " are the robot's own notes (window rectangle, exit code), not part of
// the comparison. Exit status as in the scripted mode: 0 the wizard ended,
// 2 a script error, 3 a failed expect; 4 when the program could not be
// started or showed no wizard.
//
// A restart request shows up as the end-session query that Wine's
// ExitWindowsEx sends to every process with a top-level window: the robot
// keeps a hidden window that records the query and refuses it, so that the
// session end stops at the robot (started before the program, so asked
// before it) and nothing is killed.
//
// With --shots, the robot asks for a screenshot of every page the first
// time it is shown: it writes DIR\NAME-NN-pageID.request and waits for the
// .png of the same name, which the harness makes (the X display is not
// reachable from inside Wine).
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/script_command.h"
#include "res/dialogs.h"
#include "wizard_view.h"

namespace robot {
namespace {

enum Status { kEnded = 0, kScriptError = 2, kExpectFailed = 3, kNoWizard = 4 };

struct Options {
  std::wstring script, transcript, exe, args, cwd, plug, shots, shotName;
};

class Transcript {
 public:
  bool Open(const std::wstring& path) {
    file_ = _wfopen(path.c_str(), L"wb");
    return file_ != nullptr;
  }
  ~Transcript() {
    if (file_ != nullptr) std::fclose(file_);
  }
  void Line(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
  std::mutex mutex_;
};

// The hidden window that notices a session end.
class Witness {
 public:
  void Start() {
    thread_ = std::thread([this] { Run(); });
    std::unique_lock<std::mutex> lock(mutex_);
    // The window must exist before the program starts.
    while (!ready_) {
      lock.unlock();
      Sleep(10);
      lock.lock();
    }
  }
  void Stop() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::string> TakeEvents() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> events;
    events.swap(events_);
    return events;
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
      auto* self = reinterpret_cast<Witness*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->events_.push_back("event: restart requested (end session)");
      return FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  void Run() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZrRobotWitness";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"zr robot witness", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      threadId_ = GetCurrentThreadId();
      ready_ = true;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    DestroyWindow(window);
  }

  std::thread thread_;
  std::mutex mutex_;
  bool ready_ = false;
  DWORD threadId_ = 0;
  std::vector<std::string> events_;
};

class Robot {
 public:
  Robot(const Options& options, Transcript& out, Witness& witness) : options_(options), out_(out), witness_(witness) {}
  ~Robot() {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  int Run() {
    if (!StartProgram()) return kNoWizard;
    if (!WaitForSheet()) return kNoWizard;
    startingUp_ = true;
    AfterStep(Settle());
    startingUp_ = false;
    if (!layoutError_.empty()) return Fail(kExpectFailed, layoutError_);
    RECT r{};
    GetWindowRect(sheet_, &r);
    Note("sheet window " + std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom) + " width " + std::to_string(r.right - r.left) + " height " +
         std::to_string(r.bottom - r.top));

    std::ifstream script(options_.script.c_str());
    if (!script) {
      Note("cannot read the script");
      return kScriptError;
    }
    zr::script::Reader reader(script);
    zr::script::Line line;
    while (reader.Next(line)) {
      lineNumber_ = line.number;
      if (!Execute(line)) return status_;
    }
    lineNumber_ = reader.LinesRead();
    if (!closed_) return Fail(kScriptError, "the script ended while the wizard is still open");
    return kEnded;
  }

 private:
  void Note(const std::string& text) { out_.Line("# " + text); }

  int Fail(int status, const std::string& why) {
    status_ = status;
    out_.Line(std::string(status == kExpectFailed ? "expect failed" : "script error") + ": line " +
              std::to_string(lineNumber_) + ": " + why);
    return status;
  }
  bool FailStep(int status, const std::string& why) {
    Fail(status, why);
    return false;
  }

  // The program with its arguments, in its folder.
  bool Launch(PROCESS_INFORMATION& process) const {
    std::wstring commandLine = L"\"" + options_.exe + L"\"";
    if (!options_.args.empty()) commandLine += L" " + options_.args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(options_.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          options_.cwd.empty() ? nullptr : options_.cwd.c_str(), &startup, &process) != FALSE;
  }

  bool StartProgram() {
    if (Launch(process_)) return true;
    Note("cannot start the program: error " + std::to_string(GetLastError()));
    return false;
  }

  bool ProgramEnded() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }

  bool WaitForSheet() {
    const std::wstring caption = Wide(std::string(zr::res::String(zr::res::kCaptionString)));
    for (int i = 0; i < 600; ++i) {
      sheet_ = FindSheet(process_.dwProcessId, caption);
      if (sheet_ != nullptr) return true;
      if (ProgramEnded()) break;
      Sleep(100);
    }
    Note("no wizard sheet captioned by string 102 appeared");
    return false;
  }

  enum class State { Open, Closed };

  // Waits until the program has handled what it was sent and posted, the
  // page no longer changes, and no message box is open (one that appears
  // is printed and answered with OK).
  State Settle() {
    std::vector<std::string> last;
    int stable = 0;
    for (int i = 0; i < 600; ++i) {
      if (ProgramEnded() || !IsWindow(sheet_)) return State::Closed;
      DWORD_PTR ignored = 0;
      const bool responsive = SendMessageTimeoutW(sheet_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &ignored) != 0;
      if (HWND box = FindMessageBox(process_.dwProcessId, sheet_)) {
        out_.Line(DescribeMessageBox(box));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        for (int w = 0; w < 100 && IsWindow(box); ++w) Sleep(50);
        stable = 0;
        continue;
      }
      if (!IsWindow(sheet_)) return State::Closed;
      if (!responsive) {
        stable = 0;
        continue;
      }
      std::vector<std::string> page = RenderPage(sheet_);
      if (page == last) {
        if (++stable >= 2) return State::Open;
      } else {
        stable = 0;
        last = std::move(page);
      }
      Sleep(50);
    }
    Note("the wizard did not settle");
    return State::Open;
  }

  void AfterStep(State state) {
    if (state == State::Closed) {
      closed_ = true;
      if (WaitForSingleObject(process_.hProcess, 15000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        Note("program exit code " + std::to_string(code));
      } else {
        Note("the program did not end after its wizard closed");
      }
      // The end-session query follows ExitWindowsEx by about 200 ms on an
      // idle machine, by seconds on a busy one.
      std::vector<std::string> events;
      for (int waited = 0; waited < 6000 && events.empty(); waited += 250) {
        Sleep(250);
        events = witness_.TakeEvents();
      }
      for (const std::string& event : events) out_.Line(event);
      out_.Line("=== the wizard has closed");
      return;
    }
    for (const std::string& event : witness_.TakeEvents()) out_.Line(event);
    for (const std::string& line : RenderPage(sheet_)) out_.Line(line);
    // The pictures show what the checks passed.
    if (layoutError_.empty()) layoutError_ = CheckLayout(sheet_, startingUp_);
    Screenshot();
  }

  void Screenshot() {
    if (options_.shots.empty()) return;
    const Page page = ActivePage(sheet_);
    if (page.templateId == 0 || !shot_.insert(page.templateId).second) return;
    // Let the page paint before the picture is taken.
    RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);
    wchar_t name[64];
    swprintf(name, 64, L"-%02d-page%d", static_cast<int>(shot_.size()), page.templateId);
    const std::wstring base = options_.shots + L"\\" + options_.shotName + name;
    HANDLE request = CreateFileW((base + L".request").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (request != INVALID_HANDLE_VALUE) CloseHandle(request);
    for (int i = 0; i < 300; ++i) {
      if (GetFileAttributesW((base + L".png").c_str()) != INVALID_FILE_ATTRIBUTES) return;
      Sleep(100);
    }
    Note("no screenshot came for " + Utf8(base));
  }

  bool Press(int psbtn, int buttonId, const char* name) {
    if (buttonId != 0 && !ButtonUsable(sheet_, buttonId))
      return FailStep(kScriptError, std::string("the ") + name + " button is not enabled");
    // Posted, as a click arrives: the sheet's modal loop looks whether the
    // wizard has ended only after it has dispatched a posted message.
    PostMessageW(sheet_, PSM_PRESSBUTTON, static_cast<WPARAM>(psbtn), 0);
    return true;
  }

  bool Execute(const zr::script::Line& line) {
    using zr::script::Verb;
    out_.Line("> " + line.text);
    if (closed_) return FailStep(kScriptError, "the wizard has already closed");
    if (!line.command) return FailStep(kScriptError, line.error);
    const zr::script::Command& command = *line.command;

    switch (command.verb) {
      case Verb::kNext:
        if (!Press(PSBTN_NEXT, kNextButton, "Next")) return false;
        break;
      case Verb::kBack:
        if (!Press(PSBTN_BACK, kBackButton, "Back")) return false;
        break;
      case Verb::kFinish:
        if (!Press(PSBTN_FINISH, kFinishButton, "Finish")) return false;
        break;
      case Verb::kCancel:
        Press(PSBTN_CANCEL, 0, "Cancel");
        break;
      case Verb::kCheck:
      case Verb::kUncheck: {
        HWND box = FindPageControl(sheet_, command.number, ControlKind::Check);
        if (box == nullptr) return FailStep(kScriptError, zr::script::BadArgument(command));
        const bool want = command.verb == Verb::kCheck;
        DWORD_PTR state = 0;
        SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_NORMAL, 2000, &state);
        if ((state == BST_CHECKED) != want) SendMessageTimeoutW(box, BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &state);
        break;
      }
      case Verb::kSelect: {
        HWND radio = FindPageControl(sheet_, command.number, ControlKind::Radio);
        if (radio == nullptr) return FailStep(kScriptError, zr::script::BadArgument(command));
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(radio, BM_CLICK, 0, 0, SMTO_NORMAL, 3000, &ignored);
        break;
      }
      case Verb::kKey:
        SendKey(static_cast<unsigned>(command.number));
        break;
      case Verb::kTick:
        for (int i = 0; i < command.number; ++i) {
          const Page page = ActivePage(sheet_);
          if (page.window == nullptr) break;
          // The page's one timer has id 1; the program drops a WM_TIMER of a
          // timer it does not run, as KillTimer does with queued ones.
          PostMessageW(page.window, WM_TIMER, 1, 0);
          if (i % 50 == 49 && Settle() == State::Closed) break;
        }
        break;
      case Verb::kPlug:
        if (!Plug()) return false;
        out_.Line("event: device plugged in (plug.reg merged)");
        break;
      case Verb::kStartAgain:
        if (!StartAgain()) return false;
        out_.Line("event: a second start ended at once, the wizard runs on");
        break;
      case Verb::kFocus:
        if (!Focus(command)) return FailStep(kScriptError, zr::script::BadArgument(command));
        break;
      case Verb::kExpect:
        if (!PageShows(sheet_, command.argument))
          return FailStep(kExpectFailed, "the page does not show '" + command.argument + "'");
        break;
    }
    AfterStep(Settle());
    if (!layoutError_.empty()) return FailStep(kExpectFailed, layoutError_);
    return true;
  }

  // Moves the program's focus as a click or Tab would: onto the page (its
  // first control), a control of the page, or one of the sheet's buttons.
  bool Focus(const zr::script::Command& command) {
    const Page page = ActivePage(sheet_);
    const std::string& what = command.argument;
    HWND target = nullptr;
    if (command.number == zr::script::kFocusPage)
      target = page.window != nullptr ? GetNextDlgTabItem(page.window, nullptr, FALSE) : nullptr;
    else if (what == "back")
      target = GetDlgItem(sheet_, kBackButton);
    else if (what == "next")
      target = GetDlgItem(sheet_, kNextButton);
    else if (what == "finish")
      target = GetDlgItem(sheet_, kFinishButton);
    else if (what == "cancel")
      target = GetDlgItem(sheet_, IDCANCEL);
    else if (page.window != nullptr)
      target = GetDlgItem(page.window, command.number);
    if (target == nullptr || !IsWindowVisible(target)) return false;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(sheet_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE, SMTO_NORMAL, 3000, &ignored);
    return true;
  }

  // A key-down where the user's key would go: the window with the focus
  // (one of the sheet's buttons too, which keeps it from the page), else
  // the page itself.
  void SendKey(unsigned key) {
    const Page page = ActivePage(sheet_);
    HWND target = page.window;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(process_.dwThreadId, &info) && info.hwndFocus != nullptr &&
        (info.hwndFocus == sheet_ || IsChild(sheet_, info.hwndFocus)))
      target = info.hwndFocus;
    if (target == nullptr) return;
    const LPARAM lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, 0)) << 16);
    PostMessageW(target, WM_KEYDOWN, key, lParam);
    PostMessageW(target, WM_KEYUP, key, lParam | (LPARAM(3) << 30));
  }

  // The program once more, as the user would start it while its wizard
  // runs: it must end by itself at once and leave this wizard running.
  bool StartAgain() {
    PROCESS_INFORMATION second{};
    if (!Launch(second))
      return FailStep(kScriptError, "the second start failed: error " + std::to_string(GetLastError()));
    const bool ended = WaitForSingleObject(second.hProcess, 20000) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (ended)
      GetExitCodeProcess(second.hProcess, &code);
    else
      TerminateProcess(second.hProcess, 99);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    if (!ended) return FailStep(kScriptError, "a second start did not end at once");
    Note("second start: exit code " + std::to_string(code) + ", the wizard is " +
         (GetForegroundWindow() == sheet_ ? "in front" : "not in front"));
    if (!IsWindow(sheet_)) return FailStep(kScriptError, "the wizard closed at the second start");
    return true;
  }

  bool Plug() {
    if (options_.plug.empty()) return FailStep(kScriptError, "the machine image has no plug.reg");
    std::wstring commandLine = L"regedit.exe /S \"" + options_.plug + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION regedit{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &regedit))
      return FailStep(kScriptError, "regedit could not be started");
    WaitForSingleObject(regedit.hProcess, 60000);
    CloseHandle(regedit.hProcess);
    CloseHandle(regedit.hThread);
    return true;
  }

  const Options& options_;
  Transcript& out_;
  Witness& witness_;
  PROCESS_INFORMATION process_{};
  HWND sheet_ = nullptr;
  bool closed_ = false;
  bool startingUp_ = false;
  std::string layoutError_;
  int status_ = kEnded;
  std::size_t lineNumber_ = 0;
  std::set<int> shot_;
};

bool ParseOptions(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    const std::wstring value = argv[i + 1];
    if (name == L"--script")
      o.script = value;
    else if (name == L"--transcript")
      o.transcript = value;
    else if (name == L"--start")
      o.exe = value;
    else if (name == L"--args")
      o.args = value;
    else if (name == L"--cwd")
      o.cwd = value;
    else if (name == L"--plug")
      o.plug = value;
    else if (name == L"--shots")
      o.shots = value;
    else if (name == L"--shot-name")
      o.shotName = value;
    else
      return false;
  }
  return argc % 2 == 1 && !o.script.empty() && !o.transcript.empty() && !o.exe.empty();
}

}  // namespace
}  // namespace robot

int wmain(int argc, wchar_t** argv) {
  robot::Options options;
  if (!robot::ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: zr_robot --script FILE --transcript FILE --start EXE [--args TEXT] [--cwd DIR]\n"
                 "                [--plug REGFILE] [--shots DIR --shot-name NAME]\n");
    return robot::kScriptError;
  }
  if (options.shotName.empty()) options.shotName = L"shot";
  robot::Transcript transcript;
  if (!transcript.Open(options.transcript)) {
    std::fprintf(stderr, "zr_robot: cannot write the transcript\n");
    return robot::kScriptError;
  }
  robot::Witness witness;
  witness.Start();
  int status = 0;
  {
    robot::Robot robot(options, transcript, witness);
    status = robot.Run();
  }
  witness.Stop();
  return status;
}
