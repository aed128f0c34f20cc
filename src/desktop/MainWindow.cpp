// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/MainWindow.h"

#include "commands/CommandManager.h"
#include "commands/CommandMenu.h"
#include "commands/CommandSequencer.h"
#include "commands/CommandStore.h"
#include "desktop/AboutWindow.h"
#include "desktop/Artwork.h"
#include "desktop/DataFiles.h"
#include "desktop/DesktopServices.h"
#include "desktop/HelpFile.h"
#include "desktop/HotKeyToggle.h"
#include "desktop/IconCycle.h"
#include "desktop/KeywordHighlighting.h"
#include "desktop/MenuTree.h"
#include "desktop/ReceiveAreaResizer.h"
#include "desktop/ReceiveAutoSave.h"
#include "desktop/SplashWindow.h"
#include "desktop/StatusPanels.h"
#include "desktop/ToolLauncher.h"
#include "desktop/TopmostSwitch.h"
#include "desktop/TrayMenu.h"
#include "modem/CallAnswer.h"
#include "modem/ModemCommands.h"
#include "modem/PatrolDialer.h"
#include "modem/SimulatedModem.h"
#include "settings/Books.h"
#include "settings/Lifecycle.h"
#include "transfer/FileTransfer.h"

#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/DeviceCatalog.h"
#include "serial/SerialPort.h"
#include "terminal/FindBar.h"
#include "terminal/CheckCodes.h"
#include "terminal/FormatSwitch.h"
#include "terminal/LineEndingChoice.h"
#include "terminal/StampChoice.h"
#include "terminal/LineSwitches.h"
#include "terminal/PortPanel.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "terminal/Toolbar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

const QString MainWindow::kNoHotKeysNotice =
    QStringLiteral(" 本桌面会话不支持全局热键，小键盘 * 不能隐藏窗体 ... ");

