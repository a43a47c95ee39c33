// A snapshot of every USB device instance below the USB enumerator key, in
// the work file's usb_root sections: roots, then instances, then each
// instance's values.
#include <optional>

#include "detect/text_match.h"
#include "engine/opened_key.h"
#include "engine/reg_edit.h"
#include "engine/windows_version.h"

namespace zr {
namespace {

constexpr int kRoots = 128;
constexpr int kInstances = 128;
// As long as the engine's key-path buffers: a path of a 259-character root
// and instance name (or driver name) below the enumerator (or class) key.
using KeyPath = CRegEdit::KeyPathText;

}  // namespace

Text260 CRegEdit::ReadRegistryText(std::string_view keyPath, std::string_view valueName, int* result) {
  OpenedKey key(platform_.Registry(), keyPath, win::kKeyQueryValue);
  lastReadResult_ = key.Result();
  return ReadRegistryText(key.Ok() ? key.Handle() : IRegistry::kNoHandle, valueName, result);
}

Text260 CRegEdit::ReadRegistryText(RegHandle key, std::string_view valueName, int* result) {
  // The reader leaves its buffer alone when the key does not open.
  m_aszKeyPath[2].Clear();
  int read = -1;
  if (key != IRegistry::kNoHandle) {
    read = ReadOpenedValue(key, valueName, std::span<std::uint8_t>(m_aszKeyPath[2].bytes(), KeyPath::Capacity()));
    if (read > 0) m_aszKeyPath[2].Terminate(static_cast<std::size_t>(read));
  }
  if (result != nullptr) *result = read;
  Text260 text;
  text = m_aszKeyPath[2].view();
  return text;
}

int CRegEdit::EnumUsbDevices(std::string_view enumKey, std::string_view deviceDesc, int winKind) {
  WorkFileBatch batch(*this);
  IRegistry& registry = platform_.Registry();
  const std::string enumPath(enumKey);
  Text260 name;
  Text260 key;

  // Pass 1: the roots (hardware ids).
  {
    OpenedKey enumerator(registry, enumPath, win::kKeyEnumerateSubKeys);
    for (int r = 0; enumerator.Ok() && r < kRoots; ++r) {
      if (!enumerator.SubKeyName(static_cast<std::uint32_t>(r), name)) break;
      m_szSection.Format("usb_root%d", r);
      WriteWorkNumber(m_szSection.view(), "index", r + 1);
      WriteWorkText(m_szSection.view(), "reg_enum", name.view());
    }
  }

  // Pass 2: the instances of every recorded root.
  for (int r = 0; r < kRoots; ++r) {
    m_szSection.Format("usb_root%d", r);
    if (ReadWorkInt(m_szSection.view(), "index") == 0) break;
    const Text260 root = ReadWorkText(m_szSection.view(), "reg_enum");
    if (!m_aszKeyPath[1].Format("%s\\%s", enumPath.c_str(), root.c_str())) continue;
    OpenedKey hardware(registry, m_aszKeyPath[1].view(), win::kKeyEnumerateSubKeys);
    for (int d = 0; hardware.Ok() && d < kInstances; ++d) {
      if (!hardware.SubKeyName(static_cast<std::uint32_t>(d), name)) break;
      key.Format("usb_device%d_index", d);
      WriteWorkNumber(m_szSection.view(), key.view(), d + 1);
      key.Format("usb_device%d_reg_enum", d);
      WriteWorkText(m_szSection.view(), key.view(), name.view());
    }
  }

  // Pass 3: each instance's values. A path that does not fit its buffer
  // names no key, and its values read as empty.
  int found = 0;
  for (int r = 0; r < kRoots; ++r) {
    m_szSection.Format("usb_root%d", r);
    if (ReadWorkInt(m_szSection.view(), "index") == 0) break;
    for (int d = 0; d < kInstances; ++d) {
      key.Format("usb_device%d_index", d);
      if (ReadWorkInt(m_szSection.view(), key.view()) == 0) break;
      // Each key is opened once for all its values: under Wine every open
      // and close is a round trip to the server, and at the bounds they were
      // most of the detection's time.
      using Key = std::optional<OpenedKey>;
      auto open = [&](Key& opened, const KeyPath& path) {
        if (!path.empty()) opened.emplace(registry, path.view(), win::kKeyQueryValue);
      };
      auto read = [&](const Key& opened, std::string_view value, int* result = nullptr) {
        if (!opened) {
          if (result != nullptr) *result = 0;
          return Text260();
        }
        return ReadRegistryText(opened->Ok() ? opened->Handle() : IRegistry::kNoHandle, value, result);
      };
      auto write = [&](const char* format, std::string_view value) {
        key.Format(format, d);
        WriteWorkText(m_szSection.view(), key.view(), value);
      };
      auto instancePath = [&](bool parameters) {
        const Text260 root = ReadWorkText(m_szSection.view(), "reg_enum");
        key.Format("usb_device%d_reg_enum", d);
        const Text260 instance = ReadWorkText(m_szSection.view(), key.view());
        KeyPath path;
        const bool fits = parameters ? path.Format("%s\\%s\\%s\\%s", enumPath.c_str(), root.c_str(), instance.c_str(),
                                                   "Device Parameters")
                                     : path.Format("%s\\%s\\%s", enumPath.c_str(), root.c_str(), instance.c_str());
        if (!fits) path.Clear();
        return path;
      };

      Key instance;
      open(instance, instancePath(false));
      const Text260 description = read(instance, "DeviceDesc");
      write("usb_device%d_reg_dev_name", description.view());
      if (EqualIgnoringCase(description.view(), deviceDesc)) {
        int result = 0;
        const Text260 driver = read(instance, "Driver", &result);
        if (result > 0)
          found = 1;
        else
          write("usb_device%d_reg_dev_name", "");
        write("usb_device%d_reg_driver", driver.view());
      }
      write("usb_device%d_reg_guid", read(instance, "ClassGUID").view());
      if (winKind == kWinKind9x) {
        write("usb_device%d_reg_child_id", read(instance, "ChildID").view());
        write("usb_device%d_reg_sym_name", read(instance, "SymbolicName").view());
        continue;
      }
      Key parameters;
      open(parameters, instancePath(true));
      write("usb_device%d_reg_sym_name", read(parameters, "SymbolicName").view());
      write("usb_device%d_reg_port_name", read(parameters, "PortName").view());
      write("usb_device%d_reg_service", read(instance, "Service").view());
      key.Format("usb_device%d_reg_driver", d);
      const Text260 driver = ReadWorkText(m_szSection.view(), key.view());
      KeyPath classPath;
      if (!classPath.Format("SYSTEM\\CurrentControlSet\\Control\\Class\\%s", driver.c_str())) classPath.Clear();
      Key classKey;
      open(classKey, classPath);
      write("usb_device%d_reg_rsp_name", read(classKey, "ResponsesKeyName").view());
      write("usb_device%d_reg_net_conf", read(classKey, "NetCfgInstanceId").view());
    }
  }
  return found;
}

}  // namespace zr
