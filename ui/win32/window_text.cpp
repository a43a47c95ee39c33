#include "ui/win32/window_text.h"

#include <vector>

#include "platform/text/codepage.h"

namespace zr::win32ui {
namespace {

bool RunningOnNt() { return (GetVersion() & 0x80000000u) == 0; }

}  // namespace

WindowText::WindowText() : wide_(RunningOnNt()), codePage_(GetACP()) {}

std::wstring WindowText::WideText(std::string_view utf8) const {
  const std::u16string units = text::Utf16FromUtf8(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string WindowText::Ansi(std::string_view utf8) const { return text::FromUtf8(utf8, codePage_); }

void WindowText::SetItemText(HWND dialog, int id, std::string_view utf8) const {
  if (wide_)
    SetDlgItemTextW(dialog, id, WideText(utf8).c_str());
  else
    SetDlgItemTextA(dialog, id, Ansi(utf8).c_str());
}

std::string WindowText::Text(HWND window) const {
  if (window == nullptr) return {};
  if (wide_) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    if (got <= 0) return {};
    std::u16string units(buffer.begin(), buffer.begin() + got);
    return text::Utf8FromUtf16(units);
  }
  // In bytes: a double-byte character counts twice, so the buffer is big
  // enough for whatever the control holds.
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int got = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  if (got <= 0) return {};
  return text::ToUtf8(std::string_view(buffer.data(), static_cast<std::size_t>(got)), codePage_);
}

std::string WindowText::ItemText(HWND dialog, int id) const { return Text(GetDlgItem(dialog, id)); }

void WindowText::MessageBoxOk(HWND owner, std::string_view text, std::string_view caption, UINT icon) const {
  if (wide_)
    MessageBoxW(owner, WideText(text).c_str(), WideText(caption).c_str(), MB_OK | icon);
  else
    MessageBoxA(owner, Ansi(text).c_str(), Ansi(caption).c_str(), MB_OK | icon);
}

}  // namespace zr::win32ui
