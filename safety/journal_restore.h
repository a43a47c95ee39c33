// Putting a journal back on a machine, newest change first. Nothing that
// changed after the run is deleted or overwritten: a deleted key, value or
// file that exists again is left and listed; a changed value or file is put
// back only while it still holds what the run left there (ComDB: the port
// bits the run cleared are set again, every other bit stays as it is now).
// Values and files the run created are removed again on the same condition.
//
// The journal is untrusted: a registry path outside HKEY_LOCAL_MACHINE, or a
// file path that is not a plain "X:\..." path (".." or "." components,
// forward slashes) or whose copy lies elsewhere than files/ says, refuses the
// whole journal before anything is written. A damaged journal (cut lines, a
// missing copy) is put back as far as it can be, and what could not be is
// listed.
#pragma once

#include <string>
#include <vector>

#include "platform/key_creator.h"
#include "platform/platform.h"
#include "safety/journal_folder.h"

namespace zr::safety {

struct RestoreReport {
  bool refused = false;  // nothing was written
  std::vector<std::string> restored;
  std::vector<std::string> left;    // changed after the run, left as it is now
  std::vector<std::string> failed;  // what the journal could not give back
  std::vector<std::string> notes;   // what no journal can give back (access lists)

  bool Complete() const { return !refused && left.empty() && failed.empty(); }
  // The report in lines, for a terminal; a message box shows at most `most`
  // lines of each part.
  std::string Text(std::size_t most = static_cast<std::size_t>(-1)) const;
};

RestoreReport RestoreJournal(const JournalFolder& journal, IPlatform& machine, IKeyCreator& keys);

}  // namespace zr::safety