MainWindow::MainWindow(const Services &services, QWidget *parent)
    : QMainWindow(parent), m_services(services)
{
    setObjectName(QStringLiteral("com"));
    setWindowTitle(QStringLiteral("Kestrel 5.00"));

    auto *central = new QWidget(this);
    setCentralWidget(central);
    m_status = new StatusBar(this);
    setStatusBar(m_status);
    m_toolbar = new Toolbar(this);
    addToolBar(m_toolbar);

    DeviceCatalog &devices = services.devices;
    // The simulated modem is offered in the port box beside the loopback.
    if (!devices.simulatedNames().contains(SimulatedModem::kName)) {
        Scheduler &scheduler = services.scheduler;
        devices.addSimulated(SimulatedModem::kName,
                             [&scheduler] { return std::make_unique<SimulatedModem>(scheduler); });
    }
    m_port = new SerialPort([&devices](const QString &name) { return devices.create(name); }, this);
    m_port->setObjectName(QStringLiteral("MSComm1"));

    m_formats = new FormatSwitch(services.dialogs, central);
    m_portPanel = new PortPanel({*m_port, services.scheduler, services.dialogs, devices, *m_status,
                                 *m_toolbar, m_flags, m_values.breakMs},
                                central);
    m_send = new SendPath({*m_port, services.scheduler, services.dialogs, *m_status, *m_toolbar,
                           m_flags, *m_formats},
                          central);
    m_receive = new ReceivePath({*m_port, services.scheduler, services.dialogs, *m_toolbar, *m_formats},
                                central);
    m_checks = new CheckCodes(services.dialogs, *m_formats, *m_send, *m_receive->Text2(), central);

    buildModem();
    buildCommands();
    m_books = new Books({*m_portPanel, *m_port, services.dialogs, services.scheduler}, this);
    m_lifecycle = new Lifecycle(
        {services.settings, m_values, *m_port, services.scheduler, services.dialogs, *m_status,
         m_flags, *m_formats, *m_portPanel, *m_send, *m_receive, *m_checks},
        {[this] {
             if (m_store->OpenCommandStore()) {
                 m_store->LoadCommands();
                 m_store->CloseCommandStore();
             }
         },
         [this] {
             if (m_splash)
                 m_splash->Finish();
         },
         [this] { m_call->go()->stop(); }, [this] { return m_call->isCallUp(); },
         [this] { m_call->HangUpAction(); },
         [this] {
             m_services.desktop.releaseHotKeys();
             m_services.desktop.removeTrayIcon();
         }},
        this);

    m_send->setReceivePath(m_receive);
    connect(m_portPanel, &PortPanel::portApplied, m_send, &SendPath::onPortApplied);
    connect(m_portPanel, &PortPanel::portLost, m_send, &SendPath::EndSend);
    connect(m_receive, &ReceivePath::receiveStopped, this, [this] { m_send->sendButton()->setEnabled(true); });
    connect(m_send, &SendPath::dataSent, m_receive, &ReceivePath::showSent);
    // Every poll tick runs the modem's call watch first, then paints the lamps.
    connect(m_receive, &ReceivePath::polling, m_call, &CallAnswer::CallWatch);
    connect(m_receive, &ReceivePath::polling, m_portPanel, &PortPanel::UpdateLineLamps);

    connect(m_toolbar, &Toolbar::buttonClicked, this, [this](int index) {
        switch (index) {
        case 1: m_send->Send(); break;
        case 2: m_receive->Receive(); break;
        case 3: m_send->StopAll(); break;
        case 4: m_formats->ToggleBoth(); break;
        case 5: m_checks->ChecksumCommand(); break;
        case 6: sayIfNotOpened(HelpFile().open(m_services.desktop), QStringLiteral("使用说明")); break;
        default: break;
        }
    });
    const auto sendBox = FormatSwitch::TextAccess{[this] { return m_send->sendText(); },
                                                  [this](const QString &t) { m_send->setSendText(t); }};
    connect(m_toolbar->convertSendAction(), &QAction::triggered, this, [this, sendBox] { m_formats->ChngT(sendBox); });
    connect(m_toolbar->convertReceiveAction(), &QAction::triggered, this, [this] { m_formats->ChngR(*m_receive->Text2()); });
    connect(m_portPanel->exitButton(), &QPushButton::clicked, this, &QWidget::close);

    buildFiles();
    buildLayout();
    buildDesktop();
    buildMenus();
    // The window keeps one size: the design's 8655 x 7905 twips (15 twips
    // to the pixel at 96 dpi), or more where the controls need more at the
    // user's font and scale.
    const QSize design(8655 / 15, 7905 / 15);
    setFixedSize(design.expandedTo(sizeHint()));
}

MainWindow::~MainWindow()
{
    // The command manager is a window of its own, without parent.
    delete m_manager;
    // A transfer under way ends while the port it uses is still there.
    delete m_transfer;
}

void MainWindow::buildModem()
{
    Scheduler &scheduler = m_services.scheduler;
    m_modem = std::make_unique<ModemCommands>(
        *m_port, scheduler, m_services.dialogs,
        ModemWindow{[this] { return m_portPanel->numtext()->currentText(); },
         [this] {
             if (m_call->yoption()->isChecked())
                 return DialMethod::Tone;
             return m_call->moption()->isChecked() ? DialMethod::Pulse : DialMethod::None;
         },
         [this] {
             if (m_receive->isReceiving())
                 m_receive->StopReceive();
         },
         [this](const QString &text) { m_receive->Text2()->append(text); }},
        m_values.handshakeWaitMs);
    m_call = new CallAnswer({*m_port, scheduler, m_services.dialogs, *m_status, m_flags, *m_modem,
                             *m_send, *m_receive, m_values.handshakeWaitMs},
                            centralWidget());
    m_patrol = new PatrolDialer({*m_port, scheduler, m_services.dialogs, *m_status, *m_call, *m_send,
                                 *m_receive, *m_formats, *m_portPanel->numtext(), m_values.passCount,
                                 [this] { m_sequencer->RunAllCommands(); }},
                                this);
    m_send->setStopCountdown([this] { m_call->go()->stop(); });
    m_portPanel->setHooks({[this] { m_call->CheckCarrierLoss(); }, [this] { m_call->HangUpAction(); },
                           [this] { return m_send->isAutoSending(); },
                           [this] { return m_receive->isReceiving(); },
                           [this] {
                               return m_call->drivesLines() || m_patrol->isRunning()
                                      || m_sequencer->isRunning();
                           }});
}

