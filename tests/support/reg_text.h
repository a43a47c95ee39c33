// Builds the body of a REGEDIT4 HKLM.reg (what MachineSpec::reg takes) from
// paths below HKEY_LOCAL_MACHINE, so tests can describe large trees in code.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace zr::testing {

class RegText {
 public:
  // Opens a key; the values that follow belong to it.
  RegText& Key(std::string_view path) {
    text_ += "\r\n[HKEY_LOCAL_MACHINE\\";
    text_.append(path);
    text_ += "]\r\n";
    return *this;
  }
  // A REG_SZ value of the key opened last.
  RegText& String(std::string_view name, std::string_view data) {
    text_ += Quoted(name) + "=" + Quoted(data) + "\r\n";
    return *this;
  }
  RegText& Keys(std::initializer_list<std::string_view> paths) {
    for (std::string_view path : paths) Key(path);
    return *this;
  }
  const std::string& Text() const { return text_; }

 private:
  static std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  }

  std::string text_;
};

}  // namespace zr::testing
