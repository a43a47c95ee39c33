// The registry boundary over a simulated machine's tree.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "platform/key_creator.h"
#include "platform/registry.h"
#include "platform/sim/reg_tree.h"

namespace zr::sim {

class SimMachine;

class SimRegistry final : public IRegistry, public IKeyCreator {
 public:
  explicit SimRegistry(SimMachine& machine) : machine_(machine) {}

  std::uint32_t OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) override;
  std::uint32_t QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                           std::uint32_t* type) override;
  std::uint32_t SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override;
  std::uint32_t DeleteValue(RegHandle key, std::string_view name) override;
  std::uint32_t DeleteKey(RegHandle key, std::string_view subkey) override;
  std::uint32_t EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t CloseKey(RegHandle key) override;
  std::uint32_t CloseRoot() override;
  std::uint32_t ReplaceAccessList(RegHandle key) override;

  std::uint32_t CreateKey(std::string_view path) override;

  long OpenHandles() const { return static_cast<long>(handles_.size()); }

 private:
  struct Handle {
    std::shared_ptr<RegKey> key;
    std::string path;  // below HKLM, components joined by '\'
    std::uint32_t access = 0;
  };

  bool IsNt() const;
  // The handle's entry, or the error to return: kInvalidHandle for an unknown
  // handle, kKeyDeleted for a key deleted since, kAccessDenied (NT) when the
  // handle was opened without `needed`.
  std::uint32_t Use(RegHandle key, std::uint32_t needed, Handle& out) const;
  // The access that the key's list grants the user right now (NT).
  std::uint32_t Granted(const RegKey& key, const std::string& path) const;

  SimMachine& machine_;
  std::unordered_map<RegHandle, Handle> handles_;
  RegHandle next_ = 0x1000;
};

}  // namespace zr::sim
