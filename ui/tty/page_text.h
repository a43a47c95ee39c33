// The active wizard page as plain UTF-8 lines: what the scripted mode prints
// after every command and what `expect` searches.
#pragma once

#include <string>
#include <vector>

#include "app/wizard_runner.h"

namespace zr::tty {

std::vector<std::string> RenderPage(const WizardRunner& runner);

// The text a control of the active page shows: its current text when the
// page holds one, else the template's.
std::string ShownText(const WizardRunner& runner, const res::Control& control);
// True when a check box or radio button of the active page is checked.
bool IsChecked(const WizardRunner& runner, const res::Control& control);

// The labels of the sheet's buttons that are enabled now, in screen order.
std::vector<std::string> EnabledButtons(const WizardRunner& runner);

// True when a visible control (or the caption) of the active page shows
// `text` as part of its text.
bool PageShows(const WizardRunner& runner, const std::string& text);

}  // namespace zr::tty
