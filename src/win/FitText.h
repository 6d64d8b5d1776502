// Dialog templates are laid out for the English placeholders, but every text
// comes from the language file at run time. FitControlsToText makes room for
// the texts a dialog holds now, so that none is cut mid-word:
// - a push button grows to its text; the other controls of its row move over
//   so that the row keeps its gaps and its side (right-aligned stays so);
// - a label or check box keeps its width and wraps: its row grows taller and
//   every control below moves down (a check box gets BS_MULTILINE);
// - a label that shortens itself with an ellipsis is left as it is;
// - a child dialog (a wizard page) is fitted too and counts as one control;
// - the dialog grows by what its controls need, about its centre and within
//   its screen.
// It only ever grows, so calling it again after a text changes is cheap and
// changes nothing when the new text fits.
#pragma once

#include <windows.h>

namespace win {

// Returns how much the dialog window grew.
SIZE FitControlsToText(HWND dialog);

}  // namespace win
