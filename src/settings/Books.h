// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The phone book and the parameter book: the lists of the phone box
// `numtext` and of the parameter box `text4`, edited through the items of
// the pop-up menu `bianji` (添加, 删除, 清除) that opens over the labels
// beside the boxes.
// The label the mouse last moved over chooses the book the items act on;
// a pop-up opened over a label acts on that label's book.

#include <QList>
#include <QObject>

class QAction;
class QComboBox;
class QMenu;
class QWidget;
class ClickLabel;
class Dialogs;
class PortPanel;
class Scheduler;
class SerialPort;

class Books : public QObject
{
    Q_OBJECT
public:
    enum class Book { None, Parameters, Phones };

    struct Services
    {
        PortPanel &panel;
        SerialPort &port;
        Dialogs &dialogs;
        Scheduler &scheduler;
    };

    Books(const Services &services, QObject *parent);

    // The items Madd, Mdel and Mqingchu, for the menu tree.
    QList<QAction *> items() const { return {m_madd, m_mdel, m_mqingchu}; }
    // The pop-up menu bianji of the tree, which holds the items.
    void setMenu(QMenu *bianji) { m_bianji = bianji; }
    QMenu *bianji() const { return m_bianji; }
    Book activeBook() const { return m_active; }

    // The mouse moved over a book's label: the label turns red, says it
    // edits its book, and its book becomes the active one.
    void Hover(Book book);
    // The mouse moved over the frame around the labels: both turn black.
    void ResetLabels();

    // The items of bianji, on the active book.
    void Add();
    void DeleteLast();
    void Clear();

private:
    void addParameters();
    void addPhones();
    QComboBox *box(Book book) const;
    ClickLabel *label(Book book) const;
    // The user is closing the program: an add loop ends.
    bool closing() const;

    Services m_s;
    Book m_active = Book::None;
    QAction *m_madd;
    QAction *m_mdel;
    QAction *m_mqingchu;
    QMenu *m_bianji = nullptr;
};
