#pragma once

#include <map>
#include <string_view>

class QWidget;

namespace review {

// A window's controls by their number in its language section ("IDC<n>"):
// Qt's child order is not the numbering of the texts, so each window keeps
// this table.
using ControlTable = std::map<int, QWidget*>;

// Sets the title of `window` (when given) from "CAPTION" and the caption of
// every label, button and group box of the table from its "IDC<n>" (a missing
// key empties it). Entry fields and lists keep what they hold: a language
// text never replaces what the user typed.
void ApplyControlTexts(QWidget* window, std::string_view section, const ControlTable& controls);

} // namespace review
