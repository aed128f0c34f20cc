#include "desktop/MainWindow.h"

#include "commands/CommandManager.h"
#include "commands/CommandMenu.h"
#include "commands/CommandSequencer.h"
#include "commands/CommandStore.h"
#include "desktop/SplashWindow.h"
#include "modem/CallAnswer.h"
#include "modem/ModemCommands.h"
#include "modem/SimulatedModem.h"
#include "settings/Lifecycle.h"

#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/DeviceCatalog.h"
#include "serial/SerialPort.h"
#include "terminal/CheckCodes.h"
#include "terminal/FormatSwitch.h"
#include "terminal/PortPanel.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "terminal/Toolbar.h"

#include <QAction>
#include <QCloseEvent>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

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
                                 *m_toolbar, m_flags},
                                central);
    m_send = new SendPath({*m_port, services.scheduler, services.dialogs, *m_status, *m_toolbar,
                           m_flags, *m_formats},
                          central);
    m_receive = new ReceivePath({*m_port, services.scheduler, services.dialogs, *m_toolbar,
                                 m_flags, *m_formats},
                                central);
    m_checks = new CheckCodes(services.dialogs, *m_formats, *m_send, *m_receive->Text2(), central);

    buildModem();
    buildCommands();
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
         [this] { m_call->HangUpAction(); }, {}},
        this);

    m_send->setReceivePath(m_receive);
    connect(m_portPanel, &PortPanel::portApplied, m_send, &SendPath::onPortApplied);
    connect(m_portPanel, &PortPanel::portLost, m_send, &SendPath::EndSend);
    connect(m_receive, &ReceivePath::receiveStopped, this, [this] { m_send->sendButton()->setEnabled(true); });
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
        default: break;
        }
    });
    const auto sendBox = FormatSwitch::TextAccess{[this] { return m_send->sendText(); },
                                                  [this](const QString &t) { m_send->setSendText(t); }};
    const auto pane = FormatSwitch::TextAccess{[this] { return m_receive->Text2()->text(); },
                                               [this](const QString &t) { m_receive->Text2()->setText(t); }};
    connect(m_toolbar->convertSendAction(), &QAction::triggered, this, [this, sendBox] { m_formats->ChngT(sendBox); });
    connect(m_toolbar->convertReceiveAction(), &QAction::triggered, this, [this, pane] { m_formats->ChngR(pane); });
    connect(m_portPanel->exitButton(), &QPushButton::clicked, this, &QWidget::close);

    buildMenus();
    buildLayout();
}

MainWindow::~MainWindow() = default;

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
         [this] { m_flags.receiveActive = false; },
         [this](const QString &text) { m_receive->Text2()->append(text); }},
        m_values.handshakeWaitMs);
    m_call = new CallAnswer({*m_port, scheduler, m_services.dialogs, *m_status, m_flags, *m_modem,
                             *m_send, m_values.handshakeWaitMs},
                            centralWidget());
    m_send->setStopCountdown([this] { m_call->go()->stop(); });
    m_portPanel->setHooks({[this] { m_call->CheckCarrierLoss(); }, [this] { m_call->HangUpAction(); },
                           [this] { return m_send->isAutoSending(); }});
}

void MainWindow::buildCommands()
{
    m_store = new CommandStore(m_values.databasePath, m_values.tableName, m_services.dialogs, this);
    m_sequencer = new CommandSequencer({*m_store, *m_port, m_services.scheduler, m_services.dialogs,
                                        *m_status, m_flags, *m_formats, *m_send, *m_receive,
                                        m_services.openFile, [this] { OpenCommandManager(); }},
                                       this);
}

void MainWindow::OpenCommandManager()
{
    if (!m_manager)
        m_manager = new CommandManager(*m_store, m_services.dialogs, m_services.scheduler);
    m_manager->ShowManager();
}

QAction *MainWindow::addMenuItem(QMenu *menu, const char *name, const QString &text,
                                 const QKeySequence &shortcut)
{
    QAction *a = menu->addAction(text);
    a->setObjectName(QString::fromUtf8(name));
    a->setShortcut(shortcut);
    return a;
}

