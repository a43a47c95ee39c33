#include "ui/win32/report_command.h"

#include <direct.h>

#include <algorithm>
#include <cstdio>

#include "app/exit_codes.h"
#include "app/flow_report.h"
#include "app/flow_report_text.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"
#include "ui/win32/ui_windows.h"

namespace zr::win32ui {
namespace {

// The next word of a command line, quotes taken off; "" at its end.
std::string NextWord(const char*& at) {
  while (*at == ' ' || *at == '\t') ++at;
  std::string word;
  bool quoted = false;
  for (; *at != 0 && (quoted || (*at != ' ' && *at != '\t')); ++at) {
    if (*at == '"')
      quoted = !quoted;
    else
      word += *at;
  }
  return word;
}

// Text for a Windows program to read: the system code page, CR LF lines.
std::vector<std::uint8_t> SystemText(const std::string& utf8, unsigned codePage) {
  std::string crlf;
  for (char c : utf8) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const std::string bytes = text::FromUtf8(crlf, codePage);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// <Windows folder>\ZR77Q5K\backup\<YYYYMMDD-HHMMSS>, made as needed.
std::string BackupFolder(IPlatform& machine) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  std::string folder = machine.System().WindowsDirectory();
  for (const char* part : {"ZR77Q5K", "backup", static_cast<const char*>(stamp)}) {
    folder += std::string("\\") + part;
    _mkdir(folder.c_str());  // there already, or made
  }
  return folder;
}

}  // namespace

std::optional<std::string> ReportFileOf(const char* commandLine) {
  if (commandLine == nullptr) return std::nullopt;
  const char* at = commandLine;
  NextWord(at);  // the program itself
  std::string option = NextWord(at);
  std::transform(option.begin(), option.end(), option.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  if (option != "/report") return std::nullopt;
  return NextWord(at);
}

int WriteReport(IPlatform& machine, const std::string& file) {
  if (file.empty()) return kFlowBadInput;
  const FlowReport report = PreviewFlow(machine, FlowChoice{});
  const std::vector<std::uint8_t> bytes = SystemText(ReportText(report), machine.System().AnsiCodePage());
  if (machine.Files().WriteWholeFile(file, bytes) != win::kSuccess) return kFlowBadInput;
  return ExitCodeOf(report);
}

std::optional<std::vector<std::uint8_t>> RescanAfterRemoval(IPlatform& machine,
                                                            const std::vector<safety::Change>& changes,
                                                            const std::vector<safety::Change>& refusals) {
  if (!RemovedAnything(changes)) return std::nullopt;
  const unsigned codePage = machine.System().AnsiCodePage();
  const std::string text = RescanText(Rescan(machine, FlowChoice{}, refusals), codePage);
  return SystemText(text, codePage);
}

void WriteToBackupFolder(IPlatform& machine, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  machine.Files().WriteWholeFile(BackupFolder(machine) + "\\" + name, bytes);
}

}  // namespace zr::win32ui
