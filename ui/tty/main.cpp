// The Linux program: the wizard over a simulated Windows machine, in the
// terminal or from a script.
//
//   zrdrvtool [--machine DIR] [--script FILE|-] [--mode MODE] [--summary]
//   zrdrvtool [--machine DIR] --preview [--mode install] [--json]
//   zrdrvtool [--machine DIR] --unattended uninstall|install [--journal DIR] [--log FILE] [--json]
//
// Without --machine the wizard runs on a fresh copy of the bundled sample
// machine in a scratch folder, so the bundled image stays as it is; with it,
// the changes stay in that image. One run at a time works on an image: a
// second one is refused (exit status 1) and changes nothing.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/exit_codes.h"
#include "app/flow_report.h"
#include "app/flow_report_text.h"
#include "app/wizard_host.h"
#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/sim/summary.h"
#include "platform/text/codepage.h"
#include "safety/recording_platform.h"
#include "ui/tty/image_lock.h"
#include "ui/tty/interactive_host.h"
#include "ui/tty/machine_session.h"
#include "ui/tty/script_host.h"
#include "ui/tty/unattended.h"

#ifndef ZR_VERSION
#define ZR_VERSION "0"
#endif
#ifndef ZR_DEFAULT_MACHINE
#define ZR_DEFAULT_MACHINE "machines/winxp-modem"
#endif

namespace fs = std::filesystem;

namespace {

struct Options {
  std::string machine;
  std::string script;
  bool summary = false;
  char wizardMode = zr::kStartupWizardMode;
  bool preview = false;
  std::string unattended;  // "uninstall" or "install"
  bool json = false;
  std::string log;
  std::string journal;
};

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: zrdrvtool [--machine DIR] [--script FILE|-] [--mode uninstall|install|chooser] [--summary]\n"
               "  --machine DIR   the machine image to work on (changes are saved in it);\n"
               "                  default: a scratch copy of %s\n"
               "  --script FILE   run the wizard from a script ('-': standard input, also used\n"
               "                  when standard input is not a terminal)\n"
               "  --mode MODE     the pages to start with: uninstall (the program's own start),\n"
               "                  install, or the chooser between both\n"
               "  --summary       print what the machine image holds and stop\n"
               "  --preview       print every change the uninstall (the modem ticked) or, with\n"
               "                  --mode install, the install would make, and the rescan after\n"
               "                  it; nothing is changed\n"
               "  --unattended uninstall|install\n"
               "                  run the wizard's steps without its pages (the modem ticked),\n"
               "                  restart as its Finish does, rescan, print what was done\n"
               "  --json          the report of --preview or --unattended as JSON\n"
               "  --log FILE      append the report to FILE as well\n"
               "  --journal DIR   where the journal of the changes goes (--unattended)\n"
               "  --version       print the version and stop\n"
               "exit status: 0 done (or the wizard ended); 1 unusable machine image or command\n"
               "  line; 2 script error; 3 failed expect; 4 nothing of the device found (install:\n"
               "  nothing to stage); 5 a change was refused (administrator rights needed);\n"
               "  6 this Windows is not supported; 7 done, but the rescan still finds some of\n"
               "  the device. --preview exits as the run it shows would.\n",
               ZR_DEFAULT_MACHINE);
}

// 0 to go on, otherwise the exit status.
int ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--machine" || arg == "--script" || arg == "--log" || arg == "--journal") && i + 1 < argc) {
      (arg == "--machine"  ? options.machine
       : arg == "--script" ? options.script
       : arg == "--log"    ? options.log
                           : options.journal) = argv[++i];
    } else if (arg == "--unattended" && i + 1 < argc) {
      options.unattended = argv[++i];
      if (options.unattended != "uninstall" && options.unattended != "install") {
        std::fprintf(stderr, "zrdrvtool: --unattended takes uninstall or install, not '%s'\n",
                     options.unattended.c_str());
        return zr::kFlowBadInput;
      }
    } else if (arg == "--preview") {
      options.preview = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--version") {
      std::printf("zrdrvtool %s\n", ZR_VERSION);
      return -1;
    } else if (arg == "--mode" && i + 1 < argc) {
      const std::string mode = argv[++i];
      if (mode == "uninstall") {
        options.wizardMode = 2;
      } else if (mode == "install") {
        options.wizardMode = 1;
      } else if (mode == "chooser") {
        options.wizardMode = 0;
      } else {
        std::fprintf(stderr, "zrdrvtool: unknown mode '%s'\n", mode.c_str());
        return zr::kFlowBadInput;
      }
    } else if (arg == "--summary") {
      options.summary = true;
    } else if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      return -1;
    } else {
      std::fprintf(stderr, "zrdrvtool: unknown argument '%s'\n", argv[i]);
      Usage(stderr);
      return zr::kFlowBadInput;
    }
  }
  const bool withoutPages = options.preview || !options.unattended.empty();
  if (options.preview && !options.unattended.empty()) {
    std::fprintf(stderr, "zrdrvtool: --preview and --unattended exclude each other\n");
    return zr::kFlowBadInput;
  }
  if (withoutPages && (!options.script.empty() || options.summary || options.wizardMode == 0)) {
    std::fprintf(stderr, "zrdrvtool: --preview and --unattended run without pages: no --script, --summary or chooser\n");
    return zr::kFlowBadInput;
  }
  if (!withoutPages && (options.json || !options.log.empty() || !options.journal.empty())) {
    std::fprintf(stderr, "zrdrvtool: --json, --log and --journal go with --preview or --unattended\n");
    return zr::kFlowBadInput;
  }
  return 0;
}

