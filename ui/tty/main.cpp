// The Linux program: the wizard over a simulated Windows machine, in the
// terminal or from a script.
//
//   zrdrvtool [--machine DIR | --windows MOUNTPOINT] [--script FILE|-] [--mode MODE] [--summary]
//             [--journal DIR]
//   zrdrvtool [--machine DIR | --windows MOUNTPOINT] --preview [--mode install] [--json]
//   zrdrvtool [--machine DIR | --windows MOUNTPOINT] --unattended uninstall|install [--journal DIR]
//             [--log FILE] [--json]
//   zrdrvtool --machine DIR | --windows MOUNTPOINT --restore JOURNAL
//
// Without --machine the wizard runs on a fresh copy of the bundled sample
// machine in a scratch folder, so the bundled image stays as it is; with it,
// the changes stay in that image. --windows works on an installed Windows
// 2000/XP whose partition is mounted there: its hives are committed once,
// when the wizard has ended. One run at a time works on an image or a
// partition: a second one is refused (exit status 1) and changes nothing.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "app/exit_codes.h"
#include "app/flow_report.h"
#include "app/flow_report_text.h"
#include "app/wizard_host.h"
#include "engine/reg_edit.h"
#include "platform/hive/hive_machine.h"
#include "platform/sim/machine.h"
#include "platform/sim/summary.h"
#include "platform/text/codepage.h"
#include "safety/journal_restore.h"
#include "safety/journaling_platform.h"
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

constexpr int kExitSomethingLeft = 7;

struct Options {
  std::string machine;
  std::string windows;
  std::string script;
  std::string journal;
  std::string restore;
  bool summary = false;
  char wizardMode = zr::kStartupWizardMode;
  bool preview = false;
  std::string unattended;  // "uninstall" or "install"
  bool json = false;
  std::string log;
};

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: zrdrvtool [--machine DIR | --windows MOUNTPOINT] [--script FILE|-]\n"
               "                 [--mode uninstall|install|chooser] [--summary] [--journal DIR]\n"
               "       zrdrvtool --machine DIR | --windows MOUNTPOINT --restore JOURNAL\n"
               "  --machine DIR   the machine image to work on (changes are saved in it);\n"
               "                  default: a scratch copy of %s\n"
               "  --windows DIR   an installed Windows 2000/XP whose partition is mounted at DIR\n"
               "                  (its registry hives are changed at the end; the originals are\n"
               "                  kept beside them as SYSTEM.zrbak and SOFTWARE.zrbak)\n"
               "  --script FILE   run the wizard from a script ('-': standard input, also used\n"
               "                  when standard input is not a terminal)\n"
               "  --mode MODE     the pages to start with: uninstall (the program's own start),\n"
               "                  install, or the chooser between both\n"
               "  --summary       print what the machine image holds and stop\n"
               "  --journal DIR   where the run records each change before making it (restore.reg,\n"
               "                  files/, journal.txt); default: backup/<YYYYMMDD-HHMMSS>/ in the image\n"
               "  --restore DIR   put a journal back: what the run deleted or changed returns, unless\n"
               "                  it changed again since; exit 0 all put back, 7 something left\n"
               "  --preview       print every change the uninstall (the modem ticked) or, with\n"
               "                  --mode install, the install would make, and the rescan after\n"
               "                  it; nothing is changed\n"
               "  --unattended uninstall|install\n"
               "                  run the wizard's steps without its pages (the modem ticked),\n"
               "                  restart as its Finish does, rescan, print what was done\n"
               "  --json          the report of --preview or --unattended as JSON\n"
               "  --log FILE      append the report to FILE as well\n"
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
    if ((arg == "--machine" || arg == "--script" || arg == "--windows" || arg == "--journal" || arg == "--restore" ||
         arg == "--log") &&
        i + 1 < argc) {
      (arg == "--machine"   ? options.machine
       : arg == "--script"  ? options.script
       : arg == "--windows" ? options.windows
       : arg == "--journal" ? options.journal
       : arg == "--log"     ? options.log
                            : options.restore) = argv[++i];
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
  if (!options.machine.empty() && !options.windows.empty()) {
    std::fprintf(stderr, "zrdrvtool: --machine and --windows name two different machines; give one\n");
    return zr::tty::kExitImage;
  }
  const bool withoutPages = options.preview || !options.unattended.empty();
  if (options.preview && !options.unattended.empty()) {
    std::fprintf(stderr, "zrdrvtool: --preview and --unattended exclude each other\n");
    return zr::kFlowBadInput;
  }
  if (withoutPages && (!options.script.empty() || options.summary || options.wizardMode == 0)) {
    std::fprintf(stderr,
                 "zrdrvtool: --preview and --unattended run without pages: no --script, --summary or chooser\n");
    return zr::kFlowBadInput;
  }
  if (!withoutPages && (options.json || !options.log.empty())) {
    std::fprintf(stderr, "zrdrvtool: --json and --log go with --preview or --unattended\n");
    return zr::kFlowBadInput;
  }
  return 0;
}