void MainWindow::buildCommands()
{
    m_store = new CommandStore(m_values.databasePath, m_values.tableName, m_services.dialogs, this);
    m_sequencer = new CommandSequencer({*m_store, *m_port, m_services.scheduler, m_services.dialogs,
                                        *m_status, m_flags, *m_formats, *m_send, *m_receive,
                                        [this](const QString &path) {
                                            sayIfNotOpened(m_services.desktop.openPath(path), QStringLiteral("日报文"));
                                        },
                                        [this] { OpenCommandManager(); }},
                                       this);
}

// Keyword colouring and the data files: saving, loading, auto-save.
void MainWindow::buildFiles()
{
    Scheduler &scheduler = m_services.scheduler;
    Dialogs &dialogs = m_services.dialogs;
    ReceivePane &pane = *m_receive->Text2();
    m_keywords = new KeywordHighlighting({scheduler, dialogs, *m_receive, *m_send->Text1()}, centralWidget());
    m_files = new DataFiles({scheduler, dialogs, *m_status, *m_formats, *m_send, pane}, this);
    m_autoSave = new ReceiveAutoSave({scheduler, dialogs, *m_status, pane, *m_receive->readOnlySwitch()}, this);
    m_transfer = new FileTransfer({*m_port, scheduler, dialogs, *m_status, *m_send, *m_receive}, this);
    // The offer's switch is kept with the settings as it changes.
    connect(m_transfer->autoStartItem(), &QAction::toggled, this,
            [this](bool on) { m_values.zmodemAutoStart = on; });
}

void MainWindow::OpenCommandManager()
{
    if (!m_manager)
        m_manager = new CommandManager(*m_store, m_services.dialogs, m_services.scheduler);
    m_manager->ShowManager();
}

void MainWindow::buildMenus()
{
    // The items this window carries out; the parts supply their own.
    QList<QAction *> items;
    const auto item = [this, &items](const char *name, auto action) {
        QAction *a = Named(new QAction(this), name);
        connect(a, &QAction::triggered, this, action);
        items << a;
    };
    item("exit", [this] { close(); });
    item("发送", [this] { m_send->Send(); });
    item("mAutoT", [this] { m_send->AutoSendMenu(); });
    item("接收", [this] { m_receive->Receive(); });
    item("停止", [this] { m_receive->StopReceive(); });
    item("checksum", [this] { m_checks->ChecksumCommand(); });
    item("清除发送", [this] { m_send->Clear(); });
    item("料", [this] { m_receive->Clear(); });
    for (const int n : {1, 2, 3}) {
        const QByteArray name = "转串口" + QByteArray::number(n);
        item(name.constData(), [this, n] { m_portPanel->SwitchToPort(n); });
    }
    item("mCollectfrmsend", [this] {
        OpenCommandManager();
        m_manager->OpenForAdding(m_send->sendText());
    });
    item("设置握手等待时间", [this] { SetHandshakeTime(m_services.dialogs, m_values.handshakeWaitMs); });
    item("计算器", [this] {
        sayIfNotOpened(ToolLauncher(m_services.desktop).StartCalculator(), QStringLiteral("计算器"));
    });
    item("计事本", [this] {
        ToolLauncher(m_services.desktop).StartTextEditor(
            this, [this](bool started) { sayIfNotOpened(started, QStringLiteral("文本编辑器")); });
    });
    item("guanyu", [this] { sayIfNotOpened(HelpFile().open(m_services.desktop), QStringLiteral("使用说明")); });
    item("guangty", [this] { openAbout(); });
    items << m_sequencer->mopendaytext() << m_call->callItem() << m_call->hangItem()
          << m_patrol->mAutoDial() << m_patrol->passCountItem() << m_books->items()
          << m_sequencer->mOnOrder() << m_store->createTableNameAction(this) << m_sequencer->mOrderSave()
          << m_checks->mCheckSum() << m_checks->mCRC() << m_checks->crcItems()
          << m_portPanel->autoReconnectItem() << m_portPanel->lineSwitches()->breakItem()
          << m_portPanel->lineSwitches()->breakLengthItem() << m_send->lineEnding()->items()
          << m_send->pacing()->item() << m_receive->showSentItem()
          << m_receive->stamps()->items() << m_tray->items()
          << m_files->da() << m_files->chufa() << m_files->cuns1() << m_autoSave->RecSave()
          << m_keywords->msetkey() << m_transfer->items();

    m_menus = new MenuTree(menuBar(), this, items);
    m_tray->setMenu(m_menus->menu(QStringLiteral("popmenu")));
    m_books->setMenu(m_menus->menu(QStringLiteral("bianji")));
    QMenu *custom = m_menus->menu(QStringLiteral("mDiyOrder"));
    m_commandMenu = new CommandMenu(custom, *m_store, this);
    connect(m_commandMenu, &CommandMenu::itemTriggered, this, [this, custom](int index) {
        const QList<QAction *> entries = custom->actions();
        m_sequencer->SendNamedCommand(index, index < entries.size() ? entries[index]->text() : QString());
    });
}

