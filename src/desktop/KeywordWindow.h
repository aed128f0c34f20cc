// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyword window `FSetKey` "设置关键字": three rows of five byte boxes
// (`Text1` 0 to 14) with their check boxes `Check1` and colour buttons
// `DlgCOL`, and the background colours of the send box (`ColorText1`) and
// the receive pane (`ColorText2`). A keyword colour chosen here counts only
// when 确  定 is pressed; a background colour applies at once.

#include "terminal/KeywordHighlighter.h"

#include <QWidget>

class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TextPane;

class KeywordWindow : public QWidget
{
    Q_OBJECT
public:
    KeywordWindow(Dialogs &dialogs, const Keywords &keywords, TextPane &sendBox, TextPane &receivePane,
                  QWidget *parent = nullptr);

    // The keywords as the boxes, ticks and colours now give them.
    Keywords entered() const;

signals:
    // 确  定 was pressed; the window closes itself.
    void accepted(const Keywords &keywords);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void load(const Keywords &keywords);
    void chooseKeywordColour(int k);
    void chooseBackColour(TextPane &pane, QLabel *label);
    void setKeywordColour(int k, const QColor &colour);

    Dialogs &m_dialogs;
    TextPane &m_sendBox;
    TextPane &m_receivePane;
    QCheckBox *m_check1[3] = {};
    QLineEdit *m_text1[15] = {};
    QToolButton *m_dlgCol[3] = {};
    QColor m_colours[3];
    QLabel *m_labelText1 = nullptr;
    QLabel *m_labelText2 = nullptr;
};
