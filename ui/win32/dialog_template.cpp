#include "ui/win32/dialog_template.h"

#include "platform/text/codepage.h"
#include "ui/win32/ui_windows.h"

namespace zr::win32ui {
namespace {

// The predefined window classes, by the ordinals a template names them with.
constexpr std::uint16_t kButtonClass = 0x0080;
constexpr std::uint16_t kEditClass = 0x0081;
constexpr std::uint16_t kStaticClass = 0x0082;

class Writer {
 public:
  void Word(std::uint16_t value) { units_.push_back(value); }
  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value & 0xFFFF));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
  // A zero-terminated UTF-16 string.
  void String(std::string_view utf8) {
    for (char16_t unit : text::Utf16FromUtf8(utf8)) Word(static_cast<std::uint16_t>(unit));
    Word(0);
  }
  void AlignDword() {
    if (units_.size() % 2 != 0) Word(0);
  }
  TemplateUnits Take() { return std::move(units_); }

 private:
  TemplateUnits units_;
};

std::uint16_t ClassOrdinal(res::ControlKind kind) {
  switch (kind) {
    case res::ControlKind::Static:
      return kStaticClass;
    case res::ControlKind::Edit:
      return kEditClass;
    case res::ControlKind::CheckBox:
    case res::ControlKind::RadioButton:
    case res::ControlKind::GroupBox:
      return kButtonClass;
  }
  return kStaticClass;
}

std::uint32_t KindStyle(const res::Control& control) {
  switch (control.kind) {
    case res::ControlKind::Static:
      // As the resource compiler writes LTEXT and CTEXT.
      return (control.align == res::Align::Centre ? SS_CENTER : SS_LEFT) | WS_GROUP;
    case res::ControlKind::CheckBox:
      return BS_AUTOCHECKBOX;
    case res::ControlKind::RadioButton:
      return BS_AUTORADIOBUTTON;
    case res::ControlKind::GroupBox:
      return BS_GROUPBOX;
    case res::ControlKind::Edit:
      return control.multiLine
                 ? ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_BORDER
                 : ES_AUTOHSCROLL | WS_BORDER;
  }
  return 0;
}

}  // namespace

std::uint32_t ControlStyle(const res::Control& control) {
  std::uint32_t style = WS_CHILD | KindStyle(control);
  if (control.visible) style |= WS_VISIBLE;
  if (control.tabStop) style |= WS_TABSTOP;
  if (control.groupStart) style |= WS_GROUP;
  return style;
}

TemplateUnits BuildDialogTemplate(const res::Dialog& dialog) {
  Writer out;
  out.Dword(res::kPageStyle);
  out.Dword(0);  // extended style
  out.Word(static_cast<std::uint16_t>(dialog.controls.size()));
  out.Short(0);
  out.Short(0);
  out.Short(dialog.width);
  out.Short(dialog.height);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.String(dialog.caption);
  // res::kPageStyle holds DS_SETFONT: the point size and face follow.
  out.Word(static_cast<std::uint16_t>(dialog.pointSize));
  out.String(dialog.font);
  for (const res::Control& control : dialog.controls) {
    out.AlignDword();
    out.Dword(ControlStyle(control));
    out.Dword(0);  // extended style
    out.Short(control.x);
    out.Short(control.y);
    out.Short(control.width);
    out.Short(control.height);
    out.Word(static_cast<std::uint16_t>(control.id));  // IDC_STATIC (-1) is 0xFFFF
    out.Word(0xFFFF);
    out.Word(ClassOrdinal(control.kind));
    out.String(control.text);
    out.Word(0);  // no creation data
  }
  return out.Take();
}

static_assert((res::kPageStyle & DS_SETFONT) != 0, "page templates carry their font");

}  // namespace zr::win32ui
