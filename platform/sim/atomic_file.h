// Replaces a file so that a reader (or a run killed at any moment) finds
// either its old or its new content, never a torn one: the bytes go to a
// temporary file beside it, which is flushed to disk and renamed over it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zr::sim {

enum class AtomicStep { CreateTemp, WriteChunk, Sync, Close, Rename, SyncFolder };

// Called before each step; returning false makes that step fail. Tests use
// it to fail or kill a save at every point.
using AtomicStepHook = std::function<bool(AtomicStep)>;

// False with `error` set when the file could not be replaced; the old
// content is then untouched and the temporary file removed.
bool WriteFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, std::string& error,
                         const AtomicStepHook& hook = {});

}  // namespace zr::sim
