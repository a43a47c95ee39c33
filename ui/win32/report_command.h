// Beside the wizard: "/report FILE" writes the preview of the uninstall (the
// modem ticked) to FILE, as text in the system code page, and ends with the
// exit code of the run it shows; nothing on the machine changes. After a
// wizard run that removed something, rescan.txt says what is left.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "safety/journal_record.h"

namespace zr::win32ui {

// FILE of "/report FILE" (after the program's own name); nullopt when the
// command line asks for something else.
std::optional<std::string> ReportFileOf(const char* commandLine);

// Writes the preview; the exit code (1 when the file cannot be written).
int WriteReport(IPlatform& machine, const std::string& file);

// After a wizard run whose `changes` removed something: detection again, and
// what is left, as the text of rescan.txt; nullopt when nothing was removed.
std::optional<std::vector<std::uint8_t>> RescanAfterRemoval(IPlatform& machine,
                                                            const std::vector<safety::Change>& changes,
                                                            const std::vector<safety::Change>& refusals);

// Writes `name` into a new <Windows folder>\ZR77Q5K\backup\<YYYYMMDD-HHMMSS>\,
// where the journals of the changes go.
void WriteToBackupFolder(IPlatform& machine, const std::string& name, const std::vector<std::uint8_t>& bytes);

}  // namespace zr::win32ui
