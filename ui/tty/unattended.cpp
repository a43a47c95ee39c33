#include "ui/tty/unattended.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/exit_codes.h"
#include "app/flow_report.h"
#include "app/flow_report_text.h"

namespace zr::tty {
namespace {

// Tells on standard error what a step is doing once it has taken more than
// a second; quick runs stay quiet.
class SlowStepNotice {
 public:
  SlowStepNotice() : watcher_([this] { Watch(); }) {}
  ~SlowStepNotice() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_one();
    watcher_.join();
  }
  SlowStepNotice(const SlowStepNotice&) = delete;
  SlowStepNotice& operator=(const SlowStepNotice&) = delete;

  void Step(std::string_view what) {
    std::lock_guard lock(mutex_);
    what_ = std::string(what);
    since_ = Clock::now();
    told_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;

  void Watch() {
    std::unique_lock lock(mutex_);
    while (!done_) {
      wake_.wait_for(lock, std::chrono::milliseconds(100));
      if (!done_ && !told_ && !what_.empty() && Clock::now() - since_ > std::chrono::seconds(1)) {
        std::fprintf(stderr, "zrdrvtool: %s...\n", what_.c_str());
        told_ = true;
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::string what_;
  Clock::time_point since_ = Clock::now();
  bool told_ = false;
  bool done_ = false;
  std::thread watcher_;
};

// Message boxes of the real run go to the image's log, as the wizard's do.
class LoggingView final : public IRunnerView {
 public:
  explicit LoggingView(MachineSession& session) : session_(session) {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon) override {
    session_.RecordMessageBox(caption, text);
  }

 private:
  MachineSession& session_;
};

}  // namespace

int RunWithoutPages(MachineSession& session, const NoPagesOptions& options) {
  FlowReport report;
  {
    SlowStepNotice notice;
    const Progress progress = [&](std::string_view what) { notice.Step(what); };
    if (options.preview) {
      report = PreviewFlow(session.Machine(), options.choice, progress);
    } else {
      LoggingView view(session);
      report = RunRecordedFlow(options.through != nullptr ? *options.through : session.Machine(), options.choice, view,
                               progress);
      notice.Step("saving the machine image");
    }
  }
  const std::string out = options.json ? ReportJson(report) : ReportText(report);
  std::cout << out << std::flush;
  if (!options.logFile.empty()) {
    std::ofstream log(options.logFile, std::ios::app | std::ios::binary);
    if (!(log << out << std::flush))
      std::fprintf(stderr, "zrdrvtool: cannot write the log %s\n", options.logFile.c_str());
  }
  return ExitCodeOf(report);
}

}  // namespace zr::tty
