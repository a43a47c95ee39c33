// Deleting a key, plainly or through its recorded tree: the access list of
// every recorded key is opened up top down, then the keys go deepest level
// first, then the key itself. A failure is reported once per run, and the
// wizard is asked to close.
#include <algorithm>

#include "engine/reg_edit.h"
#include "engine/registry_name.h"
#include "engine/sheet_window.h"
#include "platform/text/codepage.h"

namespace zr {
namespace {

constexpr int kKeysPerLevel = 10;
constexpr char kAccessErrorText[] = "管理者権限でログオンする必要があります。\r\nアプリケーションを終了します。";
constexpr char kAccessErrorCaption[] = "アクセス権エラー";

// Equal but for the case of ASCII letters that stand as characters of their
// own; the second byte of a double-byte character is compared as it is.
bool SameKeyPath(std::string_view a, std::string_view b, unsigned codePage) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (text::IsLeadByte(static_cast<unsigned char>(a[i]), codePage) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

// Visits every recorded key of tree `tree` top down, in the recorded order:
// visit(depth 1 to 4, path of its parent, its name), all read afresh from
// the work file. A path too long for its buffer is passed over.
template <typename Visit>
void CRegEdit::ForEachRecordedKey(int tree, Visit visit) {
  Text260 key;
  auto present = [&](const Text260& indexKey) { return ReadWorkInt(m_szTreeSection.view(), indexKey.view()) != 0; };
  for (int k = 0; k < kKeysPerLevel; ++k) {
    m_szTreeSection.Format("key_bind%d_%d", tree, k);
    if (ReadWorkInt(m_szTreeSection.view(), "index") == 0) break;
    const Text260 k1 = ReadWorkText(m_szTreeSection.view(), "key");
    visit(1, m_szDelRoot.view(), k1.view());
    for (int x = 0; x < kKeysPerLevel; ++x) {
      if (key.Format("key_next%d_index", x); !present(key)) break;
      key.Format("key_next%d_key", x);
      const Text260 k2 = ReadWorkText(m_szTreeSection.view(), key.view());
      if (m_szDelPath.Format("%s\\%s", m_szDelRoot.c_str(), k1.c_str())) visit(2, m_szDelPath.view(), k2.view());
      for (int y = 0; y < kKeysPerLevel; ++y) {
        if (key.Format("key_next%d_%d_index", x, y); !present(key)) break;
        key.Format("key_next%d_%d_key", x, y);
        const Text260 k3 = ReadWorkText(m_szTreeSection.view(), key.view());
        if (m_szDelPath.Format("%s\\%s\\%s", m_szDelRoot.c_str(), k1.c_str(), k2.c_str()))
          visit(3, m_szDelPath.view(), k3.view());
        for (int z = 0; z < kKeysPerLevel; ++z) {
          if (key.Format("key_next%d_%d_%d_index", x, y, z); !present(key)) break;
          key.Format("key_next%d_%d_%d_key", x, y, z);
          const Text260 k4 = ReadWorkText(m_szTreeSection.view(), key.view());
          if (m_szDelPath.Format("%s\\%s\\%s\\%s", m_szDelRoot.c_str(), k1.c_str(), k2.c_str(), k3.c_str()))
            visit(4, m_szDelPath.view(), k4.view());
        }
      }
    }
  }
}

int CRegEdit::DeleteKeyTree(std::string_view parentPath, std::string_view keyName, int mode) {
  if (mode != 1 && mode != 2) return 0;
  // An empty name, or one ending in a backslash, names the parent itself.
  if (LastNameEmpty(keyName, platform_.System().AnsiCodePage())) return 0;
  if (mode == 1) return RegDeleteKey(parentPath, keyName);

  WorkFileBatch batch(*this);
  const std::string parent(parentPath);
  const std::string name(keyName);
  const bool rootFits = m_szDelRoot.Format("%s\\%s", parent.c_str(), name.c_str());
  int tree = kTreeRoots;
  for (int t = 0; rootFits && t < kTreeRoots; ++t) {
    // The whole root must match: a tree recorded for a deeper key, walked
    // from this one, would name other keys.
    if (!m_aszTreeRoot[static_cast<std::size_t>(t)].empty() &&
        SameKeyPath(m_aszTreeRoot[static_cast<std::size_t>(t)].view(), m_szDelRoot.view(),
                    platform_.System().AnsiCodePage())) {
      tree = t;
      break;
    }
  }
  if (tree < kTreeRoots) {
    // Each key's list is opened before those of its sub-keys.
    Text260 path;
    ForEachRecordedKey(tree, [this, &path](int, std::string_view under, std::string_view child) {
      if (path.Format("%.*s\\%.*s", static_cast<int>(under.size()), under.data(), static_cast<int>(child.size()),
                      child.data()))
        SetKeySecurity(path.view());
    });
    // Then the keys go, the deepest level first.
    for (int depth = 4; depth >= 1; --depth) {
      ForEachRecordedKey(tree, [this, depth](int at, std::string_view under, std::string_view child) {
        if (at == depth) RegDeleteKey(under, child);
      });
    }
  }
  if (rootFits) SetKeySecurity(m_szDelRoot.view());
  const int result = RegDeleteKey(parent, name);
  if (result == 0 && !m_bAccessErrorShown) {
    m_bAccessErrorShown = true;
    if (ISheetWindow* sheet = wizard_.m_hSheetWnd; sheet != nullptr) {
      sheet->ShowMessage(kAccessErrorText, kAccessErrorCaption, MessageIcon::Error);
      sheet->PostClose();
    }
  }
  return result;
}

}  // namespace zr
