// The wizard as another process sees it: the sheet window of a process, the
// active page's visible controls with their texts and states, the sheet's
// buttons, and a message box the sheet is showing. Lines are rendered in
// the Linux program's scripted-mode format, so that both transcripts can be
// compared line by line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace robot {

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// The text of any window, also of another process's edit control.
std::wstring WindowText(HWND window);

// Control ids of the sheet's wizard buttons.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

bool ButtonUsable(HWND sheet, int id);

struct Page {
  HWND window = nullptr;
  int templateId = 0;
};

Page ActivePage(HWND sheet);

// The page as the scripted mode prints it.
std::vector<std::string> RenderPage(HWND sheet);

// True when the caption or one of the active page's visible controls shows
// `text`.
bool PageShows(HWND sheet, const std::string& text);

enum class ControlKind { Static, Check, Radio, Group, Edit, Other };
ControlKind KindOf(HWND control);

// A visible control of the active page with that id and kind, or nullptr.
HWND FindPageControl(HWND sheet, int id, ControlKind kind);

// A message box shown by a window of process `pid` (not the sheet itself).
HWND FindMessageBox(DWORD pid, HWND sheet);
// "message box [caption] text", as the scripted mode prints it.
std::string DescribeMessageBox(HWND box);

// What is wrong with the sheet's layout, or empty: Back, Next or Finish and
// Cancel wholly inside the client area and clear of each other; after
// start-up also no Help button, and the right edge a ninth of its screen
// position to the left of where comctl32 put it.
std::string CheckLayout(HWND sheet, bool afterStartUp);

// The sheet of process `pid`: its dialog window with the wizard buttons.
HWND FindSheet(DWORD pid, const std::wstring& caption);

}  // namespace robot
