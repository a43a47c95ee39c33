// Every engine operation a wizard reaches, on every sample machine, with a
// platform call failing at call 1, 2, 3 ... until a run no longer reaches
// the fault. After each run: no registry handle is left open; nothing
// changed that the fault-free run does not change too (the faulted run's
// changes are a subset of the fault-free run's); and the operation run
// again without a fault, on what the faulted run left, ends where the
// fault-free run ends (for the removals a rerun that does not is listed, see
// Operation::mayStrand). The failure kind turns with the call number over
// every result a Windows call gives for a refused, missing or full target,
// once and from that call on. Each run is a child process of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "tests/support/engine_over_image.h"
#include "tests/support/fault_platform.h"
#include "tests/support/machine_snapshot.h"

namespace zr::testing {
namespace {

namespace fs = std::filesystem;

using Step = void (*)(CRegEdit&);

void NoStep(CRegEdit&) {}
void Detect(CRegEdit& e) {
  e.DetectModem();
  e.DetectUsbLan();
}
void DetectAndRemove(CRegEdit& e) {
  Detect(e);
  e.RemovePortClass(1);
  e.RemoveWdmClass(1);
  e.RemoveWdmModemClass(2);
  e.RemoveLanClass(2);
}

enum class Scope { kOperation, kStartUp, kSave };

struct Operation {
  const char* name;
  Scope scope;
  Step prepare;  // runs fault-free first, after the version check
  Step run;
  // The removals delete an instance's Enum key before the keys found
  // through it: a failure part-way can strand those where no later
  // detection finds them. A rerun that does not recover is then listed,
  // not failed; what was deleted must still be a subset.
  bool mayStrand = false;
};

const Operation kOperations[] = {
    {"StartUpAndVersionCheck", Scope::kStartUp, NoStep, NoStep},
    {"ModemDetection", Scope::kOperation, NoStep, [](CRegEdit& e) { e.DetectModem(); }},
    {"LanDetection", Scope::kOperation, NoStep, [](CRegEdit& e) { e.DetectUsbLan(); }},
    {"PortClassMode1", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemovePortClass(1); }, true},
    {"PortClassMode2", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemovePortClass(2); }, true},
    {"WdmClassMode1", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemoveWdmClass(1); }, true},
    {"WdmClassMode2", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemoveWdmClass(2); }, true},
    {"WdmModemClassMode1", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemoveWdmModemClass(1); }, true},
    {"WdmModemClassMode2", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemoveWdmModemClass(2); }, true},
    {"LanClassMode1", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemoveLanClass(1); }, true},
    {"LanClassMode2", Scope::kOperation, Detect, [](CRegEdit& e) { e.RemoveLanClass(2); }, true},
    {"Staging", Scope::kOperation, NoStep, [](CRegEdit& e) { e.CopyDriverFiles(0x303); }},
    {"ImageSave", Scope::kSave, DetectAndRemove, NoStep},
};