// A fresh copy of the bundled image, so that a demo run never changes it.
std::string ScratchCopyOfDefault() {
  const fs::path target =
      fs::temp_directory_path() / ("zrdrvtool-" + std::to_string(::getpid())) / fs::path(ZR_DEFAULT_MACHINE).filename();
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

// `installed` names the mount point of an installed Windows; empty for an
// image.
void PrintSummary(const zr::sim::SimMachine& machine, const std::string& installed) {
  const auto& config = machine.Config();
  const auto summary = zr::sim::Summarise(machine);
  const unsigned cp = config.codePage;
  std::printf("machine   %s%s\n", installed.empty() ? machine.Folder().c_str() : installed.c_str(),
              installed.empty() ? "" : " (an installed Windows)");
  std::printf("windows   %s %u.%u.%u, platform %u, \"%s\"\n", summary.windowsName.c_str(), config.version.major,
              config.version.minor, config.version.build & 0xFFFF, config.version.platformId,
              zr::text::ToUtf8(config.version.csd, cp).c_str());
  std::printf("folders   windows %s, system %s, current %s\n", zr::text::ToUtf8(config.windowsDir, cp).c_str(),
              zr::text::ToUtf8(config.systemDir, cp).c_str(), zr::text::ToUtf8(config.currentDir, cp).c_str());
  std::printf("user      %s, code page %u\n", config.admin ? "administrator" : "limited user", cp);
  std::printf("registry  %zu keys, %zu values below HKEY_LOCAL_MACHINE (%s), %zu protected subtrees\n", summary.keys,
              summary.values,
              !installed.empty()                                 ? "SYSTEM and SOFTWARE hives"
              : machine.Format() == zr::sim::RegFormat::Regedit4 ? "REGEDIT4"
                                                                 : "version 5",
              summary.protectedKeys);
  for (const auto& d : summary.drives)
    std::printf("drive %c:  %zu files in %zu folders, %ju bytes\n", d.letter, d.files, d.folders, d.bytes);
}

// backup/<YYYYMMDD-HHMMSS>/ in the image, a new folder for each run.
// A new folder below `backups`, named by the local time.
std::string DefaultJournal(const fs::path& backups) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &local);
  fs::path folder = backups / stamp;
  for (int n = 2; fs::exists(folder); ++n) folder = backups / (std::string(stamp) + "-" + std::to_string(n));
  return folder.string();
}

