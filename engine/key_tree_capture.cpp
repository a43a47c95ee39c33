// Recording a device's registry key trees into the work file, so that they
// can later be deleted deepest key first.
#include "engine/opened_key.h"
#include "engine/reg_edit.h"
#include "engine/registry_name.h"

namespace zr {
namespace {

constexpr int kKeysPerLevel = 10;
constexpr std::string_view kModemInterfaceClass = "{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}";
constexpr std::string_view kNetInterfaceClass = "{ad498944-762f-11d0-8dcb-00c04fc3358c}";
constexpr std::string_view kModemInterfaceKey =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{2c7089aa-2e0e-11d1-b114-00c04fc2aae4}";
constexpr std::string_view kNetInterfaceKey =
    "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{ad498944-762f-11d0-8dcb-00c04fc3358c}";

}  // namespace

int CRegEdit::CaptureKeyTree(int tree, std::string_view rootPath) {
  WorkFileBatch batch(*this);
  IRegistry& registry = platform_.Registry();
  m_aszKeyPath[0] = rootPath;
  OpenedKey root(registry, m_aszKeyPath[0].view(), win::kKeyEnumerateSubKeys);
  if (!root.Ok()) return 0;
  Text260 name;
  for (int k = 0; k < kKeysPerLevel; ++k) {
    m_szTreeSection.Format("key_bind%d_%d", tree, k);
    if (!root.SubKeyName(static_cast<std::uint32_t>(k), name)) break;
    WriteWorkNumber(m_szTreeSection.view(), "index", k + 1);
    WriteWorkText(m_szTreeSection.view(), "key", name.view());
    const Text260 k1 = ReadWorkText(m_szTreeSection.view(), "key");

    if (!m_aszKeyPath[1].Format("%s\\%s", m_aszKeyPath[0].c_str(), k1.c_str())) continue;
    OpenedKey level1(registry, m_aszKeyPath[1].view(), win::kKeyEnumerateSubKeys);
    if (!level1.Ok()) continue;
    for (int x = 0; x < kKeysPerLevel; ++x) {
      Text260 key;
      if (!level1.SubKeyName(static_cast<std::uint32_t>(x), name)) break;
      key.Format("key_next%d_index", x);
      WriteWorkNumber(m_szTreeSection.view(), key.view(), k + 1);
      key.Format("key_next%d_key", x);
      WriteWorkText(m_szTreeSection.view(), key.view(), name.view());
      const Text260 k2 = ReadWorkText(m_szTreeSection.view(), key.view());

      if (!m_aszKeyPath[2].Format("%s\\%s\\%s", m_aszKeyPath[0].c_str(), k1.c_str(), k2.c_str())) continue;
      OpenedKey level2(registry, m_aszKeyPath[2].view(), win::kKeyEnumerateSubKeys);
      if (!level2.Ok()) continue;
      for (int y = 0; y < kKeysPerLevel; ++y) {
        if (!level2.SubKeyName(static_cast<std::uint32_t>(y), name)) break;
        key.Format("key_next%d_%d_index", x, y);
        WriteWorkNumber(m_szTreeSection.view(), key.view(), k + 1);
        key.Format("key_next%d_%d_key", x, y);
        WriteWorkText(m_szTreeSection.view(), key.view(), name.view());
        const Text260 k3 = ReadWorkText(m_szTreeSection.view(), key.view());

        if (!m_aszKeyPath[3].Format("%s\\%s\\%s\\%s", m_aszKeyPath[0].c_str(), k1.c_str(), k2.c_str(), k3.c_str()))
          continue;
        OpenedKey level3(registry, m_aszKeyPath[3].view(), win::kKeyEnumerateSubKeys);
        if (!level3.Ok()) continue;
        for (int z = 0; z < kKeysPerLevel; ++z) {
          if (!level3.SubKeyName(static_cast<std::uint32_t>(z), name)) break;
          key.Format("key_next%d_%d_%d_index", x, y, z);
          WriteWorkNumber(m_szTreeSection.view(), key.view(), k + 1);
          key.Format("key_next%d_%d_%d_key", x, y, z);
          WriteWorkText(m_szTreeSection.view(), key.view(), name.view());
        }
      }
    }
  }
  return 0;
}

void CRegEdit::SplitSymbolicName(std::string_view recorded) {
  // A symbolic link name starts with the four characters "\??\".
  m_szSymName = recorded.size() < 5 ? std::string_view() : recorded.substr(4);
  const std::string_view name = m_szSymName.view();
  const std::size_t brace = name.find('{');
  m_szSymPrefix = name.substr(0, brace);
  m_szSymGuid = brace == std::string_view::npos ? std::string_view() : name.substr(brace);
}

bool CRegEdit::BuildTreeRoot(int tree, std::string_view format, std::initializer_list<std::string_view> names) {
  Text260& root = m_aszTreeRoot[static_cast<std::size_t>(tree)];
  // A root with an empty name in it, or a name ending in a backslash, would
  // name a parent of the device's keys (all of Services, say); such a root
  // is left empty, which no deletion matches, and nothing is captured for
  // it. So is a root too long for its buffer, which cut short would name
  // another key.
  std::string path;
  auto name = names.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format.compare(i, 2, "%s") == 0 && name != names.end()) {
      if (LastNameEmpty(*name, platform_.System().AnsiCodePage())) break;
      path.append(*name++);
      ++i;
    } else {
      path += format[i];
    }
  }
  if (name != names.end() || path.size() >= Text260::Capacity()) {
    root.Clear();
    return false;
  }
  root = path;
  CaptureKeyTree(tree, root.view());
  return true;
}