QAction *MainWindow::menuItem(const QString &name) const
{
    return m_menus->item(name);
}

void MainWindow::buildDesktop()
{
    DesktopServices &desktop = m_services.desktop;
    setWindowIcon(ProgramIcon());
    auto *toggle = new HotKeyToggle(desktop, *this, this);
    connect(toggle, &HotKeyToggle::notice, m_status, &StatusBar::setMessage);
    m_tray = new TrayMenu(desktop, *this, *toggle, this);
    m_icons = new IconCycle(m_services.scheduler, desktop, *this, [this] { return m_port->isOpen(); }, this);
    new StatusPanels(m_services.scheduler, desktop, *m_status, *this);
    const char *icons[6] = {"send", "receive", "stop", "convert", "check", "help"};
    for (int i = 0; i < 6; ++i)
        m_toolbar->button(i + 1)->setIcon(KestrelIcon(icons[i]));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

// Tools, help and the day log open without a message box. A desktop may
// well lack a calculator, an editor or a program that opens text files, and
// then the status bar says so instead of nothing happening at all.
void MainWindow::sayIfNotOpened(bool opened, const QString &what)
{
    if (!opened)
        m_status->setMessage(QStringLiteral(" 未能打开%1 ... ").arg(what));
}

void MainWindow::openAbout()
{
    if (!m_about) {
        m_about = new AboutWindow(this);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    ShowWindow(*m_about);
}

namespace {

// A row of controls: left ones at the left, right ones at the right.
QHBoxLayout *Row(const QList<QWidget *> &left, const QList<QWidget *> &right)
{
    auto *row = new QHBoxLayout;
    for (QWidget *w : left)
        row->addWidget(w);
    row->addStretch(1);
    for (QWidget *w : right)
        row->addWidget(w);
    return row;
}

} // namespace

void MainWindow::buildLayout()
{
    QWidget *central = centralWidget();
    auto *top = new QHBoxLayout(central);
    top->setContentsMargins(4, 4, 4, 4);

    // Left: the port panel and the check-code box.
    auto *left = new QVBoxLayout;
    auto *portBox = new QGroupBox(QStringLiteral("串口"), central);
    auto *portLayout = new QVBoxLayout(portBox);
    portLayout->addWidget(m_portPanel->frame());
    left->addWidget(portBox);
    auto *callBox = new QGroupBox(QStringLiteral("调制解调器"), central);
    auto *callLayout = new QVBoxLayout(callBox);
    callLayout->addWidget(m_call->frame());
    left->addWidget(callBox);
    auto *checkRow = new QHBoxLayout;
    checkRow->addWidget(new QLabel(QStringLiteral("校验码"), central));
    checkRow->addWidget(m_checks->cstext());
    left->addLayout(checkRow);
    left->addStretch(1);
    top->addLayout(left);

    // Right: the receive frame above the send area. The strip PicT above the
    // receive pane holds the buttons that enlarge and restore the receive
    // area and the always-on-top switch; the strip PicR below it the receive
    // controls. The enlarged frame covers the send area.
    // The byte counters grow as data flows. Their room for eight digits is
    // kept from the start: the window keeps its first size, and a longer
    // count would otherwise squeeze the controls beside it.
    for (QLabel *counter : {m_receive->counterLabel(), m_send->counterLabel()})
        counter->setMinimumWidth(counter->fontMetrics().horizontalAdvance(QStringLiteral("【99999999】B")));

    auto *right = new QVBoxLayout;
    auto *frame1 = Named(new QGroupBox(QStringLiteral("接收区"), central), "Frame1");
    OnHover(frame1, [this] { m_portPanel->resetBufferLabels(); });
    auto *sendBox = Named(new QGroupBox(QStringLiteral("发送区"), central), "sendArea");
    m_resizer = new ReceiveAreaResizer(m_services.scheduler, *frame1, *m_receive->Text2(), *sendBox, frame1);
    m_topmost = new TopmostSwitch(*this, *m_send->Text1(), frame1);
    auto *receiveLayout = new QVBoxLayout(frame1);
    receiveLayout->addLayout(Row({m_resizer->ImgDown(), m_resizer->ImgUp()},
                                 {m_keywords->KeyUp(), m_topmost->Pictop1(), m_topmost->Pictop2()}));
    receiveLayout->addWidget(m_receive->Text2(), 1);
    m_findBar = new FindBar(*m_receive->Text2(), [this] {
        const DataFormat format = m_formats->receiveFormat();
        return format == DataFormat::String ? 0 : int(format); // a byte format's value is its base
    }, frame1);
    receiveLayout->addWidget(m_findBar);
    // Ctrl+F saves the send box; finding in the receive pane takes Ctrl+Shift+F.
    auto *find = new QAction(QStringLiteral("查找接收区"), this);
    find->setObjectName(QStringLiteral("findInReceive"));
    find->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    connect(find, &QAction::triggered, m_findBar, &FindBar::open);
    addAction(find);
    receiveLayout->addLayout(Row({m_formats->receiveSelector(), m_receive->receiveButton(),
                                  m_receive->stopButton(), m_receive->clearButton(), m_receive->readOnlySwitch()},
                                 {m_portPanel->receiveBufferLabel(), m_receive->counterLabel()}));
    // Takes the room the pane leaves while it grows or shrinks.
    receiveLayout->addStretch(0);
    right->addWidget(frame1, 3);

    auto *sendLayout = new QVBoxLayout(sendBox);
    sendLayout->addWidget(m_send->Text1(), 1);
    sendLayout->addLayout(Row({m_formats->sendSelector(), m_send->sendButton(), m_send->startButton(),
                               m_send->stopButton(), m_send->clearButton()},
                              {m_portPanel->sendBufferLabel(), m_send->counterLabel()}));
    sendLayout->addLayout(Row({m_send->modeFrame(), m_send->intervalRow(), m_send->assistant()}, {}));
    right->addWidget(sendBox, 2);
    top->addLayout(right, 1);
}

void MainWindow::StartUp(SplashWindow *splash)
{
    m_splash = splash;
    m_files->CheckEncoder();
    m_lifecycle->StartUp();
    m_transfer->autoStartItem()->setChecked(m_values.zmodemAutoStart);
    if (!m_services.desktop.globalKeysAvailable())
        m_status->setMessage(kNoHotKeysNotice);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A close asked for while the exit sequence runs (its questions, its
    // hang-up) is the same close.
    if (m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    const bool leaving = m_lifecycle->Exit();
    m_closing = false;
    if (!leaving) {
        event->ignore();
        return;
    }
    if (m_manager)
        m_manager->close();
    event->accept();
    // exit, not quit: quit would first close every window again, this one
    // included, and ask the exit question a second time.
    if (m_endsProgram)
        QCoreApplication::exit(0);
}

void MainWindow::endProgramOnExit()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_endsProgram = true;
}
