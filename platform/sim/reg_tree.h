// The simulated registry's data: a tree of keys below HKEY_LOCAL_MACHINE,
// each with its values. Names are bytes of the machine's code page; they are
// looked up and ordered by a fold key (the name in UTF-16, lower-cased),
// which gives the registry's own enumeration order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zr::sim {

// The lower-cased UTF-16 form of a registry name in `codePage`.
std::u16string FoldName(std::string_view name, unsigned codePage);

struct RegValue {
  std::string name;  // "" is the default value
  std::u16string fold;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // what the ANSI calls read: text kinds in the code page
  // A text kind read from a version 5 file: its data as the file held it
  // (UTF-16LE, odd lengths and characters the code page lacks included), so
  // that a save gives back every byte it did not change. Dropped when the
  // value is set again.
  std::optional<std::vector<std::uint8_t>> utf16;
};

// One access-allowed entry of a key's access list: the trustee's security
// identifier, the access mask and the inheritance flags.
struct AccessEntry {
  std::string sid;
  std::uint32_t mask = 0;
  std::uint32_t flags = 0;
  bool operator==(const AccessEntry&) const = default;
};

class RegKey {
 public:
  RegKey(std::string name, std::u16string fold) : name_(std::move(name)), fold_(std::move(fold)) {}

  const std::string& Name() const { return name_; }
  const std::u16string& Fold() const { return fold_; }

  // Set when the key has been deleted while a handle still refers to it.
  bool Deleted() const { return deleted_; }

  // Set once the tool has replaced this key's access list; the list is then
  // the one the NT call writes: interactive users KEY_READ, then the local
  // administrators KEY_ALL_ACCESS, neither inherited by sub-keys. Empty
  // while the key has the list Windows gave it.
  bool AccessListReplaced() const { return !accessList_.empty(); }
  void SetAccessListReplaced(bool replaced);
  const std::vector<AccessEntry>& AccessList() const { return accessList_; }

  std::size_t ChildCount() const { return children_.size(); }
  const std::shared_ptr<RegKey>& ChildAt(std::size_t index) const { return children_[index]; }
  std::shared_ptr<RegKey> FindChild(std::u16string_view fold) const;
  // Returns the existing child of that fold key, or a new one named `name`.
  std::shared_ptr<RegKey> AddChild(std::string_view name, std::u16string fold);
  // Removes the child and marks it and its whole sub-tree deleted.
  bool RemoveChild(std::u16string_view fold);

  std::size_t ValueCount() const { return values_.size(); }
  const RegValue& ValueAt(std::size_t index) const { return values_[index]; }
  const RegValue* FindValue(std::u16string_view fold) const;
  // Replaces the value of that fold key in place (keeping its first
  // spelling), or adds it in order.
  void SetValue(std::string_view name, std::u16string fold, std::uint32_t type, std::vector<std::uint8_t> data,
                std::optional<std::vector<std::uint8_t>> utf16 = std::nullopt);
  bool RemoveValue(std::u16string_view fold);

  // Number of keys in this sub-tree, this key included.
  std::size_t CountKeys() const;
  std::size_t CountValues() const;

 private:
  void MarkDeleted();

  std::string name_;
  std::u16string fold_;
  bool deleted_ = false;
  std::vector<AccessEntry> accessList_;
  std::vector<std::shared_ptr<RegKey>> children_;  // ordered by fold key
  std::vector<RegValue> values_;                   // ordered by fold key
};

// The whole tree below HKLM, with the code page its names are in.
class RegTree {
 public:
  explicit RegTree(unsigned codePage);

  unsigned CodePage() const { return codePage_; }
  RegKey& Root() { return *root_; }
  const RegKey& Root() const { return *root_; }
  const std::shared_ptr<RegKey>& RootPtr() const { return root_; }

  std::u16string Fold(std::string_view name) const { return FoldName(name, codePage_); }

  // Path below HKLM, components separated by '\' (empty components are
  // skipped). nullptr when a component is missing.
  std::shared_ptr<RegKey> Find(std::string_view path) const;
  // Creates every missing component; returns the last.
  std::shared_ptr<RegKey> Create(std::string_view path);
  // Removes the key at `path` with its sub-tree. False when missing or root.
  bool Remove(std::string_view path);

  // True when both trees hold the same keys and values (names compared by
  // spelling, data byte for byte).
  bool SameAs(const RegTree& other) const;

 private:
  unsigned codePage_;
  std::shared_ptr<RegKey> root_;
};

// Splits a registry path at '\', skipping empty components. The trail byte
// of a double-byte character of `codePage` is never taken for a separator.
std::vector<std::string_view> SplitRegPath(std::string_view path, unsigned codePage);

}  // namespace zr::sim
