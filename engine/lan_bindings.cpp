// Recording the network components bound to a USB-LAN instance on Windows
// 9x, three levels deep, before their removal deletes them.
#include "engine/opened_key.h"
#include "engine/reg_edit.h"

namespace zr {
namespace {

constexpr int kBindings = 32;

}  // namespace

int CRegEdit::CaptureLanBindings(int root, int device) {
  WorkFileBatch batch(*this);
  IRegistry& registry = platform_.Registry();
  m_szSection.Format("usb_root%d", root);
  const Text260 hardware = ReadWorkText(m_szSection.view(), "reg_enum");
  Text260 key;
  key.Format("usb_device%d_reg_enum", device);
  const Text260 instance = ReadWorkText(m_szSection.view(), key.view());
  Text260 name;

  // First level: the value names of the instance's Bindings key.
  if (m_aszKeyPath[1].Format("Enum\\USB\\%s\\%s\\%s", hardware.c_str(), instance.c_str(), "Bindings")) {
    OpenedKey bindings(registry, m_aszKeyPath[1].view(), win::kKeyQueryValue);
    for (int b = 0; bindings.Ok() && b < kBindings; ++b) {
      if (!bindings.ValueName(static_cast<std::uint32_t>(b), name)) break;
      m_szLanSection.Format("lan_bind%d", b);
      WriteWorkNumber(m_szLanSection.view(), "index", b + 1);
      WriteWorkText(m_szLanSection.view(), "reg_enum", name.view());
    }
  }

  // The components' driver keys and what is bound to them.
  for (int b = 0; b < kBindings; ++b) {
    m_szLanSection.Format("lan_bind%d", b);
    if (ReadWorkInt(m_szLanSection.view(), "index") == 0) break;
    Text260 component = ReadWorkText(m_szLanSection.view(), "reg_enum");
    // Empty when the component has no Driver value or no key at all (the
    // reader leaves its buffer as it was when the key does not open).
    m_aszKeyPath[2].Clear();
    if (m_aszKeyPath[1].Format("Enum\\Network\\%s", component.c_str()))
      RegReadValue(m_aszKeyPath[1].view(), "Driver", m_aszKeyPath[2]);
    WriteWorkText(m_szLanSection.view(), "reg_driver", m_aszKeyPath[2].view());

    component = ReadWorkText(m_szLanSection.view(), "reg_enum");
    if (!m_aszKeyPath[1].Format("Enum\\Network\\%s\\Bindings", component.c_str())) continue;
    OpenedKey bound(registry, m_aszKeyPath[1].view(), win::kKeyQueryValue);
    for (int p = 0; bound.Ok() && p < kBindings; ++p) {
      if (!bound.ValueName(static_cast<std::uint32_t>(p), name)) break;
      key.Format("lan_bind%d_p_bind%d_index", b, p);
      WriteWorkNumber(m_szLanSection.view(), key.view(), p + 1);
      key.Format("lan_bind%d_p_bind%d_reg_enum", b, p);
      WriteWorkText(m_szLanSection.view(), key.view(), name.view());
    }
  }

  // Third level: what is bound to each second-level component. Its index
  // carries the second-level number plus one.
  for (int b = 0; b < kBindings; ++b) {
    m_szLanSection.Format("lan_bind%d", b);
    if (ReadWorkInt(m_szLanSection.view(), "index") == 0) break;
    for (int p = 0; p < kBindings; ++p) {
      key.Format("lan_bind%d_p_bind%d_index", b, p);
      if (ReadWorkInt(m_szLanSection.view(), key.view()) == 0) break;
      key.Format("lan_bind%d_p_bind%d_reg_enum", b, p);
      const Text260 component = ReadWorkText(m_szLanSection.view(), key.view());
      if (!m_aszKeyPath[1].Format("Enum\\Network\\%s\\Bindings", component.c_str())) continue;
      OpenedKey bound(registry, m_aszKeyPath[1].view(), win::kKeyQueryValue);
      for (int q = 0; bound.Ok() && q < kBindings; ++q) {
        if (!bound.ValueName(static_cast<std::uint32_t>(q), name)) break;
        key.Format("lan_bind%d_p_bind%d_bind%d_index", b, p, q);
        WriteWorkNumber(m_szLanSection.view(), key.view(), p + 1);
        key.Format("lan_bind%d_p_bind%d_bind%d_reg_enum", b, p, q);
        WriteWorkText(m_szLanSection.view(), key.view(), name.view());
      }
    }
  }
  return 0;
}

}  // namespace zr
