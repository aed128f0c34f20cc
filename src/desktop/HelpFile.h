// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help text Helptxt.txt, written for this program and installed with
// it: found beside the program (a build) or in the installed data folder,
// and opened by the desktop. A missing file says nothing.

#include <QStringList>

class DesktopServices;

class HelpFile
{
public:
    static constexpr const char *kFileName = "Helptxt.txt";

    // The folders looked in, in order: beside the program (where the build
    // puts the help text), then the data folder the program is installed with.
    static QStringList installedFolders();

    explicit HelpFile(QStringList folders = installedFolders()) : m_folders(std::move(folders)) {}

    // The help file's path, or empty when there is none.
    QString path() const;
    // Opens the help file with the desktop; false when it is missing or
    // could not be opened.
    bool open(DesktopServices &desktop) const;

private:
    QStringList m_folders;
};
