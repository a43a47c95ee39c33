// Placeholder until the ncurses front end lands: the interactive run reads
// the same commands as a script, from the terminal.
#include "ui/tty/interactive_host.h"

#include <iostream>

#include "ui/tty/script_host.h"

namespace zr::tty {

void InteractiveHost::RunModal(CDrvSheet& sheet) {
  ScriptHost host(session_, std::cin, std::cout);
  host.RunModal(sheet);
}

void InteractiveHost::ShowMessage(std::string_view text, std::string_view caption, MessageIcon) {
  session_.Machine().RecordMessageBox(caption, text);
  std::cout << "[" << caption << "] " << text << "\n";
}

}  // namespace zr::tty