// The kind of failure for fault number `at`, turning over every code, once
// and for good. "Not found" (2, 3) comes only for good: once, on a read, it
// would say that a key or file which is there is not, and a run that
// believes it may rightly decide otherwise than the fault-free run.
Fault FaultAt(long at) {
  static constexpr std::uint32_t kOnce[] = {5, 32, 112, 1450};
  static constexpr std::uint32_t kForGood[] = {5, 2, 3, 32, 112, 1450};
  if (at % 2 == 0) return Fault{Call::kAny, at, false, kOnce[(at / 2) % std::size(kOnce)]};
  return Fault{Call::kAny, at, true, kForGood[(at / 2) % std::size(kForGood)]};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every run copies the image afresh: memory is much faster for that than
// most disks.
fs::path ScratchRoot() {
  std::error_code error;
  return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

void CopyImage(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::create_directories(to.parent_path());
  fs::copy(from, to, fs::copy_options::recursive);
}

std::unique_ptr<sim::SimMachine> LoadImage(const fs::path& folder) {
  std::string error;
  auto machine = sim::SimMachine::Load(folder, error);
  if (!machine) throw std::runtime_error(error);
  return machine;
}

// A machine with an engine on a fault-injecting platform, the operation's
// preparation done. Each fault point runs in a child process of its own, so
// that the machine is prepared once and every run starts from the same
// memory; the image folder on disk is put back from a copy before each run.
class Sweep {
 public:
  Sweep(const fs::path& sample, const Operation& op)
      : op_(op),
        base_(ScratchRoot() / ("zr-faults-" + std::to_string(::getpid()))),
        folder_(base_ / "run"),
        prepared_(base_ / "prepared") {
    CopyImage(sample, folder_);
    machine_ = LoadImage(folder_);
    platform_ = std::make_unique<FaultPlatform>(*machine_);
    if (op_.scope != Scope::kStartUp) {
      StartEngine();
      op_.prepare(*engine_);
    }
    CopyImage(folder_, prepared_);
    // Preparing changes no key, and the save has not run yet: the image as
    // copied is the state before the operation.
    before_ = State(prepared_);
    // The fault-free run, whose end state every run is judged by: the child
    // leaves it in the image on disk.
    if (RunChild(Fault{}, [&] { return SaveImage(); }) < 0) throw std::runtime_error("the fault-free run failed");
    clean_ = State(folder_);
    for (const std::string& change : Lines(before_.Full().DifferencesFrom(clean_.Full()))) allowed_.insert(change);
  }
  ~Sweep() { fs::remove_all(base_); }

  // 1 when the fault was reached and every check held, 0 when the run never
  // came to the fault, -1 when a check failed or the run crashed.
  int RunFault(long at) {
    return RunChild(FaultAt(at), [&] {
      if (Now().Same(clean_)) return true;
      if (!Now().Same(before_)) {
        for (const std::string& change : Lines(before_.Full().DifferencesFrom(Now().Full())))
          if (allowed_.count(change) == 0 && !InsideADeletedKey(change)) Report("not in the fault-free run: " + change);
      }
      Again();
      if (Now().Same(clean_)) return !failed_;
      const std::string left = clean_.Full().DifferencesFrom(Now().Full());
      if (!op_.mayStrand) Report("a fault-free rerun does not end where the fault-free run ends:\n" + left);
      if (op_.mayStrand) std::fprintf(stderr, "stranded by fault %ld:\n%s", at, left.c_str());
      return !failed_;
    });
  }

 private:
  // A change to a key that the fault-free run deletes with its sub-tree (a
  // new access list, a sub-key or value deleted first): the deletion it came
  // before was cut short by the fault.
  bool InsideADeletedKey(const std::string& change) const {
    static const char* const kinds[] = {"~ access ", "- key ", "- value ", "~ value ", "+ value "};
    std::string key;
    for (const char* kind : kinds)
      if (change.rfind(kind, 0) == 0) key = change.substr(std::string(kind).size());
    if (key.empty()) return false;
    key = key.substr(0, std::min(key.find(" ["), key.find(" = ")));
    for (const std::string& allowed : allowed_) {
      if (allowed.rfind("- key ", 0) != 0) continue;
      const std::string gone = allowed.substr(6);
      if (key.rfind(gone + "\\", 0) == 0 || (key == gone && change.rfind("- key ", 0) != 0)) return true;
    }
    return false;
  }

  // A machine's registry and files, compared cheaply first.
  class State {
   public:
    State() = default;
    explicit State(const fs::path& folder) : State(LoadImage(folder), folder) {}
    State(std::unique_ptr<sim::SimMachine> loaded, const fs::path& folder)
        : loaded_(std::move(loaded)), tree_(&loaded_->Tree()), folder_(folder), files_(Files(folder)) {}
    State(const sim::RegTree& tree, const fs::path& folder) : tree_(&tree), folder_(folder), files_(Files(folder)) {}

    bool Same(const State& other) const {
      return tree_->SameAs(*other.tree_) && files_.DifferencesFrom(other.files_).empty();
    }
    MachineSnapshot Full() const { return MachineSnapshot::Take(*tree_, folder_); }

   private:
    static MachineSnapshot Files(const fs::path& folder) { return MachineSnapshot::Take(sim::RegTree(932), folder); }

    std::unique_ptr<sim::SimMachine> loaded_;
    const sim::RegTree* tree_ = nullptr;
    fs::path folder_;
    MachineSnapshot files_;
  };

  // The state the run has left: for the save, the image on disk; else the
  // running machine.
  State Now() const { return op_.scope == Scope::kSave ? State(folder_) : State(machine_->Tree(), folder_); }

  // Forks; the child runs the operation under `fault`, then `check`, and
  // exits with the outcome. The parent waits and returns it.
  template <typename Check>
  int RunChild(Fault fault, Check check) {
    CopyImage(prepared_, folder_);
    std::cout.flush();
    const pid_t child = ::fork();
    if (child == 0) {
      const bool reached = Execute(fault);
      if (machine_->OpenHandles() != 0)
        Report("registry handles left open: " + std::to_string(machine_->OpenHandles()));
      const bool passed = check() && !failed_;
      std::fflush(stderr);
      ::_exit(!passed ? 3 : reached ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return -1;
    const int code = WEXITSTATUS(status);
    return code == 3 ? -1 : code;
  }

  bool Execute(Fault fault) {
    bool reached = false;
    platform_->Arm(fault);
    if (op_.scope == Scope::kStartUp) StartEngine();
    if (op_.scope == Scope::kSave) {
      long step = 0;
      machine_->SetSaveHook([&](sim::AtomicStep) { return !(reached = reached || ++step == fault.at); });
      std::string error;
      machine_->Save(error);
      machine_->SetSaveHook({});
    } else {
      op_.run(*engine_);
      reached = platform_->Reached();
    }
    platform_->Arm({});
    engine_.reset();
    return reached;
  }

  bool SaveImage() {
    std::string error;
    if (!machine_->Save(error)) Report(error);
    return !failed_;
  }

  // The operation again, fault-free, on what the faulted run left.
  void Again() {
    if (op_.scope == Scope::kSave) {
      SaveImage();
      return;
    }
    StartEngine();
    op_.prepare(*engine_);
    op_.run(*engine_);
    engine_.reset();
  }

  void StartEngine() {
    engine_ = std::make_unique<CRegEdit>(*platform_);
    engine_->Wizard().m_hSheetWnd = &sheet_;
    engine_->CheckWindowsVersion();
  }

  void Report(const std::string& what) {
    failed_ = true;
    std::fprintf(stderr, "%s\n", what.c_str());
  }

  const Operation& op_;
  fs::path base_, folder_, prepared_;
  std::unique_ptr<sim::SimMachine> machine_;
  std::unique_ptr<FaultPlatform> platform_;
  RecordingSheet sheet_;
  std::unique_ptr<CRegEdit> engine_;
  State before_, clean_;
  std::set<std::string> allowed_;
  bool failed_ = false;
};

class FaultSweep : public ::testing::TestWithParam<std::tuple<std::string, const Operation*>> {};

TEST_P(FaultSweep, EveryFaultLeavesASubsetOfTheChangesAndARerunRecovers) {
  const auto& [image, op] = GetParam();
  Sweep sweep(fs::path(ZR_SOURCE_DIR) / "machines" / image, *op);
  long at = 1;
  for (;; ++at) {
    const Fault fault = FaultAt(at);
    const int outcome = sweep.RunFault(at);
    ASSERT_GE(outcome, 0) << "fault at call " << at << ", code " << fault.code
                          << (fault.persistent ? ", from then on" : ", once") << " (see the lines above)";
    if (outcome == 0) break;
  }
  std::cout << "fault points: " << at << "\n";
}

std::vector<std::string> SampleImages() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(ZR_SOURCE_DIR) / "machines"))
    if (fs::exists(entry.path() / "machine.ini")) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<const Operation*> Operations() {
  std::vector<const Operation*> ops;
  for (const Operation& op : kOperations) ops.push_back(&op);
  return ops;
}

std::string Named(const ::testing::TestParamInfo<FaultSweep::ParamType>& info) {
  std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param)->name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Images, FaultSweep,
                         ::testing::Combine(::testing::ValuesIn(SampleImages()), ::testing::ValuesIn(Operations())),
                         Named);

}  // namespace
}  // namespace zr::testing
