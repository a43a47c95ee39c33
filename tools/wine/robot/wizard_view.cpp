#include "wizard_view.h"

#include <commctrl.h>
#include <prsht.h>

#include "res/transcript_lines.h"

namespace robot {
namespace {

constexpr UINT kTimeoutMs = 2000;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool IsVisibleStyle(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// Direct children of `parent`, in z-order (the template order).
std::vector<HWND> Controls(HWND parent) {
  std::vector<HWND> controls;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    controls.push_back(child);
  return controls;
}

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static:
      return "static";
    case ControlKind::Check:
      return "check";
    case ControlKind::Radio:
      return "radio";
    case ControlKind::Group:
      return "group";
    case ControlKind::Edit:
      return "edit";
    case ControlKind::Other:
      return "other";
  }
  return "?";
}

bool Checked(HWND control) {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_NORMAL, kTimeoutMs, &state);
  return state == BST_CHECKED;
}

int ControlId(HWND control) {
  const int id = GetDlgCtrlID(control);
  return id == 0xFFFF ? -1 : id;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTimeoutMs, &length) || length == 0) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, kTimeoutMs,
                      &got);
  text.resize(got <= length ? got : length);
  return text;
}

bool ButtonUsable(HWND sheet, int id) {
  HWND button = GetDlgItem(sheet, id);
  return button != nullptr && IsVisibleStyle(button) && IsWindowEnabled(button);
}

Page ActivePage(HWND sheet) {
  Page page;
  DWORD_PTR window = 0;
  if (SendMessageTimeoutW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, kTimeoutMs, &window) && window != 0) {
    page.window = reinterpret_cast<HWND>(window);
    page.templateId = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(page.window, L"zrdrvtool.template")));
  }
  return page;
}

ControlKind KindOf(HWND control) {
  const std::wstring name = ClassOf(control);
  if (_wcsicmp(name.c_str(), L"Static") == 0) return ControlKind::Static;
  if (_wcsicmp(name.c_str(), L"Edit") == 0) return ControlKind::Edit;
  if (_wcsicmp(name.c_str(), L"Button") != 0) return ControlKind::Other;
  switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
      return ControlKind::Check;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return ControlKind::Radio;
    case BS_GROUPBOX:
      return ControlKind::Group;
    default:
      return ControlKind::Other;
  }
}

std::vector<std::string> RenderPage(HWND sheet) {
  std::vector<std::string> lines;
  const Page page = ActivePage(sheet);
  lines.push_back("=== " + Utf8(WindowText(sheet)) + "  [page " + std::to_string(page.templateId) + "]");
  if (page.window != nullptr) {
    for (HWND control : Controls(page.window)) {
      if (!IsVisibleStyle(control)) continue;
      const ControlKind kind = KindOf(control);
      const int id = ControlId(control);
      std::string line = "  " + (id == -1 ? std::string("-") : std::to_string(id)) + " " + KindName(kind) + ": ";
      if (kind == ControlKind::Check) line += Checked(control) ? "[x] " : "[ ] ";
      if (kind == ControlKind::Radio) line += Checked(control) ? "(*) " : "( ) ";
      const std::string text = Utf8(WindowText(control));
      if (kind != ControlKind::Edit) {
        lines.push_back(line + text);
        continue;
      }
      lines.push_back(line);
      zr::res::AppendEditLines(lines, text);
    }
  }
  std::string buttons = "  buttons:";
  if (ButtonUsable(sheet, kBackButton)) buttons += " [< 戻る(B)]";
  if (ButtonUsable(sheet, kFinishButton))
    buttons += " [完了]";
  else if (ButtonUsable(sheet, kNextButton))
    buttons += " [次へ(N) >]";
  buttons += " [キャンセル]";
  lines.push_back(buttons);
  return lines;
}

