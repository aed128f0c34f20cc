// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/KeywordWindow.h"

#include "commands/Topmost.h"
#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "core/Widgets.h"
#include "terminal/TextPane.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int kBoxes = 5;

// The boxes of a row as the stored keyword gives them back: pieces of
// Byte1's width, one blank between them. A keyword that does not come back
// whole that way (boxes of unequal widths, more than five pieces) is shown
// whole in Byte1, so pressing OK keeps it as it is.
QStringList SplitIntoBoxes(const KeywordEntry &entry)
{
    QStringList boxes(kBoxes);
    const qsizetype width = entry.PieceWidth;
    const QString &text = entry.Text;
    int box = 0;
    for (qsizetype at = 0; at < text.size() && box < kBoxes && width > 0; at += width + 1)
        boxes[box++] = text.mid(at, width);
    if (TrimBlanks(boxes.join(u' ')) != text) {
        boxes.fill(QString());
        boxes[0] = text;
    }
    return boxes;
}

QToolButton *ColourButton(const char *name, QWidget *parent)
{
    auto *button = Named(new QToolButton(parent), name);
    button->setText(QStringLiteral("…"));
    button->setToolTip(QStringLiteral("设置背景颜色"));
    return button;
}

} // namespace

KeywordWindow::KeywordWindow(Dialogs &dialogs, const Keywords &keywords, TextPane &sendBox,
                             TextPane &receivePane, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dialogs(dialogs), m_sendBox(sendBox), m_receivePane(receivePane)
{
    setObjectName(QStringLiteral("FSetKey"));
    setWindowTitle(QStringLiteral("设置关键字"));
    buildControls();
    load(keywords);
}

void KeywordWindow::buildControls()
{
    auto *grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(QStringLiteral("  Byte1    Byte2    Byte3     Byte4    Byte5  Color"), this),
                          "Label1"),
                    0, 1, 1, kBoxes + 1);
    for (int k = 0; k < 3; ++k) {
        m_check1[k] = Named(new QCheckBox(QStringLiteral("关键字%1").arg(k + 1), this), "Check1");
        m_check1[k]->setProperty("index", k);
        grid->addWidget(m_check1[k], k + 1, 0);
        for (int b = 0; b < kBoxes; ++b) {
            const int index = kBoxes * k + b;
            QLineEdit *box = Named(new QLineEdit(this), "Text1");
            box->setProperty("index", index);
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
            box->installEventFilter(this);
            grid->addWidget(box, k + 1, b + 1);
            m_text1[index] = box;
        }
        m_dlgCol[k] = ColourButton("DlgCOL", this);
        m_dlgCol[k]->setProperty("index", k);
        connect(m_dlgCol[k], &QToolButton::clicked, this, [this, k] { chooseKeywordColour(k); });
        grid->addWidget(m_dlgCol[k], k + 1, kBoxes + 1);
    }

    QToolButton *colorText1 = ColourButton("ColorText1", this);
    QToolButton *colorText2 = ColourButton("ColorText2", this);
    m_labelText1 = Named(new QLabel(QStringLiteral("发送区 背景"), this), "Labeltext1");
    m_labelText2 = Named(new QLabel(QStringLiteral("接收区 背景"), this), "Labeltext2");
    for (QLabel *label : {m_labelText1, m_labelText2})
        label->setAutoFillBackground(true);
    connect(colorText1, &QToolButton::clicked, this, [this] { chooseBackColour(m_sendBox, m_labelText1); });
    connect(colorText2, &QToolButton::clicked, this, [this] { chooseBackColour(m_receivePane, m_labelText2); });
    auto *bok = Named(new QPushButton(QStringLiteral("确  定"), this), "Bok");
    auto *cancel = Named(new QPushButton(QStringLiteral("取  消"), this), "Cancel");
    bok->setDefault(true);
    connect(bok, &QPushButton::clicked, this, [this] {
        const Keywords keywords = entered();
        close();
        emit accepted(keywords);
    });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    auto *backs = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{colorText1, m_labelText1, colorText2, m_labelText2})
        backs->addWidget(w);
    backs->addStretch(1);
    backs->addWidget(bok);
    backs->addWidget(cancel);

    auto *hint = Named(new QStatusBar(this), "StatusBar1");
    hint->setSizeGripEnabled(false);
    hint->addWidget(new QLabel(QStringLiteral(" 注意: 输入2位16进制或3位10/8进制数再或英文字母 ！"), hint));

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(backs);
    layout->addWidget(hint);
}

void KeywordWindow::load(const Keywords &keywords)
{
    for (int k = 0; k < 3; ++k) {
        setKeywordColour(k, keywords[k].Color);
        m_check1[k]->setChecked(keywords[k].Enabled);
        const QStringList boxes = SplitIntoBoxes(keywords[k]);
        for (int b = 0; b < kBoxes; ++b)
            m_text1[kBoxes * k + b]->setText(boxes[b]);
    }
    SetBackgroundColor(m_labelText1, m_sendBox.backColor());
    SetBackgroundColor(m_labelText2, m_receivePane.backColor());
}

Keywords KeywordWindow::entered() const
{
    Keywords keywords;
    for (int k = 0; k < 3; ++k) {
        QStringList boxes;
        for (int b = 0; b < kBoxes; ++b)
            boxes << m_text1[kBoxes * k + b]->text();
        keywords[k].Color = m_colours[k];
        // Spaces inside a box stay part of the keyword; only the ends go.
        keywords[k].Text = TrimBlanks(boxes.join(u' '));
        keywords[k].Enabled = m_check1[k]->isChecked();
        keywords[k].PieceWidth = int(TrimBlanks(boxes[0]).size());
    }
    return keywords;
}

void KeywordWindow::setKeywordColour(int k, const QColor &colour)
{
    m_colours[k] = colour;
    SetTextColor(m_check1[k], colour);
}

void KeywordWindow::chooseKeywordColour(int k)
{
    if (const std::optional<QColor> chosen = m_dialogs.color(m_colours[k]))
        setKeywordColour(k, *chosen);
    m_check1[k]->setChecked(true);
}

void KeywordWindow::chooseBackColour(TextPane &pane, QLabel *label)
{
    if (const std::optional<QColor> chosen = m_dialogs.color(pane.backColor())) {
        SetBackgroundColor(label, *chosen);
        pane.setBackColor(*chosen);
    }
}

// A double-click on a byte box chooses the colour of its row.
bool KeywordWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int index = 0; index < 3 * kBoxes; ++index) {
            if (watched == m_text1[index]) {
                chooseKeywordColour(index / kBoxes);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
