#include "safety/step_names.h"

#include <array>
#include <utility>

#include "safety/path_parts.h"

namespace zr::safety {

namespace {

// The first row whose text the lower-cased key path contains names the step.
constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kKeySteps = {{
    {"\\enum\\usbmodem\\", "modem hardware key of the port adapter (Enum\\USBMODEM)"},
    {"\\enum\\wdm_modem\\", "WDM modem hardware key (Enum\\WDM_MODEM)"},
    {"\\enum\\network\\", "network component bound to the adapter (Enum\\Network)"},
    {"\\currentcontrolset\\enum\\usb\\", "instance key of the device (Enum\\USB)"},
    {"\\enum\\usb\\", "USB hardware key of the device (Enum\\USB)"},
    {"\\class\\modem\\", "driver key of the modem instance"},
    {"\\class\\{4d36e96d-", "driver key of the modem instance"},
    {"\\class\\usb\\", "driver key of the USB port adapter instance"},
    {"\\class\\wdm", "driver key of the WDM instance"},
    {"\\class\\net\\", "driver key of the network adapter"},
    {"\\class\\{4d36e972-", "driver key of the network adapter"},
    {"\\class\\", "class driver key of the device"},
    {"\\control\\network\\", "network configuration key of the adapter"},
    {"\\control\\deviceclasses\\", "device-interface key of the device"},
    {"\\unimodem\\devicespecific\\", "modem response key"},
    {"\\services\\", "service key of the driver"},
}};

std::string FileStep(std::string_view path, ChangeKind kind) {
  const std::string lower = LowerAscii(path);
  const auto endsWith = [&](std::string_view tail) {
    return lower.size() >= tail.size() && lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
  };
  const std::string what = endsWith(".inf") ? "INF file" : endsWith(".pnf") ? "precompiled INF file" : "driver file";
  switch (kind) {
    case ChangeKind::kFileCreated:
      return what + " staged";
    case ChangeKind::kFileOverwritten:
      return what + " staged over an older copy";
    case ChangeKind::kAttributesChanged:
      return "read-only attribute cleared before deleting the " + what;
    default:
      return what + " of the device";
  }
}

std::string ComDbStep(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after) {
  std::string released;
  for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
    for (int bit = 0; bit < 8; ++bit)
      if ((before[i] >> bit & 1) && !(after[i] >> bit & 1))
        released += (released.empty() ? "COM" : ", COM") + std::to_string(i * 8 + static_cast<std::size_t>(bit) + 1);
  return released.empty() ? "ComDB written back unchanged" : released + " released in ComDB";
}

}  // namespace

std::string StepOf(const Change& change, const std::vector<std::uint8_t>& written) {
  const std::string lower = LowerAscii(change.path);
  switch (change.kind) {
    case ChangeKind::kFileDeleted:
    case ChangeKind::kFileOverwritten:
    case ChangeKind::kFileCreated:
    case ChangeKind::kAttributesChanged:
      return FileStep(change.path, change.kind);
    case ChangeKind::kAccessListReplaced:
      return "access list replaced so that the key can be changed";
    case ChangeKind::kValueChanged:
    case ChangeKind::kValueCreated:
      if (LowerAscii(change.name) == "comdb" && !change.values.empty())
        return ComDbStep(change.values[0].data, written);
      break;
    default:
      break;
  }
  if (change.kind != ChangeKind::kKeyDeleted && lower.find("\\control\\network\\") != std::string::npos &&
      lower.size() >= 13 && lower.compare(lower.size() - 13, 13, "\\descriptions") == 0)
    return "adapter entry in the network class descriptions";
  for (const auto& [text, step] : kKeySteps)
    if (lower.find(text) != std::string::npos)
      return change.kind == ChangeKind::kKeyDeleted ? std::string(step) : "value of the " + std::string(step);
  return change.kind == ChangeKind::kKeyDeleted ? "key of the device" : "value of the device";
}

}  // namespace zr::safety
