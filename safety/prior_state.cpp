#include "safety/prior_state.h"

#include <algorithm>
#include <vector>

#include "platform/win_codes.h"
#include "safety/path_parts.h"
#include "safety/value_read.h"

namespace zr::safety {
namespace {

// Registry key names are at most 255 bytes; value names 16383 on NT.
constexpr std::uint32_t kNameBuffer = 16384;

// Every name the handle enumerates through `enumerate` (EnumKey or EnumValue).
template <typename Enumerate>
std::vector<std::string> Names(Enumerate enumerate) {
  std::vector<std::string> names;
  std::vector<char> buffer(kNameBuffer);
  for (std::uint32_t i = 0;; ++i) {
    std::uint32_t capacity = kNameBuffer;
    if (enumerate(i, buffer.data(), &capacity) != win::kSuccess) return names;
    names.emplace_back(buffer.data(), std::min(capacity, kNameBuffer - 1));
  }
}

}  // namespace

std::string JoinKeyPath(std::string_view base, std::string_view sub, unsigned codePage) {
  std::vector<std::string_view> parts = PathParts(base, codePage);
  for (std::string_view part : PathParts(sub, codePage)) parts.push_back(part);
  return JoinParts(parts, '\\');
}

std::string FoldedKeyPath(std::string_view path, unsigned codePage) {
  return LowerAscii(JoinParts(PathParts(path, codePage), '\\'));
}

std::string FoldedFilePath(std::string_view path, unsigned codePage) {
  std::string slashes(path);
  std::replace(slashes.begin(), slashes.end(), '/', '\\');
  return FoldedKeyPath(slashes, codePage);
}

bool ReadValueState(IRegistry& registry, const std::string& keyPath, std::string_view name, ValueState& out) {
  ValueState value{kHklmPrefix + keyPath, std::string(name), 0, {}};
  bool keyMissing = false;
  if (ReadWholeValue(registry, keyPath, name, value.type, value.data, keyMissing) != win::kSuccess) return false;
  out = std::move(value);
  return true;
}

bool CaptureKeyTree(IRegistry& registry, const std::string& keyPath, Change& change) {
  RegHandle key = IRegistry::kNoHandle;
  if (registry.OpenKey(keyPath, win::kKeyQueryValue | win::kKeyEnumerateSubKeys, key) != win::kSuccess) return false;
  const auto values = Names(
      [&](std::uint32_t i, char* name, std::uint32_t* capacity) { return registry.EnumValue(key, i, name, capacity); });
  const auto children = Names(
      [&](std::uint32_t i, char* name, std::uint32_t* capacity) { return registry.EnumKey(key, i, name, capacity); });
  registry.CloseKey(key);
  change.keys.push_back(kHklmPrefix + keyPath);
  for (const std::string& name : values) {
    ValueState value;
    if (ReadValueState(registry, keyPath, name, value)) change.values.push_back(std::move(value));
  }
  for (const std::string& child : children) {
    std::string below = keyPath;
    below.append(1, '\\').append(child);
    CaptureKeyTree(registry, below, change);
  }
  return true;
}

bool ReadFileState(IFiles& files, std::string_view path, FileState& out) {
  out = FileState{};
  std::uint32_t error = 0;
  const std::uint32_t attributes = files.GetAttributes(path, error);
  if (attributes == win::kInvalidFileAttributes || (attributes & win::kFileAttributeDirectory)) return false;
  out.attributes = attributes;
  std::vector<std::uint8_t> bytes;
  if (files.ReadWholeFile(path, bytes) == win::kSuccess) {
    out.size = bytes.size();
    out.hash = HashBytes(bytes);
  }
  return true;
}

}  // namespace zr::safety
