// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CommandManager.h"

#include "commands/CommandStore.h"
#include "commands/Topmost.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

enum Position { Name = 1, Content = 2, Delay = 3, Format = 4, Valid = 5 };
// Columns of the list, keyed "name", "con", "ge", "mod" and "tf".
enum Column { NameColumn, ContentColumn, DelayColumn, FormatColumn, ValidColumn };

// Decimal notation with optional sign, fraction and exponent; blanks around
// it are allowed, an empty text is no number.
bool IsDelayNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    return number.match(text).hasMatch();
}

QString FormatCaption(int code)
{
    switch (code) {
    case 16: return QStringLiteral("十六进制");
    case 10: return QStringLiteral("十进制");
    case 8: return QStringLiteral("八进制");
    case 5: return QStringLiteral("字符形式");
    default: return {};
    }
}

// Option buttons are exclusive, so unticking the ticked one needs the
// exclusivity lifted for a moment.
void Untick(QRadioButton *option)
{
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

QGroupBox *Frame(const QString &caption)
{
    return Named(new QGroupBox(caption), "Fm");
}

} // namespace

CommandManager::CommandManager(CommandStore &store, Dialogs &dialogs, Scheduler &scheduler,
                               QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_dialogs(dialogs), m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("Fming"));
    setWindowTitle(QStringLiteral("命令管理器"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildWindow();
    LoadWindow();
}

void CommandManager::buildWindow()
{
    auto *top = new QGridLayout;
    top->addWidget(Named(new QLabel(QStringLiteral("数据库:")), "Label1"), 0, 0);
    m_textDB = Named(new QLineEdit, "TextDB");
    m_textDB->setReadOnly(true); // changed only through the file picker
    top->addWidget(m_textDB, 0, 1);
    auto *pick = Named(new QToolButton, "DlgPath");
    pick->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    top->addWidget(pick, 0, 2);
    top->addWidget(Named(new QLabel(QStringLiteral("数据表:")), "Label3"), 1, 0);
    m_textTable = Named(new QLineEdit, "TextTable");
    top->addWidget(m_textTable, 1, 1);
    auto *load = Named(new QPushButton(QStringLiteral("装载")), "Mload");
    auto *exit = Named(new QPushButton(QStringLiteral("退出")), "Mexit");
    m_chGird = Named(new QCheckBox(QStringLiteral("网格线")), "chGird");
    auto *tools = new QHBoxLayout;
    tools->addWidget(load);
    tools->addWidget(exit);
    tools->addWidget(m_chGird);
    tools->addStretch();
    top->addLayout(tools, 1, 2, 1, 1);

    m_list = Named(new QTableWidget(0, 5), "lvorder");
    m_list->setHorizontalHeaderLabels({QStringLiteral("命令名称"), QStringLiteral("命令内容"),
                                       QStringLiteral("发送间隔"), QStringLiteral("发送形式"),
                                       QStringLiteral("是否有效")});
    m_list->verticalHeader()->hide();
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setShowGrid(false);

    m_tabs = Named(new QTabWidget, "SSTab1");
    m_tabs->addTab(buildForm(), QStringLiteral(" 管 理 "));
    m_tabs->addTab(m_list, QStringLiteral(" 浏 览 "));

    m_statusBar = Named(new QStatusBar, "sbar");
    m_statusBar->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_statusBar);
    resize(560, 440);

    m_lvTimer = m_scheduler.createTimer(this, QStringLiteral("lvTimer"));
    m_lvTimer->setObjectName(QStringLiteral("lvTimer"));
    m_lvTimer->setInterval(50);

    connect(pick, &QToolButton::clicked, this, &CommandManager::DlgPath_Click);
    connect(load, &QPushButton::clicked, this, &CommandManager::Mload_Click);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_chGird, &QCheckBox::toggled, m_list, &QTableWidget::setShowGrid);
    connect(m_tabs, &QTabWidget::currentChanged, this,
            [this](int tab) { m_lvTimer->setEnabled(tab == 1); });
    connect(m_lvTimer, &Timer::timeout, this, &CommandManager::lvTimer_Timer);
    connect(m_textDB, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_textDB->setToolTip(QStringLiteral("指定数据库") + text);
    });
    connect(m_textTable, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_textTable->setToolTip(QStringLiteral("当前数据表") + text);
        m_store.setTableName(text.trimmed());
    });
}

