// What of the device a removal left, and why.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "app/flow_report.h"
#include "engine/device_names.h"
#include "engine/reg_edit.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"
#include "safety/overlay_platform.h"
#include "safety/path_parts.h"
#include "safety/prior_state.h"

namespace zr {
namespace {

constexpr char kComArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
constexpr char kAccessRefused[] = "access refused";

std::vector<std::string> SubKeys(IRegistry& registry, const std::string& path) {
  std::vector<std::string> names;
  RegHandle key = IRegistry::kNoHandle;
  if (registry.OpenKey(path, win::kKeyEnumerateSubKeys, key) != win::kSuccess) return names;
  char name[256];
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t capacity = sizeof(name);
    if (registry.EnumKey(key, i, name, &capacity) != win::kSuccess) break;
    names.emplace_back(name, capacity);
  }
  registry.CloseKey(key);
  return names;
}

std::string ChildKey(const std::string& parent, const std::string& child) {
  std::string path = parent;
  path.append(1, '\\').append(child);
  return path;
}

bool KeyExists(IRegistry& registry, const std::string& path) {
  RegHandle key = IRegistry::kNoHandle;
  if (registry.OpenKey(path, win::kKeyQueryValue, key) != win::kSuccess) return false;
  registry.CloseKey(key);
  return true;
}

// A key below `path` that the removal never tried to delete: beyond the
// four levels of ten sub-keys the deletion records.
bool HasUnrecordedBelow(IRegistry& registry, const std::string& path, const std::set<std::string>& tried) {
  const std::vector<std::string> children = SubKeys(registry, path);
  return std::any_of(children.begin(), children.end(), [&](const std::string& child) {
    const std::string below = ChildKey(path, child);
    return !tried.count(safety::LowerAscii(below)) || HasUnrecordedBelow(registry, below, tried);
  });
}

std::string Text(IRegistry& registry, const std::string& key, std::string_view name) {
  safety::ValueState value;
  if (!safety::ReadValueState(registry, key, name, value)) return {};
  std::string text(value.data.begin(), value.data.end());
  return text.substr(0, text.find('\0'));
}

bool SameText(std::string_view a, std::string_view b) { return safety::LowerAscii(a) == safety::LowerAscii(b); }

std::string Below(const std::string& path) {
  const std::string_view prefix = safety::kHklmPrefix;
  return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
}

std::string RefusalReason(IRegistry& registry, const safety::Change& refused, const std::set<std::string>& tried) {
  if (refused.kind == safety::ChangeKind::kKeyDeleted && HasUnrecordedBelow(registry, Below(refused.path), tried))
    return "beyond the ten-key bound: the deletion records four levels of ten sub-keys";
  if (refused.refusal == win::kAccessDenied) return kAccessRefused;
  return "refused (Win32 code " + std::to_string(refused.refusal) + ")";
}

bool StillThere(IPlatform& platform, const safety::Change& change) {
  IRegistry& registry = platform.Registry();
  switch (change.kind) {
    case safety::ChangeKind::kKeyDeleted:
    case safety::ChangeKind::kAccessListReplaced:
      return KeyExists(registry, Below(change.path));
    case safety::ChangeKind::kValueDeleted: {
      safety::ValueState value;
      return safety::ReadValueState(registry, Below(change.path), change.name, value);
    }
    case safety::ChangeKind::kFileDeleted: {
      safety::FileState file;
      return safety::ReadFileState(platform.Files(), change.path, file);
    }
    default:
      return false;  // a write that did not happen leaves nothing new behind
  }
}

// The COM port an instance holds, while ComDB still marks it taken.
void AddTakenPort(IRegistry& registry, const std::string& instance, const std::string& reason,
                  std::vector<Leftover>& out) {
  const std::string port = Text(registry, instance + "\\Device Parameters", "PortName");
  if (port.size() < 4 || !SameText(port.substr(0, 3), "COM")) return;
  unsigned number = 0;
  for (std::size_t i = 3; i < port.size() && i < 8 && port[i] >= '0' && port[i] <= '9'; ++i)
    number = number * 10 + static_cast<unsigned>(port[i] - '0');
  safety::ValueState comDb;
  if (number == 0 || !safety::ReadValueState(registry, kComArbiter, "ComDB", comDb)) return;
  const std::size_t byte = (number - 1) / 8;
  if (byte < comDb.data.size() && (comDb.data[byte] >> ((number - 1) % 8) & 1))
    out.push_back({"COM port", port, "still taken in ComDB: its instance is left (" + reason + ")", false});
}

// The modem's instances below the 2000/XP enumerator that are still there.
// `listed`: what is listed already (lower-cased path, a line end, the value
// name), with its reason.
using Listed = std::map<std::string, std::string>;

std::string ListedAs(const std::string& path, const std::string& name) {
  return safety::LowerAscii(path) + "\n" + safety::LowerAscii(name);
}

void AddLeftInstances(IRegistry& registry, unsigned codePage, Listed& listed, std::vector<Leftover>& out) {
  const std::string enumUsb = device::kUsbEnumNt;
  for (const std::string& hardware : SubKeys(registry, enumUsb)) {
    if (!SameText(hardware.substr(0, std::string_view(device::kHardwareId).size()), device::kHardwareId)) continue;
    const std::string hardwareKey = ChildKey(enumUsb, hardware);
    for (const std::string& instance : SubKeys(registry, hardwareKey)) {
      const std::string path = ChildKey(hardwareKey, instance);
      const std::string description = Text(registry, path, "DeviceDesc");
      std::string reason;
      if (!SameText(description, device::kModemInstance))
        reason = "no description match: \"" + text::ToUtf8(description, codePage) + "\" is not \"" +
                 device::kModemInstance + "\"";
      else if (Text(registry, path, "Driver").empty())
        reason = "no driver recorded, so detection passes it over";
      else
        reason = kAccessRefused;
      const auto [at, added] = listed.emplace(ListedAs(safety::kHklmPrefix + path, ""), reason);
      if (added) out.push_back({"key", safety::kHklmPrefix + path, reason, reason == kAccessRefused});
      AddTakenPort(registry, path, at->second, out);
    }
  }
}

}  // namespace

