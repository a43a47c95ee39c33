// The file boundary over a simulated machine's drive folders. The read-only
// attribute is the owner-write permission bit (as Wine maps it); hidden and
// system live in memory for the life of the machine object.
#pragma once

#include <map>
#include <string>

#include "platform/files.h"
#include "platform/sim/host_path.h"

namespace zr::sim {

class SimFiles final : public IFiles {
 public:
  explicit SimFiles(HostPathResolver resolver) : resolver_(std::move(resolver)) {}

  std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) override;
  std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(std::string_view path) override;
  std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) override;
  std::uint32_t ProbeExisting(std::string_view path) override;
  std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) override;
  std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;
  bool IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) override;

  const HostPathResolver& Resolver() const { return resolver_; }

 private:
  // Hidden and system bits of files that carry them, by host path.
  std::uint32_t ExtraAttributes(const HostPath& file) const;

  HostPathResolver resolver_;
  std::map<std::string, std::uint32_t> extra_;
};

// The statistical tests of IsTextUnicode, on any buffer.
bool LooksLikeUtf16(const std::uint8_t* bytes, std::size_t size, int* flags);

}  // namespace zr::sim