QWidget *CommandManager::buildForm()
{
    m_name = Named(new QLineEdit, "Mname");
    auto *nameFrame = Frame(QStringLiteral("命令名称"));
    (new QVBoxLayout(nameFrame))->addWidget(m_name);

    m_content = Named(new QPlainTextEdit, "Mcon");
    m_content->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *contentFrame = Frame(QStringLiteral("命令内容"));
    (new QVBoxLayout(contentFrame))->addWidget(m_content);

    m_delay = Named(new QLineEdit(QStringLiteral("1000")), "Mdelay");
    auto *delayFrame = Frame(QStringLiteral("发送间隔"));
    auto *delayLayout = new QHBoxLayout(delayFrame);
    delayLayout->addWidget(m_delay);
    delayLayout->addWidget(Named(new QLabel(QStringLiteral("毫秒")), "Label2"));

    m_yes = Named(new QRadioButton(QStringLiteral("有 效")), "Myes");
    m_no = Named(new QRadioButton(QStringLiteral("无 效")), "Mno");
    auto *validFrame = Frame(QStringLiteral("命令状态"));
    auto *validLayout = new QHBoxLayout(validFrame);
    validLayout->addWidget(m_yes);
    validLayout->addWidget(m_no);

    m_hex = Named(new QRadioButton(QStringLiteral("十六进制")), "Ophex");
    m_dec = Named(new QRadioButton(QStringLiteral("十进制")), "Opdec");
    m_oct = Named(new QRadioButton(QStringLiteral("八进制")), "Opoct");
    m_asc = Named(new QRadioButton(QStringLiteral("字符形式")), "Opasi");
    auto *formatFrame = Frame(QStringLiteral("传送形式"));
    auto *formatLayout = new QHBoxLayout(formatFrame);
    for (QRadioButton *option : {m_hex, m_dec, m_oct, m_asc})
        formatLayout->addWidget(option);

    auto *buttonFrame = Frame(QString());
    auto *buttonLayout = new QGridLayout(buttonFrame);
    const QStringList captions{"第一条", "上一条", "下一条", "最末条", "编 辑",
                               "保 存",  "添 加",  "删 除",  "取 消",  "刷 新"};
    for (int index = 0; index < captions.size(); ++index) {
        auto *button = Named(new QPushButton(captions[index]), "Mdbctrl");
        button->setProperty("index", index);
        connect(button, &QPushButton::clicked, this, [this, index] { Mdbctrl_Click(index); });
        buttonLayout->addWidget(button, index / 5, index % 5);
        m_buttons << button;
    }
    m_buttons[Save]->setEnabled(false);

    setTextBoxesEditable(false);
    auto *form = new QWidget;
    auto *layout = new QGridLayout(form);
    layout->addWidget(nameFrame, 0, 0);
    layout->addWidget(delayFrame, 0, 1);
    layout->addWidget(contentFrame, 1, 0, 1, 2);
    layout->addWidget(validFrame, 2, 0);
    layout->addWidget(formatFrame, 2, 1);
    layout->addWidget(buttonFrame, 3, 0, 1, 2);
    return form;
}

void CommandManager::LoadWindow()
{
    clearForm();
    m_textDB->setText(m_store.databasePath());
    m_textTable->setText(m_store.tableName());
    if (!m_store.OpenCommandStore())
        return;
    wrtlv();
    CommandCursor &cursor = *m_store.cursor();
    showRecordCount(cursor);
    cursor.moveFirst();
    Dingwei();
}

void CommandManager::ShowManager()
{
    SetTopmost(this, 0);
    show();
    raise();
    activateWindow();
}

void CommandManager::OpenForAdding(const QString &sendBoxText)
{
    ShowManager();
    startAdding();
    m_content->setPlainText(sendBoxText.trimmed());
}