// A fresh copy of the bundled image, so that a demo run never changes it.
std::string ScratchCopyOfDefault() {
  const fs::path target = fs::temp_directory_path() / ("zrdrvtool-" + std::to_string(::getpid())) /
                          fs::path(ZR_DEFAULT_MACHINE).filename();
  std::error_code ec;
  fs::remove_all(target.parent_path(), ec);
  fs::create_directories(target, ec);
  fs::copy(ZR_DEFAULT_MACHINE, target, fs::copy_options::recursive, ec);
  if (ec) {
    std::fprintf(stderr, "zrdrvtool: cannot copy %s: %s\n", ZR_DEFAULT_MACHINE, ec.message().c_str());
    return {};
  }
  return target.string();
}

void PrintSummary(const zr::sim::SimMachine& machine) {
  const auto& config = machine.Config();
  const auto summary = zr::sim::Summarise(machine);
  const unsigned cp = config.codePage;
  std::printf("machine   %s\n", machine.Folder().c_str());
  std::printf("windows   %s %u.%u.%u, platform %u, \"%s\"\n", summary.windowsName.c_str(), config.version.major,
              config.version.minor, config.version.build & 0xFFFF, config.version.platformId,
              zr::text::ToUtf8(config.version.csd, cp).c_str());
  std::printf("folders   windows %s, system %s, current %s\n", zr::text::ToUtf8(config.windowsDir, cp).c_str(),
              zr::text::ToUtf8(config.systemDir, cp).c_str(), zr::text::ToUtf8(config.currentDir, cp).c_str());
  std::printf("user      %s, code page %u\n", config.admin ? "administrator" : "limited user", cp);
  std::printf("registry  %zu keys, %zu values below HKEY_LOCAL_MACHINE (%s), %zu protected subtrees\n", summary.keys,
              summary.values, machine.Format() == zr::sim::RegFormat::Regedit4 ? "REGEDIT4" : "version 5",
              summary.protectedKeys);
  for (const auto& d : summary.drives)
    std::printf("drive %c:  %zu files in %zu folders, %ju bytes\n", d.letter, d.files, d.folders, d.bytes);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int status = ParseArguments(argc, argv, options); status != 0) return status < 0 ? 0 : status;
  std::string folder = options.machine;
  if (folder.empty()) {
    folder = ScratchCopyOfDefault();
    if (folder.empty()) return zr::tty::kExitImage;
    if (!options.summary) std::fprintf(stderr, "zrdrvtool: working on a copy of the sample machine: %s\n", folder.c_str());
  }
  // Before the image is read: a run that waits for nothing sees the image
  // as the other run leaves it, never half saved.
  const zr::tty::ImageLock lock(folder);
  if (!lock.Held()) {
    std::fprintf(stderr, "zrdrvtool: %s\n", lock.Error().c_str());
    return zr::tty::kExitImage;
  }
  std::string error;
  auto machine = zr::sim::SimMachine::Load(folder, error);
  if (!machine) {
    std::fprintf(stderr, "zrdrvtool: %s\n", error.c_str());
    return zr::tty::kExitImage;
  }
  if (options.summary) {
    PrintSummary(*machine);
    return 0;
  }

  zr::tty::MachineSession session(*machine);
  if (options.preview || !options.unattended.empty()) {
    // The journal is written by the journaling platform, which this program
    // does not have yet: say so rather than let the run look journaled.
    if (!options.journal.empty())
      std::fprintf(stderr, "zrdrvtool: --journal %s: this build writes no journal; the run goes on without one\n",
                   options.journal.c_str());
    zr::tty::NoPagesOptions run;
    run.preview = options.preview;
    run.choice.install = options.preview ? options.wizardMode == 1 : options.unattended == "install";
    run.json = options.json;
    run.logFile = options.log;
    const int status = zr::tty::RunWithoutPages(session, run);
    if (options.preview) return status;
    if (const std::string saveError = session.SaveIfChanged(); !saveError.empty()) {
      std::fprintf(stderr, "zrdrvtool: the machine image could not be saved: %s\n", saveError.c_str());
      return zr::kFlowBadInput;
    }
    return status;
  }
  int status = zr::tty::kExitEnded;
  const bool scripted = !options.script.empty() || !isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO);
  // The wizard's changes are noted on their way, for the rescan afterwards.
  zr::safety::RecordingPlatform recording(*machine);
  {
    zr::CRegEdit engine(recording);
    if (scripted) {
      std::ifstream file;
      std::istream* in = &std::cin;
      if (!options.script.empty() && options.script != "-") {
        file.open(options.script);
        if (!file) {
          std::fprintf(stderr, "zrdrvtool: cannot read the script %s\n", options.script.c_str());
          return zr::tty::kExitScriptError;
        }
        in = &file;
      }
      zr::tty::ScriptHost host(session, *in, std::cout);
      zr::RunApplication(engine, host, options.wizardMode);
      status = host.Status();
    } else {
      zr::tty::InteractiveHost host(session);
      zr::RunApplication(engine, host, options.wizardMode);
    }
  }  // the engine's end deletes the work file
  if (const std::string saveError = session.SaveIfChanged(); !saveError.empty())
    std::fprintf(stderr, "zrdrvtool: the machine image could not be saved: %s\n", saveError.c_str());
  // A script's transcript stays as the pages left it.
  if (!scripted && zr::RemovedAnything(recording.Changes()))
    std::cout << zr::RescanText(zr::Rescan(*machine, zr::FlowChoice{}, recording.Refusals()),
                                machine->Config().codePage);
  return status;
}
