#include "platform/sim/reg_tree.h"

#include <algorithm>

#include "platform/text/codepage.h"

namespace zr::sim {
namespace {

// Lower-cases the letters whose case pairs Windows folds in registry names:
// ASCII, Latin-1, Greek, Cyrillic and the full-width forms.
char16_t LowerCodeUnit(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  return c;
}

std::u16string_view FoldOf(const RegValue& value) { return value.fold; }
std::u16string_view FoldOf(const std::shared_ptr<RegKey>& key) { return key->Fold(); }

// Position of the first item whose fold key is not below `fold`.
template <typename Item>
std::size_t LowerBound(const std::vector<Item>& items, std::u16string_view fold) {
  auto it = std::lower_bound(items.begin(), items.end(), fold,
                             [](const Item& item, std::u16string_view f) { return FoldOf(item) < f; });
  return static_cast<std::size_t>(it - items.begin());
}

}  // namespace

std::u16string FoldName(std::string_view name, unsigned codePage) {
  // Most names are plain ASCII, which every code page maps to itself: no
  // conversion needed.
  if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::u16string fold(name.size(), u'\0');
    for (std::size_t i = 0; i < name.size(); ++i) fold[i] = LowerCodeUnit(static_cast<char16_t>(name[i]));
    return fold;
  }
  std::u16string fold = text::ToUtf16(name, codePage);
  for (char16_t& c : fold) c = LowerCodeUnit(c);
  return fold;
}

std::shared_ptr<RegKey> RegKey::FindChild(std::u16string_view fold) const {
  const std::size_t i = LowerBound(children_, fold);
  if (i < children_.size() && children_[i]->Fold() == fold) return children_[i];
  return nullptr;
}

std::shared_ptr<RegKey> RegKey::AddChild(std::string_view name, std::u16string fold) {
  const std::size_t i = LowerBound(children_, fold);
  if (i < children_.size() && children_[i]->Fold() == fold) return children_[i];
  return *children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i),
                           std::make_shared<RegKey>(std::string(name), std::move(fold)));
}

bool RegKey::RemoveChild(std::u16string_view fold) {
  const std::size_t i = LowerBound(children_, fold);
  if (i >= children_.size() || children_[i]->Fold() != fold) return false;
  children_[i]->MarkDeleted();
  children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

void RegKey::MarkDeleted() {
  deleted_ = true;
  for (auto& child : children_) child->MarkDeleted();
}

const RegValue* RegKey::FindValue(std::u16string_view fold) const {
  const std::size_t i = LowerBound(values_, fold);
  if (i < values_.size() && values_[i].fold == fold) return &values_[i];
  return nullptr;
}

void RegKey::SetValue(std::string_view name, std::u16string fold, std::uint32_t type, std::vector<std::uint8_t> data,
                      std::optional<std::vector<std::uint8_t>> utf16) {
  const std::size_t i = LowerBound(values_, fold);
  if (i < values_.size() && values_[i].fold == fold) {
    values_[i].type = type;
    values_[i].data = std::move(data);
    values_[i].utf16 = std::move(utf16);
    return;
  }
  values_.insert(values_.begin() + static_cast<std::ptrdiff_t>(i),
                 RegValue{std::string(name), std::move(fold), type, std::move(data), std::move(utf16)});
}

void RegKey::SetAccessListReplaced(bool replaced) {
  accessList_.clear();
  if (replaced) accessList_ = {{"S-1-5-4", 0x20019, 0}, {"S-1-5-32-544", 0xF003F, 0}};
}

bool RegKey::RemoveValue(std::u16string_view fold) {
  const std::size_t i = LowerBound(values_, fold);
  if (i >= values_.size() || values_[i].fold != fold) return false;
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

std::size_t RegKey::CountKeys() const {
  std::size_t n = 1;
  for (const auto& child : children_) n += child->CountKeys();
  return n;
}

std::size_t RegKey::CountValues() const {
  std::size_t n = values_.size();
  for (const auto& child : children_) n += child->CountValues();
  return n;
}

namespace {

// In a double-byte code page the trail byte of a character may be 0x5C
// (Shift-JIS "\x83\x5C" is a katakana letter), which is no separator; the
// registry calls split such paths by characters. Code page 0 has no lead
// bytes.
std::vector<std::string_view> SplitPath(std::string_view path, unsigned codePage) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\') {
      if (i + 1 < path.size() && text::IsLeadByte(static_cast<unsigned char>(path[i]), codePage) &&
          static_cast<unsigned char>(path[i + 1]) >= 0x40)
        ++i;
      continue;
    }
    if (i > start) parts.push_back(path.substr(start, i - start));
    start = i + 1;
  }
  return parts;
}

}  // namespace

std::vector<std::string_view> SplitRegPath(std::string_view path, unsigned codePage) {
  return SplitPath(path, codePage);
}

RegTree::RegTree(unsigned codePage) : codePage_(codePage), root_(std::make_shared<RegKey>("", std::u16string())) {}

std::shared_ptr<RegKey> RegTree::Find(std::string_view path) const {
  std::shared_ptr<RegKey> key = root_;
  for (std::string_view part : SplitPath(path, codePage_)) {
    key = key->FindChild(Fold(part));
    if (!key) return nullptr;
  }
  return key;
}

std::shared_ptr<RegKey> RegTree::Create(std::string_view path) {
  std::shared_ptr<RegKey> key = root_;
  for (std::string_view part : SplitPath(path, codePage_)) key = key->AddChild(part, Fold(part));
  return key;
}

bool RegTree::Remove(std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path, codePage_);
  if (parts.empty()) return false;
  std::shared_ptr<RegKey> parent = root_;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = parent->FindChild(Fold(parts[i]));
    if (!parent) return false;
  }
  return parent->RemoveChild(Fold(parts.back()));
}

namespace {

bool SameKeys(const RegKey& a, const RegKey& b) {
  if (a.Name() != b.Name() || a.ChildCount() != b.ChildCount() || a.ValueCount() != b.ValueCount()) return false;
  for (std::size_t i = 0; i < a.ValueCount(); ++i) {
    const RegValue& x = a.ValueAt(i);
    const RegValue& y = b.ValueAt(i);
    if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
  }
  for (std::size_t i = 0; i < a.ChildCount(); ++i)
    if (!SameKeys(*a.ChildAt(i), *b.ChildAt(i))) return false;
  return true;
}

}  // namespace

bool RegTree::SameAs(const RegTree& other) const { return SameKeys(*root_, *other.root_); }

}  // namespace zr::sim