int CRegEdit::CaptureDeviceTrees(int root, int device, int side) {
  if (side != 0 && side != 1) return 0;
  WorkFileBatch batch(*this);
  m_szSection.Format("usb_root%d", root);
  const Text260 hardware = ReadWorkText(m_szSection.view(), "reg_enum");
  Text260 key;
  key.Format("usb_device%d_reg_enum", device);
  const Text260 instance = ReadWorkText(m_szSection.view(), key.view());
  auto recorded = [&](const char* format) {
    key.Format(format, device);
    return ReadWorkText(m_szSection.view(), key.view());
  };
  constexpr std::string_view kEnum = "SYSTEM\\CurrentControlSet\\Enum\\USB\\%s\\%s";
  constexpr std::string_view kClass = "SYSTEM\\CurrentControlSet\\Control\\Class\\%s";
  constexpr std::string_view kInterface = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\%s\\##?#%s";

  if (side == 0) {
    BuildTreeRoot(0, kEnum, {hardware.view(), instance.view()});
    BuildTreeRoot(1, kClass, {recorded("usb_device%d_reg_driver").view()});
    BuildTreeRoot(2, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\%s",
                  {recorded("usb_device%d_reg_rsp_name").view()});
    SplitSymbolicName(recorded("usb_device%d_reg_sym_name").view());
    BuildTreeRoot(3, kInterface, {m_szSymGuid.view(), m_szSymName.view()});
    BuildTreeRoot(4, std::string(kModemInterfaceKey) + "\\##?#%s%s", {m_szSymPrefix.view(), kModemInterfaceClass});
  } else {
    BuildTreeRoot(6, kEnum, {hardware.view(), instance.view()});
    BuildTreeRoot(7, kClass, {recorded("usb_device%d_reg_driver").view()});
    const Text260 guid = recorded("usb_device%d_reg_guid");
    BuildTreeRoot(8, "SYSTEM\\CurrentControlSet\\Control\\Network\\%s\\%s",
                  {guid.view(), recorded("usb_device%d_reg_net_conf").view()});
    SplitSymbolicName(recorded("usb_device%d_reg_sym_name").view());
    BuildTreeRoot(9, kInterface, {m_szSymGuid.view(), m_szSymName.view()});
    BuildTreeRoot(10, std::string(kNetInterfaceKey) + "\\##?#%s%s", {m_szSymPrefix.view(), kNetInterfaceClass});
    BuildTreeRoot(11, "SYSTEM\\CurrentControlSet\\Services\\%s", {recorded("usb_device%d_reg_service").view()});
  }
  return 0;
}

}  // namespace zr
