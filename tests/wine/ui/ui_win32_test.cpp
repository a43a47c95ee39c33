// The Windows front end's pieces on real windows (under Wine with the null
// display driver): the in-memory templates against res/, and the data
// exchange through both the wide and the ANSI calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/text/codepage.h"
#include "res/dialogs.h"
#include "ui/win32/control_exchange.h"
#include "ui/win32/dialog_template.h"
#include "ui/win32/window_text.h"

namespace zr::win32ui {
namespace {

constexpr int kTemplates[] = {129, 130, 131, 132, 134, 135, 136, 137};

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A page made from its template, as a child of a hidden top-level window.
class PageWindow {
 public:
  explicit PageWindow(int templateId) : units_(BuildDialogTemplate(*res::FindDialog(templateId))) {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    page_ = CreateDialogIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(units_.data()), parent_,
                                       &PlainDialog, 0);
  }
  ~PageWindow() {
    if (page_ != nullptr) DestroyWindow(page_);
    if (parent_ != nullptr) DestroyWindow(parent_);
  }
  HWND Get() const { return page_; }

 private:
  TemplateUnits units_;
  HWND parent_ = nullptr;
  HWND page_ = nullptr;
};

std::vector<HWND> ChildrenInOrder(HWND page) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(page, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

const wchar_t* ClassFor(res::ControlKind kind) {
  switch (kind) {
    case res::ControlKind::Static:
      return L"Static";
    case res::ControlKind::Edit:
      return L"Edit";
    default:
      return L"Button";
  }
}

// A one-line text in the page font that the prefix maps the templates'
// font to, against the width its control gives it (a check box or radio
// button also draws its mark). Prints each measure, for choosing the font.
void ExpectTextFits(HWND control, const res::Control& c, int width) {
  const bool marked = c.kind == res::ControlKind::CheckBox || c.kind == res::ControlKind::RadioButton;
  if ((c.kind != res::ControlKind::Static && !marked) || c.text.empty() || c.height > 10) return;
  const std::u16string units = text::Utf16FromUtf8(c.text);
  const std::wstring wide(units.begin(), units.end());
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  const int needed = extent.cx + (marked ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0);
  std::printf("text %d: %d of %d px: %.*s\n", c.id, needed, width, static_cast<int>(c.text.size()), c.text.data());
  EXPECT_LE(needed, width) << c.text;
}

TEST(Win32DialogTemplate, EveryPageHasItsControlsInTemplateOrder) {
  const WindowText text(true, 932);
  for (int id : kTemplates) {
    SCOPED_TRACE(id);
    const res::Dialog& dialog = *res::FindDialog(id);
    PageWindow page(id);
    ASSERT_NE(page.Get(), nullptr);
    // The window styles; the dialog styles (DS_*) are the dialog manager's.
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(page.Get(), GWL_STYLE)) & 0xFFFF0000u & ~WS_VISIBLE,
              res::kPageStyle & 0xFFFF0000u);
    EXPECT_EQ(text.Text(page.Get()), dialog.caption);

    const std::vector<HWND> children = ChildrenInOrder(page.Get());
    ASSERT_EQ(children.size(), dialog.controls.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
      const res::Control& c = dialog.controls[i];
      HWND control = children[i];
      SCOPED_TRACE(testing::Message() << "control " << i << " id " << c.id);
      EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(control)), static_cast<WORD>(c.id));
      wchar_t className[32] = {};
      GetClassNameW(control, className, 32);
      EXPECT_EQ(_wcsicmp(className, ClassFor(c.kind)), 0);
      const LONG style = GetWindowLongW(control, GWL_STYLE);
      EXPECT_EQ((style & WS_VISIBLE) != 0, c.visible);
      EXPECT_EQ(static_cast<DWORD>(style) & 0xFFFFu, ControlStyle(c) & 0xFFFFu);
      if (c.kind != res::ControlKind::Edit) {
        EXPECT_EQ(text.Text(control), c.text);
      }

      // Position and size are converted from dialog units each on its own.
      RECT expected{c.x, c.y, c.width, c.height};
      MapDialogRect(page.Get(), &expected);
      expected.right += expected.left;
      expected.bottom += expected.top;
      RECT actual{};
      GetWindowRect(control, &actual);
      MapWindowPoints(nullptr, page.Get(), reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(actual.top, expected.top);
      EXPECT_EQ(actual.right, expected.right);
      EXPECT_EQ(actual.bottom, expected.bottom);
      ExpectTextFits(control, c, actual.right - actual.left);
    }
  }
}

// The same exchange through the W calls and through the A calls with code
// page 932, as Windows 98 runs it.
class Win32Exchange : public testing::TestWithParam<bool> {
 protected:
  WindowText text_{GetParam(), 932};
};

TEST_P(Win32Exchange, TextGoesBothWaysWithTheLimitApplied) {
  PageWindow page(131);
  std::string head = "検出した以下のＵＳＢドライバを削除します。";
  {
    ControlExchange load(page.Get(), text_, false);
    load.Text(1011, head, 128);
    std::string cut = "アンインストールできません";
    load.Text(1000, cut, 5);
  }
  std::string back, cutBack;
  ControlExchange save(page.Get(), text_, true);
  save.Text(1011, back, 128);
  save.Text(1000, cutBack, 128);
  EXPECT_EQ(back, head);
  EXPECT_EQ(cutBack, "アンインス");
  std::string limited;
  save.Text(1011, limited, 3);
  EXPECT_EQ(limited, "検出し");
}

TEST_P(Win32Exchange, CheckBoxTakesOnlyOneAsTicked) {
  PageWindow page(129);
  for (int value : {1, 0, 2}) {
    SCOPED_TRACE(value);
    int member = value;
    ControlExchange(page.Get(), text_, false).Check(1001, member);
    int read = -5;
    ControlExchange(page.Get(), text_, true).Check(1001, read);
    EXPECT_EQ(read, value == 1 ? 1 : 0);
  }
}

TEST_P(Win32Exchange, RadioGroupIsTheButtonsFromTheFirstInTemplateOrder) {
  PageWindow page(134);
  for (int choice : {1, 0, -1, 5}) {
    SCOPED_TRACE(choice);
    int member = choice;
    ControlExchange(page.Get(), text_, false).Radio(1007, member);
    EXPECT_EQ(IsDlgButtonChecked(page.Get(), 1007) == BST_CHECKED, choice == 0);
    EXPECT_EQ(IsDlgButtonChecked(page.Get(), 1008) == BST_CHECKED, choice == 1);
    int read = -5;
    ControlExchange(page.Get(), text_, true).Radio(1007, read);
    EXPECT_EQ(read, choice == 0 || choice == 1 ? choice : -1);
  }
}

INSTANTIATE_TEST_SUITE_P(WideAndAnsi, Win32Exchange, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Wide" : "Ansi"; });

TEST(Win32WindowText, AnsiPathConvertsThroughTheCodePage) {
  const WindowText ansi(false, 932);
  // "設定" in Shift-JIS.
  EXPECT_EQ(ansi.Ansi("設定"), std::string("\x90\xdd\x92\xe8"));
  PageWindow page(132);
  ansi.SetItemText(page.Get(), 1000, "USBドライバのアンインストールを完了しました");
  char raw[128] = {};
  GetDlgItemTextA(page.Get(), 1000, raw, sizeof raw);
  EXPECT_EQ(std::string(raw), ansi.Ansi("USBドライバのアンインストールを完了しました"));
  EXPECT_EQ(ansi.ItemText(page.Get(), 1000), "USBドライバのアンインストールを完了しました");
}

}  // namespace
}  // namespace zr::win32ui