RescanResult Rescan(IPlatform& result, const FlowChoice& choice, const std::vector<safety::Change>& refusals) {
  RescanResult rescan;
  if (choice.install) return rescan;
  safety::CopyOnWritePlatform look(result);
  IRegistry& registry = look.Registry();
  {
    CRegEdit engine(look);
    engine.CheckWindowsVersion();
    if (choice.modem) rescan.modemWord = engine.DetectModem();
    if (choice.lan) rescan.lanWord = engine.DetectUsbLan();
  }

  std::set<std::string> tried;
  for (const safety::Change& refused : refusals)
    if (refused.kind == safety::ChangeKind::kKeyDeleted) tried.insert(safety::LowerAscii(Below(refused.path)));
  Listed listed;
  for (const safety::Change& refused : refusals) {
    if (!StillThere(look, refused) || listed.count(ListedAs(refused.path, refused.name))) continue;
    const bool isFile = refused.kind == safety::ChangeKind::kFileDeleted;
    const bool isValue = refused.kind == safety::ChangeKind::kValueDeleted;
    const std::string reason = RefusalReason(registry, refused, tried);
    listed.emplace(ListedAs(refused.path, refused.name), reason);
    rescan.items.push_back({isFile    ? "file"
                            : isValue ? "value"
                                      : "key",
                            isValue ? refused.path + "\\" + refused.name : refused.path, reason,
                            reason == kAccessRefused});
  }
  // Only 2000/XP keeps its USB instances there.
  if (choice.modem) AddLeftInstances(registry, look.System().AnsiCodePage(), listed, rescan.items);
  if (rescan.items.empty() && (rescan.modemWord != 0 || rescan.lanWord != 0)) {
    char word[64];
    std::snprintf(word, sizeof(word), "modem 0x%08X, USB-LAN 0x%08X", static_cast<unsigned>(rescan.modemWord),
                  static_cast<unsigned>(rescan.lanWord));
    rescan.items.push_back({"detection", word, "detection still finds the device's drivers or INF files", false});
  }
  return rescan;
}

}  // namespace zr