void CommandManager::Dingwei()
{
    const CommandCursor *cursor = m_store.cursor();
    if (!cursor || (cursor->isBOF() && cursor->isEOF())) {
        clearForm();
        return;
    }
    if (const QVariant name = cursor->field(Name); !name.isNull())
        m_name->setText(name.toString());
    if (const QVariant content = cursor->field(Content); !content.isNull())
        m_content->setPlainText(content.toString());
    if (const QVariant delay = cursor->field(Delay); !delay.isNull())
        m_delay->setText(delay.toString());

    switch (StoredInteger(cursor->field(Format), 0, 255).value_or(0)) {
    case 16: m_hex->setChecked(true); break;
    case 10: m_dec->setChecked(true); break;
    case 8: m_oct->setChecked(true); break;
    case 5: m_asc->setChecked(true); break;
    default: break; // the options stay as they are
    }
    const QString valid = cursor->field(Valid).toString();
    if (valid == QLatin1String("N"))
        m_no->setChecked(true);
    else if (valid == QLatin1String("Y"))
        m_yes->setChecked(true);
}

// Rows are added without yielding to events, so a table replaced meanwhile
// can never be mixed into the list.
void CommandManager::wrtlv()
{
    m_list->setRowCount(0);
    for (const CommandRecord &record : m_store.commandTable()) {
        const int row = m_list->rowCount();
        m_list->insertRow(row);
        auto *name = new QTableWidgetItem(record.name);
        name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
        name->setCheckState(record.valid == QLatin1String("Y") ? Qt::Checked : Qt::Unchecked);
        m_list->setItem(row, NameColumn, name);
        m_list->setItem(row, ContentColumn, new QTableWidgetItem(record.content));
        m_list->setItem(row, DelayColumn, new QTableWidgetItem(QString::number(record.delay)));
        m_list->setItem(row, FormatColumn, new QTableWidgetItem(FormatCaption(record.format)));
        const QString valid = record.valid == QLatin1String("Y")   ? QStringLiteral("有效")
                              : record.valid == QLatin1String("N") ? QStringLiteral("无效")
                                                                   : QString();
        m_list->setItem(row, ValidColumn, new QTableWidgetItem(valid));
    }
}

void CommandManager::Mdbctrl_Click(int index)
{
    CommandCursor *open = m_store.cursor();
    if (!open)
        return;
    CommandCursor &cursor = *open;
    const bool empty = cursor.recordCount() == 0;
    switch (index) {
    case First:
    case Last:
        if (empty)
            return;
        index == First ? cursor.moveFirst() : cursor.moveLast();
        Dingwei();
        break;
    case Previous:
        if (empty)
            return;
        cursor.movePrevious();
        if (cursor.isBOF())
            cursor.moveFirst();
        Dingwei();
        break;
    case Next:
        if (empty)
            return;
        cursor.moveNext();
        if (cursor.isEOF())
            cursor.moveLast();
        Dingwei();
        break;
    case Edit:
        m_buttons[Save]->setEnabled(true);
        setTextBoxesEditable(true);
        break;
    case Save:
        if (!IsDelayNumber(m_delay->text())) {
            m_dialogs.message(QStringLiteral("时间格式有误！"), QStringLiteral("警告"),
                              MsgIcon::Information);
            return;
        }
        if (m_name->text().trimmed().isEmpty() || m_content->toPlainText().trimmed().isEmpty()) {
            m_dialogs.message(QStringLiteral("有空数据!"), QStringLiteral("警告"),
                              MsgIcon::Exclamation);
            return;
        }
        saveRecord(cursor);
        break;
    case Add:
        startAdding();
        m_delay->setText(QStringLiteral("1000"));
        break;
    case Delete:
        deleteRecord(cursor);
        break;
    case Cancel:
        cursor.cancelBatch();
        returnToBrowsing();
        cursor.moveFirst();
        Dingwei();
        wrtlv();
        break;
    case Refresh:
        writePending(cursor);
        break;
    default:
        return;
    }
    showRecordCount(cursor);
}

