// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving the send box (`chufa`) or the receive pane (`cuns1`) to a text file
// and loading a text file into the send box (`da`). Files are GBK with CR LF
// line ends; the file dialog offers the name chosen last. A long text saves,
// and a long file loads, in pieces with the window's events in between.

#include "terminal/PaneTextStream.h"

#include <QObject>
#include <QString>
#include <optional>

class Dialogs;
class FormatSwitch;
class QAction;
class Scheduler;
class SendPath;
class StatusBar;
class TextPane;

class DataFiles : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *kFilter = "Text(*.txt)";
    // Bytes a load reads between two turns of the window's events.
    static constexpr qint64 kLoadPiece = 256 * 1024;
    // Characters saved between two turns of the window's events.
    static constexpr qsizetype kSavePiece = PaneTextStream::kPieceChars;

    struct Services
    {
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        FormatSwitch &formats;
        SendPath &send;
        TextPane &receivePane;
    };

    DataFiles(const Services &services, QObject *parent);

    QAction *da() const { return m_da; }
    QAction *chufa() const { return m_chufa; }
    QAction *cuns1() const { return m_cuns1; }

    // Says when this system has no GBK encoder: then no file can be saved.
    // Run once at start-up.
    void CheckEncoder();
    // Writes the text of a box, blanks at its ends removed, with CR LF line
    // ends and a CR LF after it, as GBK; asks for the file when path is
    // empty. The text is the box's at the call, whatever it gets meanwhile. A
    // long text is written in pieces with the window's events in between,
    // into a new file that replaces the old one only when complete; the save
    // items are greyed meanwhile. The status bar says where it went and how
    // many characters GBK lacks were written as "?"; a file that cannot be
    // written (or encoded) is said in a message box.
    void SaveTextFile(QString path, const TextPane &box);
    // A selection too long for the clipboard: asks whether to save it to a
    // file instead, and does so as SaveTextFile() would.
    void offerToSaveSelection(const TextPane &box);
    // The file's lines as the send box takes them in its format; asks for
    // the file when path is empty. Nothing when cancelled or unreadable
    // (said in a message box).
    std::optional<QString> LoadTextFile(QString path);
    // `da`: the loaded text becomes the send box's.
    void OpenIntoSendBox();

private:
    QString askFile(bool saving);
    // Saves the characters [from, to) of a box, as SaveTextFile() says.
    void saveRange(QString path, const TextPane &box, qsizetype from, qsizetype to);
    // Greys the save items while a save runs: a second one would race it
    // for the file.
    void setSaving(bool saving);

    Services m_s;
    QString m_lastFile;
    bool m_loading = false;
    QAction *m_da;
    QAction *m_chufa;
    QAction *m_cuns1;
};
