#include "app/flow_report_text.h"

#include <cstdio>

#include "app/exit_codes.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"
#include "safety/path_parts.h"

namespace zr {
namespace {

using safety::Change;
using safety::ChangeKind;

constexpr std::size_t kBytesShown = 24;

// One change, in words, for either form of the report.
struct Entry {
  std::string kind;
  std::string target;
  std::string detail;
  std::string step;
  std::string finding;
  int number = 0;
  std::size_t subKeys = 0;
  std::size_t values = 0;
};

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", value);
  return text;
}

std::string ValueText(std::uint32_t type, const std::vector<std::uint8_t>& data, unsigned codePage) {
  if (type == win::kRegSz || type == win::kRegExpandSz) {
    std::string text(data.begin(), data.end());
    return "\"" + text::ToUtf8(text.substr(0, text.find('\0')), codePage) + "\"";
  }
  if (type == win::kRegDword && data.size() == 4)
    return Hex(static_cast<unsigned>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<unsigned>(data[3]) << 24));
  std::string out;
  for (std::size_t i = 0; i < data.size() && i < kBytesShown; ++i) {
    char pair[4];
    std::snprintf(pair, sizeof(pair), i == 0 ? "%02x" : " %02x", data[i]);
    out += pair;
  }
  if (data.size() > kBytesShown) out += " … (" + std::to_string(data.size()) + " bytes)";
  return out.empty() ? "(empty)" : out;
}

std::string AttributesText(std::uint32_t attributes) {
  std::string out;
  if (attributes & win::kFileAttributeReadonly) out += "read-only ";
  if (attributes & win::kFileAttributeHidden) out += "hidden ";
  if (attributes & win::kFileAttributeSystem) out += "system ";
  return out.empty() ? "normal" : out.substr(0, out.size() - 1);
}

