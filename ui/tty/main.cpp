// The Linux program: the wizard over a simulated Windows machine. Until the
// wizard runs here it loads the machine image and prints what it holds.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/sim/machine.h"
#include "platform/sim/summary.h"
#include "platform/text/codepage.h"

#ifndef ZR_DEFAULT_MACHINE
#define ZR_DEFAULT_MACHINE "machines/winxp-modem"
#endif

namespace {

void Usage() {
  std::fprintf(stderr, "usage: zrdrvtool [--machine DIR]\n  DIR defaults to %s\n", ZR_DEFAULT_MACHINE);
}

}  // namespace

int main(int argc, char** argv) {
  std::string machinePath = ZR_DEFAULT_MACHINE;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--machine") == 0 && i + 1 < argc) {
      machinePath = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      Usage();
      return 0;
    } else {
      std::fprintf(stderr, "zrdrvtool: unknown argument '%s'\n", argv[i]);
      Usage();
      return 2;
    }
  }
  std::string error;
  auto machine = zr::sim::SimMachine::Load(machinePath, error);
  if (!machine) {
    std::fprintf(stderr, "zrdrvtool: %s\n", error.c_str());
    return 1;
  }
  const auto& config = machine->Config();
  const auto& v = config.version;
  const auto summary = zr::sim::Summarise(*machine);
  const unsigned cp = config.codePage;
  std::printf("machine   %s\n", machine->Folder().c_str());
  std::printf("windows   %s %u.%u.%u, platform %u, \"%s\"\n", summary.windowsName.c_str(), v.major, v.minor,
              v.build & 0xFFFF, v.platformId, zr::text::ToUtf8(v.csd, cp).c_str());
  std::printf("folders   windows %s, system %s, current %s\n", zr::text::ToUtf8(config.windowsDir, cp).c_str(),
              zr::text::ToUtf8(config.systemDir, cp).c_str(), zr::text::ToUtf8(config.currentDir, cp).c_str());
  std::printf("user      %s, code page %u\n", config.admin ? "administrator" : "limited user", cp);
  std::printf("registry  %zu keys, %zu values below HKEY_LOCAL_MACHINE (%s), %zu protected subtrees\n",
              summary.keys, summary.values,
              machine->Format() == zr::sim::RegFormat::Regedit4 ? "REGEDIT4" : "version 5", summary.protectedKeys);
  for (const auto& d : summary.drives)
    std::printf("drive %c:  %zu files in %zu folders, %ju bytes\n", d.letter, d.files, d.folders, d.bytes);
  return 0;
}
