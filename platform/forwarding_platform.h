// A platform that hands every call on to an inner one, unchanged. A
// decorator (fault injection, a journal of changes, a copy-on-write preview)
// derives from it and overrides only the calls it has something to add to;
// everything else reaches the backend as the engine made it.
#pragma once

#include "platform/platform.h"

namespace zr {

class ForwardingPlatform : public IPlatform,
                           protected IRegistry,
                           protected IFiles,
                           protected ISystemInfo,
                           protected IPower {
 public:
  explicit ForwardingPlatform(IPlatform& inner) : inner_(inner) {}

  IRegistry& Registry() override { return *this; }
  IFiles& Files() override { return *this; }
  ISystemInfo& System() override { return *this; }
  IPower& Power() override { return *this; }

  IPlatform& Inner() { return inner_; }

 protected:
  // --- registry ---
  std::uint32_t OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) override {
    return inner_.Registry().OpenKey(path, access, out);
  }
  std::uint32_t QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                           std::uint32_t* type) override {
    return inner_.Registry().QueryValue(key, name, data, size, type);
  }
  std::uint32_t SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override {
    return inner_.Registry().SetValue(key, name, type, data, size);
  }
  std::uint32_t DeleteValue(RegHandle key, std::string_view name) override {
    return inner_.Registry().DeleteValue(key, name);
  }
  std::uint32_t DeleteKey(RegHandle key, std::string_view subkey) override {
    return inner_.Registry().DeleteKey(key, subkey);
  }
  std::uint32_t EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override {
    return inner_.Registry().EnumKey(key, index, name, capacity);
  }
  std::uint32_t EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override {
    return inner_.Registry().EnumValue(key, index, name, capacity);
  }
  std::uint32_t CloseKey(RegHandle key) override { return inner_.Registry().CloseKey(key); }
  std::uint32_t CloseRoot() override { return inner_.Registry().CloseRoot(); }
  std::uint32_t ReplaceAccessList(RegHandle key) override { return inner_.Registry().ReplaceAccessList(key); }

  // --- files ---
  std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) override {
    return inner_.Files().GetAttributes(path, error);
  }
  std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) override {
    return inner_.Files().SetAttributes(path, attributes);
  }
  std::uint32_t DeleteFile(std::string_view path) override { return inner_.Files().DeleteFile(path); }
  std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) override {
    return inner_.Files().CopyFile(source, target, failIfExists);
  }
  std::uint32_t ProbeExisting(std::string_view path) override { return inner_.Files().ProbeExisting(path); }
  std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) override {
    return inner_.Files().ReadWholeFile(path, out);
  }
  std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override {
    return inner_.Files().WriteWholeFile(path, bytes);
  }
  bool IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) override {
    return inner_.Files().IsTextUnicode(bytes, size, flags);
  }

  // --- system facts and power ---
  bool GetVersion(VersionRecord& out) override { return inner_.System().GetVersion(out); }
  std::string WindowsDirectory() override { return inner_.System().WindowsDirectory(); }
  std::string SystemDirectory() override { return inner_.System().SystemDirectory(); }
  std::string CurrentDirectory() override { return inner_.System().CurrentDirectory(); }
  unsigned AnsiCodePage() override { return inner_.System().AnsiCodePage(); }
  long EnableShutdownPrivilege() override { return inner_.Power().EnableShutdownPrivilege(); }
  bool RequestRestart() override { return inner_.Power().RequestRestart(); }

 private:
  IPlatform& inner_;
};

}  // namespace zr