std::string Count(std::uint64_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

bool IsComDb(const Change& change) { return safety::LowerAscii(change.name) == "comdb"; }

// The USB-LAN side's keys and files; everything else is the modem's.
bool IsLanSide(const Change& change) {
  const std::string path = safety::LowerAscii(change.path);
  for (const char* mark : {"tvkndis", "pid_0022", "{ad498944", "\\enum\\network\\", "\\control\\network\\"})
    if (path.find(mark) != std::string::npos) return true;
  return change.step.find("network") != std::string::npos;
}

std::string InstallFinding(int plan) {
  std::string out;
  const auto add = [&](int bit, const char* what) {
    if (plan & bit) out += (out.empty() ? "" : "; ") + std::string(what);
  };
  add(0x001, "port-adapter driver set not installed");
  add(0x002, "USB-LAN driver set not installed");
  add(0x100, "modem driver set not installed");
  add(0x200, "USB-LAN driver set not installed");
  return out.empty() ? "every driver set already installed" : out;
}

Entry EntryOf(const FlowReport& report, const Change& change) {
  const unsigned cp = report.codePage;
  Entry entry;
  entry.number = change.number;
  entry.kind = std::string(safety::KindText(change.kind));
  entry.target = text::ToUtf8(change.path, cp);
  entry.step = change.step;
  const bool lan = IsLanSide(change);
  entry.finding = report.choice.install
                      ? InstallFinding(report.outcome.installPlan)
                      : FindingOf(report.outcome.winKind, lan, lan ? report.outcome.lanPlan : report.outcome.modemPlan);
  switch (change.kind) {
    case ChangeKind::kKeyDeleted:
      entry.subKeys = change.keys.empty() ? 0 : change.keys.size() - 1;
      entry.values = change.values.size();
      entry.detail = Count(entry.subKeys, "sub-key") + ", " + Count(entry.values, "value");
      break;
    case ChangeKind::kValueDeleted:
      entry.target += "\\" + text::ToUtf8(change.name, cp);
      if (!change.values.empty()) entry.detail = "was " + ValueText(change.values[0].type, change.values[0].data, cp);
      break;
    case ChangeKind::kValueChanged:
    case ChangeKind::kValueCreated: {
      entry.target += "\\" + text::ToUtf8(change.name, cp);
      const std::string before =
          change.values.empty() ? "(none)" : ValueText(change.values[0].type, change.values[0].data, cp);
      entry.detail = before + " -> " + ValueText(change.nowType, change.nowData, cp);
      const std::string released = " in ComDB";
      if (IsComDb(change) && change.step.size() > released.size() &&
          change.step.compare(change.step.size() - released.size(), released.size(), released) == 0)
        entry.detail = change.step.substr(0, change.step.size() - released.size());
      break;
    }
    case ChangeKind::kAccessListReplaced:
      entry.detail = "interactive users read, administrators full access";
      break;
    case ChangeKind::kAttributesChanged:
      entry.detail = AttributesText(change.file.attributes) + " -> " + AttributesText(change.nowFile.attributes);
      break;
    case ChangeKind::kFileDeleted:
      entry.detail = Count(change.file.size, "byte") + ", " + AttributesText(change.file.attributes);
      break;
    case ChangeKind::kFileOverwritten:
    case ChangeKind::kFileCreated:
      entry.detail = Count(change.nowFile.size, "byte");
      break;
  }
  return entry;
}

std::string FlowName(const FlowReport& report) {
  if (report.choice.install) return "install";
  std::string ticked = report.choice.modem ? "USB modem" : "";
  if (report.choice.lan) ticked += ticked.empty() ? "USB-LAN" : " and USB-LAN";
  return "uninstall, " + (ticked.empty() ? std::string("nothing") : ticked) + " ticked";
}

std::string FoundLine(const FlowReport& report) {
  const FlowOutcome& o = report.outcome;
  if (report.choice.install) return InstallFinding(o.installPlan) + " (install plan " + Hex(o.installPlan) + ")";
  std::string out;
  if (report.choice.modem)
    out += "USB modem: " + FindingOf(o.winKind, false, o.modemPlan) + " (word " + Hex(o.modemWord) + ", plan " +
           std::to_string(o.modemPlan) + ")";
  if (report.choice.lan)
    out += std::string(out.empty() ? "" : "; ") + "USB-LAN: " + FindingOf(o.winKind, true, o.lanPlan) + " (word " +
           Hex(o.lanWord) + ", plan " + std::to_string(o.lanPlan) + ")";
  return out;
}

std::string Json(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::string FindingOf(int winKind, bool lanSide, int plan) {
  static const char* const kModem[] = {"",
                                       "port-adapter class key whose DeviceKey names the device (bit 0x02)",
                                       "Wdm class key matching VID_0E9C&PID_0012 (bit 0x04)",
                                       "WdmModem class key matching the device (bit 0x08)",
                                       "the device's USB enumeration entry with a driver (bit 0x20)",
                                       "INF files only (high half 1)",
                                       "USB instance \"tolvek ZR-77Q5K - USB\" with a driver (bit 0x08)",
                                       "INF files only (high half 1)"};
  static const char* const kLan[] = {"",
                                     "network class key of the USB-LAN instance (bit 0x10)",
                                     "INF files only (high half 1)",
                                     "the adapter's USB enumeration entry with a driver (bit 0x20)",
                                     "USB instance \"tolvek ZR-77Q5K USB-Lan Adapter\" with a driver (bit 0x10)",
                                     "INF files only (high half 1)"};
  if (plan == -1) return "not ticked";
  if (plan == -2) return "nothing installed";
  if (plan == -4 || (winKind != 1 && winKind != 2)) return "this Windows cannot be uninstalled from";
  if (lanSide) return plan >= 1 && plan <= 5 ? kLan[plan] : "unknown plan";
  return plan >= 1 && plan <= 7 ? kModem[plan] : "unknown plan";
}

std::string ReportText(const FlowReport& report) {
  const unsigned cp = report.codePage;
  std::string out = report.preview ? "Preview (nothing has been changed): " : "Done: ";
  out += FlowName(report) + "\n";
  out += "Windows: " + text::ToUtf8(report.outcome.osName, cp) + "\n";
  out += "Found: " + FoundLine(report) + "\n";
  out += (report.preview ? "Changes it makes (" : "Changes made (") + std::to_string(report.changes.size()) + "):\n";
  for (const Change& change : report.changes) {
    const Entry e = EntryOf(report, change);
    out += "  " + std::to_string(e.number) + ". " + e.kind + ": " + e.target;
    if (!e.detail.empty()) out += " [" + e.detail + "]";
    out += "\n       step: " + e.step + "; found: " + e.finding + "\n";
  }
  if (!report.refusals.empty()) {
    out += "Refused (" + std::to_string(report.refusals.size()) + "):\n";
    for (const Change& refused : report.refusals)
      out += "  " + std::string(safety::KindText(refused.kind)) + ": " + text::ToUtf8(refused.path, cp) +
             (refused.name.empty() ? "" : "\\" + text::ToUtf8(refused.name, cp)) + " (Win32 code " +
             std::to_string(refused.refusal) + "; step: " + refused.step + ")\n";
  }
  if (report.outcome.accessError)
    out += "The wizard shows the access-error message (administrator rights needed) and closes.\n";
  out += std::string("Restart: ") + (report.restart ? "requested, as Finish requests it" : "not requested") + "\n";
  if (!report.choice.install) out += RescanText(report.rescan, cp);
  return out;
}

std::string RescanText(const RescanResult& rescan, unsigned codePage) {
  if (rescan.items.empty()) return "Rescan: nothing of the device is left.\n";
  std::string out = "Rescan: left of the device (" + std::to_string(rescan.items.size()) + "):\n";
  for (const Leftover& left : rescan.items)
    out += "  " + left.what + ": " + text::ToUtf8(left.path, codePage) + " (" + left.reason + ")\n";
  return out;
}

std::string ReportJson(const FlowReport& report) {
  const unsigned cp = report.codePage;
  const FlowOutcome& o = report.outcome;
  std::string out = "{\n";
  out += "  \"preview\": " + std::string(report.preview ? "true" : "false") + ",\n";
  out += "  \"flow\": " + Json(report.choice.install ? "install" : "uninstall") + ",\n";
  out += "  \"modem\": " + std::string(report.choice.modem ? "true" : "false") +
         ", \"lan\": " + (report.choice.lan ? "true" : "false") + ",\n";
  out +=
      "  \"windows\": " + Json(text::ToUtf8(o.osName, cp)) + ", \"windowsKind\": " + std::to_string(o.winKind) + ",\n";
  out += "  \"modemWord\": " + std::to_string(o.modemWord) + ", \"lanWord\": " + std::to_string(o.lanWord) +
         ", \"modemPlan\": " + std::to_string(o.modemPlan) + ", \"lanPlan\": " + std::to_string(o.lanPlan) +
         ", \"installPlan\": " + std::to_string(o.installPlan) + ",\n";
  out += "  \"found\": " + Json(FoundLine(report)) + ",\n";
  out += "  \"changes\": [";
  for (std::size_t i = 0; i < report.changes.size(); ++i) {
    const Change& change = report.changes[i];
    const Entry e = EntryOf(report, change);
    out += std::string(i == 0 ? "\n" : ",\n") + "    {\"number\": " + std::to_string(e.number) +
           ", \"kind\": " + Json(e.kind) + ", \"path\": " + Json(text::ToUtf8(change.path, cp)) +
           ", \"name\": " + Json(text::ToUtf8(change.name, cp)) + ", \"subKeys\": " + std::to_string(e.subKeys) +
           ", \"values\": " + std::to_string(e.values) + ", \"detail\": " + Json(e.detail) +
           ", \"step\": " + Json(e.step) + ", \"finding\": " + Json(e.finding) + "}";
  }
  out += report.changes.empty() ? "],\n" : "\n  ],\n";
  out += "  \"refused\": [";
  for (std::size_t i = 0; i < report.refusals.size(); ++i) {
    const Change& refused = report.refusals[i];
    out += std::string(i == 0 ? "" : ", ") + "{\"kind\": " + Json(safety::KindText(refused.kind)) +
           ", \"path\": " + Json(text::ToUtf8(refused.path, cp)) +
           ", \"name\": " + Json(text::ToUtf8(refused.name, cp)) + ", \"code\": " + std::to_string(refused.refusal) +
           ", \"step\": " + Json(refused.step) + "}";
  }
  out += "],\n";
  out += "  \"accessError\": " + std::string(o.accessError ? "true" : "false") +
         ", \"restart\": " + (report.restart ? "true" : "false") + ",\n";
  out += "  \"rescan\": {\"modemWord\": " + std::to_string(report.rescan.modemWord) +
         ", \"lanWord\": " + std::to_string(report.rescan.lanWord) + ", \"left\": [";
  for (std::size_t i = 0; i < report.rescan.items.size(); ++i) {
    const Leftover& left = report.rescan.items[i];
    out += std::string(i == 0 ? "" : ", ") + "{\"what\": " + Json(left.what) +
           ", \"path\": " + Json(text::ToUtf8(left.path, cp)) + ", \"reason\": " + Json(left.reason) +
           ", \"refused\": " + (left.refused ? "true" : "false") + "}";
  }
  out += "]},\n";
  out += "  \"exitCode\": " + std::to_string(ExitCodeOf(report)) + "\n}\n";
  return out;
}

}  // namespace zr