void CommandManager::saveRecord(CommandCursor &cursor)
{
    if (m_adding)
        cursor.addNew();
    cursor.setField(Name, m_name->text().trimmed());
    cursor.setField(Content, m_content->toPlainText().trimmed());
    cursor.setField(Delay, m_delay->text().trimmed()); // the column converts the text
    if (m_yes->isChecked())
        cursor.setField(Valid, QStringLiteral("Y"));
    else if (m_no->isChecked())
        cursor.setField(Valid, QStringLiteral("N"));
    const int format = m_hex->isChecked()   ? 16
                       : m_dec->isChecked() ? 10
                       : m_oct->isChecked() ? 8
                                            : 5;
    cursor.setField(Format, format);
    // A refused record is dropped from the cursor, but the form keeps what
    // was typed so the user can correct it and save again.
    if (!writePending(cursor)) {
        cursor.cancelBatch();
        return;
    }
    returnToBrowsing();
    wrtlv();
}

void CommandManager::deleteRecord(CommandCursor &cursor)
{
    const MsgAnswer answer = m_dialogs.message(QStringLiteral("确定要删除?"), QStringLiteral("提示"),
                                               MsgIcon::Exclamation, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes) {
        cursor.deleteCurrent();
        writePending(cursor);
        cursor.requery();
        if (cursor.recordCount() == 0)
            clearForm();
        cursor.moveFirst();
        m_adding = false;
    }
    Dingwei();
}

// Writes the cursor's pending changes; a refusal is reported, since the
// user's change did not reach the file.
bool CommandManager::writePending(CommandCursor &cursor)
{
    if (cursor.updateBatch())
        return true;
    m_dialogs.message(QStringLiteral("写入数据库失败!\n") + cursor.lastError(),
                      QStringLiteral("警告"), MsgIcon::Exclamation);
    return false;
}

void CommandManager::startAdding()
{
    m_adding = true;
    m_buttons[Save]->setEnabled(true);
    setTextBoxesEditable(true);
    m_name->clear();
    m_content->clear();
    m_delay->clear();
    m_name->setFocus();
    m_yes->setChecked(true);
    m_hex->setChecked(true);
    m_buttons[Add]->setEnabled(false);
}

void CommandManager::returnToBrowsing()
{
    m_buttons[Save]->setEnabled(false);
    m_buttons[Add]->setEnabled(true);
    setTextBoxesEditable(false);
    m_adding = false;
}

// Read-only rather than disabled, so long contents can still be scrolled
// and copied while browsing.
void CommandManager::setTextBoxesEditable(bool on)
{
    m_name->setReadOnly(!on);
    m_content->setReadOnly(!on);
    m_delay->setReadOnly(!on);
}

void CommandManager::clearForm()
{
    for (QRadioButton *option : {m_yes, m_no, m_hex, m_dec, m_oct, m_asc})
        Untick(option);
    m_name->clear();
    m_content->clear();
    m_delay->clear();
}

void CommandManager::showRecordCount(const CommandCursor &cursor)
{
    m_statusBar->showMessage(QStringLiteral(" 当前命令条数为:")
                             + QString::number(cursor.recordCount()));
}

void CommandManager::DlgPath_Click()
{
    // The picker starts at the current database; a cancelled picker leaves
    // that as the result, so the window is loaded from it again. With no
    // path at all, nothing was chosen and nothing is loaded.
    const QString current = m_store.databasePath();
    const QString picked = m_dialogs.openFileName(QStringLiteral("打开"),
                                                  QStringLiteral("数据库(*.db *.mdb)"), current);
    const QString path = picked.isEmpty() ? current : picked;
    if (path.trimmed().isEmpty())
        return;
    m_store.setDatabasePath(path);
    LoadWindow();
}

// Loads the table into the main window; this closes the window's own
// cursor, so the record buttons rest until the store is opened again.
void CommandManager::Mload_Click()
{
    if (!m_store.OpenCommandStore())
        return;
    m_store.LoadCommands();
    m_store.CloseCommandStore();
    wrtlv();
}

void CommandManager::lvTimer_Timer()
{
    m_scheduler.processEvents();
    const QModelIndexList selected = m_list->selectionModel()->selectedRows(ContentColumn);
    if (m_list->rowCount() > 0 && !selected.isEmpty())
        m_list->setToolTip(selected.first().data().toString());
}

void CommandManager::closeEvent(QCloseEvent *event)
{
    m_lvTimer->stop();
    m_store.LoadCommands();
    m_store.CloseCommandStore();
    event->accept();
    emit closed();
}
