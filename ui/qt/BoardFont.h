#pragma once

#include <QFont>

// The board is 15 text columns that must line up across eight separate
// labels, so its font has to be fixed-pitch with one equal cell for every
// glyph the game draws. Its pixel size and cell width are in Figures.h:
// asking for pixels keeps the board the same size whatever DPI the X server
// reports, and Qt scales them to the screen.

// The bold board font: the first installed face from a short list of
// Courier-like families that passes isUsableBoardFont, else the system's
// fixed-pitch font in bold. A face whose characters are narrower than
// kCellWidth (Liberation Mono Bold at 20 px advances 12 px) gets letter
// spacing to make up the difference.
QFont boardFont();

// True when the font draws every board glyph in one equal cell and a full row
// of 15 cells fits between the margins.
bool isUsableBoardFont(const QFont& font);

// The width of one character cell of the board font, letter spacing included.
int boardCellWidth(const QFont& font);
