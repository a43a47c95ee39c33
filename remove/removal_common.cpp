// What the removal routines share: the numbered class-key scan, the file
// lists, and the guards that keep every deletion on the device's own keys.
#include "remove/removal_common.h"

#include "detect/text_match.h"
#include "platform/text/codepage.h"

namespace zr {

void CRegEdit::DeleteFilesIn(std::string_view folder, std::initializer_list<const char*> relative) {
  const std::string base(folder);
  for (const char* file : relative) {
    if (m_szFilePath.Format("%s\\%s", base.c_str(), file)) DeleteFileForce(std::string(m_szFilePath.view()));
  }
}

int CRegEdit::DeleteChildKey(std::string_view parent, std::string_view child, int mode) {
  // An empty child would make the deletion name the parent itself.
  if (child.empty()) return 0;
  return DeleteKeyTree(parent, child, mode);
}

bool IsInstanceName(std::string_view name, unsigned codePage) {
  // Separators counted by character: the second byte of a double-byte
  // character may be 0x5C and is no separator.
  std::size_t separators = 0;
  std::size_t at = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (text::IsLeadByte(static_cast<unsigned char>(name[i]), codePage) && i + 1 < name.size()) {
      ++i;
    } else if (name[i] == '\\') {
      ++separators;
      at = i;
    }
  }
  return separators == 1 && at > 0 && at + 1 < name.size();
}

int CRegEdit::DeleteInstanceKey(std::string_view parent, std::string_view child, int mode) {
  // A driver or component name read from the registry or the work file
  // must name one instance ("Modem\0001", "{guid}\0003"); a bare class name
  // would take every device of that class with it.
  if (!IsInstanceName(child, platform_.System().AnsiCodePage())) return 0;
  return DeleteKeyTree(parent, child, mode);
}

Text260 CRegEdit::RecordedValue(const char* format, int device) {
  Text260 key;
  key.Format(format, device);
  return ReadWorkText(m_szSection.view(), key.view());
}

void CRegEdit::DeleteRecordedInstanceAndDriver(int device) {
  Text260 parent;
  const Text260 hardware = ReadWorkText(m_szSection.view(), "reg_enum");
  if (!hardware.empty() && parent.Format("SYSTEM\\CurrentControlSet\\Enum\\USB\\%s", hardware.c_str()))
    DeleteChildKey(parent.view(), RecordedValue("usb_device%d_reg_enum", device).view(), 2);
  DeleteInstanceKey("SYSTEM\\CurrentControlSet\\Control\\Class",
                    RecordedValue("usb_device%d_reg_driver", device).view(), 2);
}

void CRegEdit::DeleteRecordedInterfaces(int device, const char* interfaceClass) {
  SplitSymbolicName(RecordedValue("usb_device%d_reg_sym_name", device).view());
  Text260 parent;
  Text260 child;
  // The entry below the class its symbolic link names...
  if (!m_szSymGuid.empty() && !m_szSymName.empty() &&
      parent.Format("SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\%s", m_szSymGuid.c_str()) &&
      child.Format("##?#%s", m_szSymName.c_str()))
    DeleteChildKey(parent.view(), child.view(), 2);
  // ...and the same device's entry below the modem or network class.
  if (!m_szSymPrefix.empty() && child.Format("##?#%s%s", m_szSymPrefix.c_str(), interfaceClass) &&
      parent.Format("SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\%s", interfaceClass))
    DeleteChildKey(parent.view(), child.view(), 2);
}

}  // namespace zr
