#include "ui/win32/single_instance.h"

#include <string>
#include <string_view>

#include "res/dialogs.h"

namespace zr::win32ui {
namespace {

// No "Local\" or "Global\" prefix: Windows 98 and Me take no namespace in
// object names, and on XP the session's own namespace is the default.
constexpr char kMutexName[] = "zrdrvtool.wizard";

// The property sheet's dialog class.
constexpr char kDialogClass[] = "#32770";

struct Search {
  const WindowText* text;
  std::string caption;
  HWND found = nullptr;
};

// Compared as UTF-8 through the same calls that set the caption, so that
// the search needs no wide call that 98 lacks and no code page that XP may
// not have.
BOOL CALLBACK Look(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string_view(className) != kDialogClass || search.text->Text(window) != search.caption) return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

SingleInstance::SingleInstance() {
  mutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
  another_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

void SingleInstance::ShowOther(const WindowText& text) {
  Search search{&text, std::string(res::String(res::kCaptionString))};
  EnumWindows(&Look, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return;  // the other run has no sheet yet or any more
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  SetForegroundWindow(search.found);
}

}  // namespace zr::win32ui