// `save` writes the restored machine back (the image, or an installed
// Windows's hives); false with its error.
int Restore(zr::sim::SimMachine& machine, const std::string& folder, const std::function<bool(std::string&)>& save) {
  const zr::safety::JournalFolder journal(folder);
  const zr::safety::RestoreReport report = zr::safety::RestoreJournal(journal, machine, machine.KeyCreator());
  std::fputs(zr::text::ToUtf8(report.Text(), machine.Config().codePage).c_str(), stdout);
  std::string error;
  if (machine.Dirty() && !save(error)) {
    std::fprintf(stderr, "zrdrvtool: the restored machine could not be saved: %s\n", error.c_str());
    return zr::tty::kExitImage;
  }
  return report.refused ? zr::tty::kExitImage : report.Complete() ? 0 : kExitSomethingLeft;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int status = ParseArguments(argc, argv, options); status != 0) return status < 0 ? 0 : status;
  std::string folder = !options.windows.empty() ? options.windows : options.machine;
  if (folder.empty()) {
    folder = ScratchCopyOfDefault();
    if (folder.empty()) return zr::tty::kExitImage;
    if (!options.summary)
      std::fprintf(stderr, "zrdrvtool: working on a copy of the sample machine: %s\n", folder.c_str());
  }
  // Before the image is read: a run that waits for nothing sees the image
  // as the other run leaves it, never half saved.
  const zr::tty::ImageLock lock(folder);
  if (!lock.Held()) {
    std::fprintf(stderr, "zrdrvtool: %s\n", lock.Error().c_str());
    return zr::tty::kExitImage;
  }
  std::string error;
  std::unique_ptr<zr::hive::HiveMachine> installed;
  std::unique_ptr<zr::sim::SimMachine> image;
  if (!options.windows.empty()) {
    installed = zr::hive::HiveMachine::Open(options.windows, error);
    if (!installed) {
      std::fprintf(stderr, "zrdrvtool: %s\n", error.c_str());
      return zr::tty::kExitImage;
    }
  } else {
    image = zr::sim::SimMachine::Load(folder, error);
    if (!image) {
      std::fprintf(stderr, "zrdrvtool: %s\n", error.c_str());
      return zr::tty::kExitImage;
    }
  }
  zr::sim::SimMachine& machine = installed ? installed->Machine() : *image;
  if (options.summary) {
    PrintSummary(machine, options.windows);
    return 0;
  }
  if (!options.restore.empty()) {
    return Restore(machine, options.restore,
                   [&](std::string& why) { return installed ? installed->Commit(why) : machine.Save(why); });
  }
  // An installed Windows keeps its journal where the Windows program puts
  // it; an image keeps it inside.
  const fs::path backups = installed ? installed->WindowsFolder() / "ZR77Q5K" / "backup" : fs::path(folder) / "backup";
  zr::safety::JournalFolder journalFolder(options.journal.empty() ? DefaultJournal(backups) : options.journal);
  zr::safety::JournalingPlatform journal(machine, journalFolder);

  zr::tty::MachineSession session(machine);
  if (options.preview || !options.unattended.empty()) {
    zr::tty::NoPagesOptions run;
    run.preview = options.preview;
    run.choice.install = options.preview ? options.wizardMode == 1 : options.unattended == "install";
    run.json = options.json;
    run.logFile = options.log;
    run.through = &journal;
    int status = zr::tty::RunWithoutPages(session, run);
    if (options.preview) return status;
    if (journal.Incomplete())
      std::fprintf(stderr, "zrdrvtool: the journal in %s is incomplete\n", journalFolder.Root().c_str());
    if (const std::string saveError =
            installed ? (installed->Commit(error) ? std::string() : error) : session.SaveIfChanged();
        !saveError.empty()) {
      std::fprintf(stderr, "zrdrvtool: the machine could not be saved: %s\n", saveError.c_str());
      return zr::kFlowBadInput;
    }
    return status;
  }
  int status = zr::tty::kExitEnded;
  const bool scripted = !options.script.empty() || !isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO);
  // The wizard's changes are noted on their way, for the rescan afterwards.
  zr::safety::RecordingPlatform recording(journal);
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
  if (journal.Incomplete())
    std::fprintf(stderr, "zrdrvtool: the journal in %s is incomplete\n", journalFolder.Root().c_str());
  // A script's transcript stays as the pages left it.
  if (!scripted && zr::RemovedAnything(recording.Changes()))
    std::cout << zr::RescanText(zr::Rescan(machine, zr::FlowChoice{}, recording.Refusals()), machine.Config().codePage);
  if (installed) {
    // The hives change once, after every step of the run has returned.
    if (!installed->Commit(error)) {
      std::fprintf(stderr, "zrdrvtool: %s\n", error.c_str());
      return zr::tty::kExitImage;
    }
    return status;
  }
  if (const std::string saveError = session.SaveIfChanged(); !saveError.empty())
    std::fprintf(stderr, "zrdrvtool: the machine image could not be saved: %s\n", saveError.c_str());
  return status;
}
