// The program's dialog templates and string table, once, as data: both front
// ends build their pages from here. Texts are UTF-8; rectangles are in
// dialog units (left, top, width, height).
#pragma once

#include <span>
#include <string_view>

#include "res/control_ids.h"

namespace zr::res {

enum class ControlKind { Static, CheckBox, RadioButton, GroupBox, Edit };
enum class Align { Left, Centre };

struct Control {
  int id;  // -1: no id (IDC_STATIC)
  ControlKind kind;
  std::string_view text;
  int x, y, width, height;
  bool visible = true;
  bool tabStop = false;
  bool groupStart = false;  // first radio button of a group
  Align align = Align::Left;
  bool multiLine = false;  // edit: multi-line, read-only, scroll bars
};

struct Dialog {
  int id;
  int width;
  int height;
  std::string_view caption;
  std::string_view font;
  int pointSize;
  std::span<const Control> controls;
};

inline constexpr int kNoId = -1;
// Window style of every page template: child, caption, own font.
inline constexpr unsigned kPageStyle = 0x40C00040;

// nullptr when the program has no such template.
const Dialog* FindDialog(int id);
// "" when the program has no such string.
std::string_view String(int id);

}  // namespace zr::res
