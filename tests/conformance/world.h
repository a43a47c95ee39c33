// A machine that the conformance suite may set up and inspect, behind the
// platform boundary under test. One implementation per backend: the
// simulation (natively) and the real Win32 APIs (under Wine).
//
// Every test works below its own scratch roots, which the world creates
// empty and removes afterwards: registry keys below RegRoot() and files
// below FileRoot(). Set-up calls go around the boundary (RegCreateKeyExA,
// plain file writes), so a fault in the boundary cannot hide itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zr::conformance {

class World {
 public:
  virtual ~World() = default;

  virtual IPlatform& Platform() = 0;

  // 1 for a Windows 9x machine, 2 for an NT one.
  virtual std::uint32_t PlatformId() const = 0;

  // Scratch roots: "Software\ZrConformance\<test>" and "C:\zr_conf\<test>".
  virtual std::string RegRoot() const = 0;
  virtual std::string FileRoot() const = 0;

  // Set-up around the boundary. Paths below HKLM / Windows paths.
  virtual void CreateKey(const std::string& path) = 0;
  virtual void PutValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) = 0;
  virtual void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
  virtual void MakeFolder(const std::string& path) = 0;
  virtual void MakeReadOnly(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual std::vector<std::uint8_t> FileBytes(const std::string& path) = 0;

  // The key's access list as "(sid mask flags)" entries in order, e.g.
  // "(S-1-5-4 0x20019 0)"; "" while the key has the list it was created with
  // (the simulation) or when it cannot be read.
  virtual std::string AccessList(const std::string& keyPath) = 0;

  // Whether read-only files are refused to writers: a capability a backend
  // may lack (Wine leaves it to Unix permissions, which root bypasses); a
  // test that needs it is skipped there.
  virtual bool EnforcesReadOnlyFiles() const = 0;

  // Number of registry handles still open through the boundary; -1 when the
  // backend cannot count them.
  virtual long OpenHandleCount() const = 0;
};

// Made by the backend's own source file; `test` names the scratch roots.
std::unique_ptr<World> MakeWorld(const std::string& test);

}  // namespace zr::conformance
