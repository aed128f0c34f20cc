// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command manager window Fming "命令管理器": browses the records of the
// open command cursor in an edit form, adds, changes and deletes them, and
// lists the loaded commands. It keeps the store open while it is shown; on
// close the commands are loaded again and the store is closed. The window
// deletes itself when closed.

#include <QWidget>

class CommandCursor;
class CommandStore;
class Dialogs;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class Scheduler;
class Timer;

class CommandManager : public QWidget
{
    Q_OBJECT
public:
    // Builds the window and runs its load sequence, which opens the store.
    CommandManager(CommandStore &store, Dialogs &dialogs, Scheduler &scheduler,
                   QWidget *parent = nullptr);

    // Shows and activates the window and keeps it above other windows.
    void ShowManager();
    // Shows the window ready to add the send box text as a new command.
    void OpenForAdding(const QString &sendBoxText);

    // Shows the cursor's current record in the edit form.
    void Dingwei();
    // Rebuilds the list from the loaded CommandTable (not from the cursor).
    void wrtlv();

    enum Button { First, Previous, Next, Last, Edit, Save, Add, Delete, Cancel, Refresh };
    void Mdbctrl_Click(int index);

signals:
    // The window has closed; the commands have been loaded again.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    QWidget *buildForm();
    void LoadWindow();
    void DlgPath_Click();
    void Mload_Click();
    void lvTimer_Timer();

    void saveRecord(CommandCursor &cursor);
    void deleteRecord(CommandCursor &cursor);
    bool writePending(CommandCursor &cursor);
    void startAdding();
    void returnToBrowsing();
    void setTextBoxesEditable(bool on);
    void clearForm();
    void showRecordCount(const CommandCursor &cursor);

    CommandStore &m_store;
    Dialogs &m_dialogs;
    Scheduler &m_scheduler;
    bool m_adding = false;

    QLineEdit *m_textDB = nullptr;
    QLineEdit *m_textTable = nullptr;
    QCheckBox *m_chGird = nullptr;
    QTabWidget *m_tabs = nullptr;
    QLineEdit *m_name = nullptr;
    QPlainTextEdit *m_content = nullptr;
    QLineEdit *m_delay = nullptr;
    QRadioButton *m_yes = nullptr;
    QRadioButton *m_no = nullptr;
    QRadioButton *m_hex = nullptr;
    QRadioButton *m_dec = nullptr;
    QRadioButton *m_oct = nullptr;
    QRadioButton *m_asc = nullptr;
    QList<QPushButton *> m_buttons; // Mdbctrl, by index
    QTableWidget *m_list = nullptr;
    QStatusBar *m_statusBar = nullptr;
    Timer *m_lvTimer = nullptr;
};
