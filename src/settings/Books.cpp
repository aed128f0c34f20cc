// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Books.h"

#include "core/Dialogs.h"
#include "core/NumberText.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/SerialPort.h"
#include "terminal/PortPanel.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QMenu>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString AddPrompt(const QString &heading, int count, const QString &unit, const QString &ask)
{
    return QStringLiteral("             *** ") + heading + QStringLiteral(" ***   ") + kCrLf + kCrLf + kCrLf
           + QStringLiteral("已有 ") + QString::number(count) + unit + kCrLf + kCrLf + ask;
}

void AppendEntry(QComboBox *box, const QString &entry)
{
    KeepShownText keep(box);
    box->addItem(entry);
}

} // namespace

Books::Books(const Services &services, QObject *parent)
    : QObject(parent),
      m_s(services),
      m_madd(Named(new QAction(this), "Madd")),
      m_mdel(Named(new QAction(this), "Mdel")),
      m_mqingchu(Named(new QAction(this), "Mqingchu"))
{
    connect(m_madd, &QAction::triggered, this, &Books::Add);
    connect(m_mdel, &QAction::triggered, this, &Books::DeleteLast);
    connect(m_mqingchu, &QAction::triggered, this, &Books::Clear);

    for (const Book book : {Book::Parameters, Book::Phones}) {
        ClickLabel *l = label(book);
        connect(l, &ClickLabel::hovered, this, [this, book] { Hover(book); });
        // Any button; the pop-up's items then act on this label's book.
        connect(l, &ClickLabel::released, this, [this, book] {
            m_active = book;
            if (m_bianji)
                m_bianji->popup(QCursor::pos());
        });
    }
    OnHover(m_s.panel.frame(), [this] { ResetLabels(); });
}

QComboBox *Books::box(Book book) const
{
    return book == Book::Parameters ? m_s.panel.text4() : m_s.panel.numtext();
}

ClickLabel *Books::label(Book book) const
{
    return book == Book::Parameters ? m_s.panel.lref() : m_s.panel.ltel();
}

bool Books::closing() const
{
    return m_s.scheduler.isShuttingDown();
}

void Books::Hover(Book book)
{
    ClickLabel *l = label(book);
    SetTextColor(l, QColor(255, 0, 0));
    l->setToolTip(book == Book::Parameters ? QStringLiteral(" 可编辑参数簿 ")
                                           : QStringLiteral(" 可编辑电话簿 "));
    m_active = book;
}

void Books::ResetLabels()
{
    for (const Book book : {Book::Parameters, Book::Phones})
        SetTextColor(label(book), QColor(0, 0, 0));
}

void Books::Add()
{
    switch (m_active) {
    case Book::Parameters: addParameters(); break;
    case Book::Phones: addPhones(); break;
    case Book::None: break;
    }
}

void Books::addParameters()
{
    QComboBox *book = box(Book::Parameters);
    for (;;) {
        const QString answer = m_s.dialogs.input(
            AddPrompt(QStringLiteral("编辑参数簿"), book->count(), QStringLiteral(" 种参数."),
                      QStringLiteral("设输入通讯参数：")),
            QStringLiteral("设置"), m_s.port.settings());
        if (closing() || answer.trimmed().isEmpty())
            return;
        AppendEntry(book, answer);
        m_s.scheduler.processEvents();
    }
}

void Books::addPhones()
{
    QComboBox *book = box(Book::Phones);
    QString suggestion = QStringLiteral("777");
    for (;;) {
        const QString answer = m_s.dialogs.input(
            AddPrompt(QStringLiteral("编辑号码簿"), book->count(), QStringLiteral(" 个号码."),
                      QStringLiteral("设输入电话号码：")),
            QStringLiteral("设置"), suggestion);
        if (closing() || answer.isEmpty())
            return;
        AppendEntry(book, answer);
        suggestion = NextNumberText(answer);
        m_s.scheduler.processEvents();
    }
}

void Books::DeleteLast()
{
    if (m_active == Book::None)
        return;
    QComboBox *book = box(m_active);
    KeepShownText keep(book);
    if (book->count() > 0)
        book->removeItem(book->count() - 1);
}

void Books::Clear()
{
    if (m_active == Book::None)
        return;
    QComboBox *book = box(m_active);
    KeepShownText keep(book);
    book->clear();
}
