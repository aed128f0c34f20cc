// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts the receive pane shows beside the received data, which are not
// data themselves (see PaneNotes): the sends, when they are shown there.

#include "core/DataFormats.h"

#include <QColor>
#include <QString>

// The colours of shown sends: those that left, and those that did not.
inline const QColor kSentColour{0, 0, 139};
inline const QColor kUnsentColour{139, 0, 0};

// A send as the receive pane shows it, in the receive format: a line of its
// own that starts with "→ ", one per line of a String send, each ended by
// CR LF. `unsent` bytes of it did not leave; then the line says so first.
// `lineOpen`: the pane's last line has text, so the send starts a new one.
QString ShownSendText(const QByteArray &bytes, qint64 unsent, DataFormat format, bool lineOpen);

// The pane's text ends in the middle of a line.
bool EndsInLine(const QString &text);
