// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Converts the data of a text pane between Hex text and characters, notes
// (shown sends, time stamps) staying as they are between the converted
// pieces; each piece between two notes is converted on its own, without
// the blanks at its ends. A pane of any length is converted with flat
// memory: piece by piece into a file, and from that file into the emptied
// pane; until all of it is converted, the pane keeps its text.

#include "core/DataFormats.h"

#include <QString>

class TextPane;

struct PaneConversion
{
    enum class Outcome { Converted, NotConvertible, NoRoom };
    Outcome outcome = Outcome::Converted;
    QString error; // why the file could not be written (NoRoom)
};

// `from` is the pane's format: Hex text becomes characters, anything else
// becomes Hex text.
PaneConversion ConvertPane(TextPane &pane, DataFormat from);