void MainWindow::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("wen"));
    file->addAction(m_sequencer->mopendaytext());
    file->addSeparator();
    connect(addMenuItem(file, "exit", QStringLiteral("退出(X)"), QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, &QWidget::close);

    QMenu *control = menuBar()->addMenu(QStringLiteral("控制(&K)"));
    control->setObjectName(QStringLiteral("控制"));
    connect(addMenuItem(control, "发送", QStringLiteral("发送"), QKeySequence(Qt::Key_F1)),
            &QAction::triggered, m_send, &SendPath::Send);
    connect(addMenuItem(control, "mAutoT", QStringLiteral("自动发送"), QKeySequence(Qt::SHIFT | Qt::Key_F1)),
            &QAction::triggered, m_send, &SendPath::AutoSendMenu);
    connect(addMenuItem(control, "接收", QStringLiteral("接收"), QKeySequence(Qt::Key_F2)),
            &QAction::triggered, m_receive, &ReceivePath::Receive);
    connect(addMenuItem(control, "停止", QStringLiteral("停止")), &QAction::triggered, m_receive,
            &ReceivePath::StopReceive);
    control->addSeparator();
    connect(addMenuItem(control, "checksum", QStringLiteral("校验和"), QKeySequence(Qt::Key_F5)),
            &QAction::triggered, m_checks, &CheckCodes::ChecksumCommand);
    control->addSeparator();
    control->addAction(m_call->callItem());
    control->addAction(m_call->hangItem());
    control->addSeparator();
    connect(addMenuItem(control, "清除发送", QStringLiteral("清除发送"), QKeySequence(Qt::Key_F8)),
            &QAction::triggered, m_send, &SendPath::Clear);
    connect(addMenuItem(control, "料", QStringLiteral("清除接收"), QKeySequence(Qt::Key_F9)),
            &QAction::triggered, m_receive, &ReceivePath::Clear);
    control->addSeparator();
    for (int n = 1; n <= 3; ++n) {
        const QByteArray name = "转串口" + QByteArray::number(n);
        const auto key = QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + n - 1));
        connect(addMenuItem(control, name.constData(), QStringLiteral("转串口 %1").arg(n), key),
                &QAction::triggered, this, [this, n] { m_portPanel->SwitchToPort(n); });
    }

    QMenu *commands = menuBar()->addMenu(QStringLiteral("命令(&M)"));
    commands->setObjectName(QStringLiteral("ming"));
    QMenu *custom = commands->addMenu(QStringLiteral("自定义命令"));
    custom->setObjectName(QStringLiteral("mDiyOrder"));
    m_commandMenu = new CommandMenu(custom, *m_store, this);
    connect(m_commandMenu, &CommandMenu::itemTriggered, this, [this, custom](int index) {
        const QList<QAction *> items = custom->actions();
        m_sequencer->SendNamedCommand(index, index < items.size() ? items[index]->text() : QString());
    });
    commands->addSeparator();
    commands->addAction(m_sequencer->mOnOrder());
    commands->addSeparator();
    connect(addMenuItem(commands, "mCollectfrmsend", QStringLiteral("提取命令"),
                        QKeySequence(Qt::CTRL | Qt::Key_R)),
            &QAction::triggered, this, [this] {
                OpenCommandManager();
                m_manager->OpenForAdding(m_send->sendText());
            });

    QMenu *options = menuBar()->addMenu(QStringLiteral("选项(&O)"));
    options->setObjectName(QStringLiteral("MOption1"));
    connect(addMenuItem(options, "设置握手等待时间", QStringLiteral("设置握手时间")), &QAction::triggered,
            this, [this] { SetHandshakeTime(m_services.dialogs, m_values.handshakeWaitMs); });
    options->addSeparator();
    options->addAction(m_store->createTableNameAction(this));
    options->addSeparator();
    options->addAction(m_sequencer->mOrderSave());
    options->addSeparator();
    QMenu *checkMode = options->addMenu(QStringLiteral("校验方式"));
    checkMode->setObjectName(QStringLiteral("mcheckmod"));
    checkMode->addAction(m_checks->mCheckSum());
    checkMode->addAction(m_checks->mCRC());
}

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

    // Right: the receive frame above the send area.
    auto *right = new QVBoxLayout;
    auto *frame1 = new QGroupBox(QStringLiteral("接收区"), central);
    frame1->setObjectName(QStringLiteral("Frame1"));
    OnHover(frame1, [this] { m_portPanel->resetBufferLabels(); });
    auto *receiveLayout = new QVBoxLayout(frame1);
    receiveLayout->addWidget(m_receive->Text2(), 1);
    auto *picR = new QHBoxLayout;
    picR->addWidget(m_formats->receiveSelector());
    picR->addWidget(m_receive->receiveButton());
    picR->addWidget(m_receive->stopButton());
    picR->addWidget(m_receive->clearButton());
    picR->addWidget(m_receive->readOnlySwitch());
    picR->addStretch(1);
    picR->addWidget(m_portPanel->receiveBufferLabel());
    picR->addWidget(m_receive->counterLabel());
    receiveLayout->addLayout(picR);
    right->addWidget(frame1, 3);

    auto *sendBox = new QGroupBox(QStringLiteral("发送区"), central);
    auto *sendLayout = new QVBoxLayout(sendBox);
    sendLayout->addWidget(m_send->Text1(), 1);
    auto *row1 = new QHBoxLayout;
    row1->addWidget(m_formats->sendSelector());
    row1->addWidget(m_send->sendButton());
    row1->addWidget(m_send->startButton());
    row1->addWidget(m_send->stopButton());
    row1->addWidget(m_send->clearButton());
    row1->addStretch(1);
    row1->addWidget(m_portPanel->sendBufferLabel());
    row1->addWidget(m_send->counterLabel());
    sendLayout->addLayout(row1);
    auto *row2 = new QHBoxLayout;
    row2->addWidget(m_send->modeFrame());
    row2->addWidget(m_send->intervalRow());
    row2->addWidget(m_send->assistant());
    row2->addStretch(1);
    sendLayout->addLayout(row2);
    right->addWidget(sendBox, 2);
    top->addLayout(right, 1);

    resize(860, 620);
}

void MainWindow::StartUp(SplashWindow *splash)
{
    m_splash = splash;
    m_lifecycle->StartUp();
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
}
