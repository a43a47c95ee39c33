// The step of the removal or staging that a change belongs to, told from
// what the change itself names (the engine is not asked): the key, value or
// file, and for ComDB the port bits it clears.
#pragma once

#include <string>

#include "safety/journal_record.h"

namespace zr::safety {

// `written` is what a value change is about to write (empty otherwise).
std::string StepOf(const Change& change, const std::vector<std::uint8_t>& written);

}  // namespace zr::safety