bool PageShows(HWND sheet, const std::string& text) {
  if (Utf8(WindowText(sheet)).find(text) != std::string::npos) return true;
  const Page page = ActivePage(sheet);
  if (page.window == nullptr) return false;
  for (HWND control : Controls(page.window))
    if (IsVisibleStyle(control) && Utf8(WindowText(control)).find(text) != std::string::npos) return true;
  return false;
}

HWND FindPageControl(HWND sheet, int id, ControlKind kind) {
  const Page page = ActivePage(sheet);
  if (page.window == nullptr) return nullptr;
  HWND control = GetDlgItem(page.window, id);
  if (control == nullptr || !IsVisibleStyle(control) || KindOf(control) != kind) return nullptr;
  return control;
}

namespace {

struct BoxSearch {
  DWORD pid;
  HWND sheet;
  HWND found;
};

BOOL CALLBACK CheckForBox(HWND window, LPARAM param) {
  auto& s = *reinterpret_cast<BoxSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != s.pid || window == s.sheet || !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != L"#32770") return TRUE;
  s.found = window;
  return FALSE;
}

}  // namespace

HWND FindMessageBox(DWORD pid, HWND sheet) {
  BoxSearch search{pid, sheet, nullptr};
  EnumWindows(&CheckForBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DescribeMessageBox(HWND box) {
  std::string text;
  // The message itself is the box's one static text with text in it.
  for (HWND control : Controls(box)) {
    if (KindOf(control) != ControlKind::Static) continue;
    const std::string t = Utf8(WindowText(control));
    if (!t.empty()) text = t;
  }
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " / ");
  return "message box [" + Utf8(WindowText(box)) + "] " + text;
}

HWND FindSheet(DWORD pid, const std::wstring& caption) {
  HWND byCaption = FindWindowW(L"#32770", caption.c_str());
  if (byCaption != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(byCaption, &owner);
    if (owner == pid && GetDlgItem(byCaption, kNextButton) != nullptr) return byCaption;
  }
  return nullptr;
}

std::string CheckLayout(HWND sheet, bool afterStartUp) {
  RECT client{};
  GetClientRect(sheet, &client);
  struct Shown {
    const char* name;
    RECT box;
  };
  std::vector<Shown> buttons;
  for (const auto& [id, name] : {std::pair{kBackButton, "Back"}, std::pair{kNextButton, "Next"},
                                 std::pair{kFinishButton, "Finish"}, std::pair{IDCANCEL, "Cancel"}}) {
    HWND button = GetDlgItem(sheet, id);
    if (button == nullptr || !IsVisibleStyle(button)) continue;
    RECT box{};
    GetWindowRect(button, &box);
    MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&box), 2);
    buttons.push_back({name, box});
  }
  auto text = [](const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
  };
  if (buttons.size() < 3) return "layout: fewer than three of Back, Next/Finish, Cancel are shown";
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const RECT& b = buttons[i].box;
    if (b.left < client.left || b.top < client.top || b.right > client.right || b.bottom > client.bottom)
      return std::string("layout: ") + buttons[i].name + " " + text(b) + " is not inside the client area " +
             text(client);
    for (std::size_t j = 0; j < i; ++j) {
      RECT both{};
      if (IntersectRect(&both, &b, &buttons[j].box))
        return std::string("layout: ") + buttons[i].name + " overlaps " + buttons[j].name;
    }
  }
  if (!afterStartUp) return {};
  if (GetDlgItem(sheet, IDHELP) != nullptr) return "layout: the Help button still exists";
  const HANDLE unadjusted = GetPropW(sheet, L"zrdrvtool.unadjusted-right");
  const long before = static_cast<long>(reinterpret_cast<INT_PTR>(unadjusted));
  RECT window{};
  GetWindowRect(sheet, &window);
  if (unadjusted == nullptr || window.right != before - before / 9)
    return "layout: the right edge is " + std::to_string(window.right) + ", not " + std::to_string(before) + " - " +
           std::to_string(before) + "/9";
  return {};
}

}  // namespace robot
