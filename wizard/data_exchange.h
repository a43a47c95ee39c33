// Data exchange between a page's bound members and its controls, in both
// directions, as the front end holds the controls.
#pragma once

#include <cstddef>
#include <string>

namespace zr {

class DataExchange {
 public:
  explicit DataExchange(bool saving) : saving_(saving) {}
  virtual ~DataExchange() = default;

  // True: controls -> members (UpdateData(TRUE)); false: members -> controls.
  bool Saving() const { return saving_; }

  // A text control; at most `limit` characters go either way.
  virtual void Text(int id, std::string& member, std::size_t limit) = 0;
  // A check box: 0 unticked, 1 ticked.
  virtual void Check(int id, int& member) = 0;
  // A radio group starting at `firstId`: 0-based index of the selected
  // button, -1 for none.
  virtual void Radio(int firstId, int& member) = 0;

 private:
  bool saving_;
};

// Cuts UTF-8 text to at most `limit` characters, never inside a character.
std::string CutToCharacters(const std::string& text, std::size_t limit);

}  // namespace zr
