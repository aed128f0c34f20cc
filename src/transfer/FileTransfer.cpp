// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/FileTransfer.h"

#include "core/Dialogs.h"
#include "core/Widgets.h"
#include "serial/SerialPort.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "transfer/ChildBridge.h"
#include "transfer/ProgressWindow.h"
#include "transfer/RawSender.h"
#include "transfer/ReceivedNames.h"

#include <QAction>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <algorithm>

namespace {
const QString kSendTitle = QStringLiteral("发送文件");
const QString kReceiveTitle = QStringLiteral("接收文件");
const QString kAllFiles = QStringLiteral("所有文件(*)");
// Room beyond what a failed receive had written that a disk still has
// unless it is full: a block or two.
constexpr qint64 kFullDisk = 64 * 1024;

// Whether a file in folder may grow to `bytes`: the disk has the room, and
// no limit on this user's files stops it (a program that receives removes
// its part-file when a write fails, so the room it took is free again; what
// tells is whether a file that size can be made).
bool DiskTakes(const QDir &folder, qint64 bytes)
{
    if (QStorageInfo(folder).bytesAvailable() < bytes)
        return false;
    QTemporaryFile probe(folder.filePath(QStringLiteral(".kestrel-probe-XXXXXX")));
    return probe.open() && probe.resize(bytes);
}
} // namespace

FileTransfer::FileTransfer(const Services &services, QWidget *window)
    : QObject(window), m_s(services), m_window(window)
{
    m_sendItem = Named(new QAction(QStringLiteral("发送文件..."), this), "mSendFile");
    m_receiveItem = Named(new QAction(QStringLiteral("接收文件..."), this), "mReceiveFile");
    m_autoStart = Named(new QAction(QStringLiteral("ZMODEM自动接收"), this), "mZmodemAutoStart");
    m_autoStart->setCheckable(true);
    m_autoStart->setChecked(true);
    connect(m_sendItem, &QAction::triggered, this, &FileTransfer::SendFile);
    connect(m_receiveItem, &QAction::triggered, this, &FileTransfer::ReceiveFile);

    m_bridge = new ChildBridge(m_s.port, this);
    connect(m_bridge, &ChildBridge::fileNamed, this, [this](const QString &name) {
        if (m_progress)
            m_progress->setFileName(name);
    });
    connect(m_bridge, &ChildBridge::progress, this, [this](qint64 done, qint64 total) {
        m_childCounts = true;
        m_reached = std::max(m_reached, done);
        if (m_progress)
            m_progress->setProgress(done, total >= 0 ? total : m_receiving ? -1 : m_sendSize);
    });
    connect(m_bridge, &ChildBridge::received, this, [this](qint64 total) {
        if (!m_receiving || m_childCounts)
            return;
        m_reached = total;
        if (m_progress)
            m_progress->setProgress(total, -1);
    });
    connect(m_bridge, &ChildBridge::finished, this, &FileTransfer::onFinished);

    m_raw = new RawSender(m_s.port, m_s.scheduler, this);
    connect(m_raw, &RawSender::sent, &m_s.send, &SendPath::count);
    connect(m_raw, &RawSender::progress, this, [this](qint64 done, qint64 total) {
        if (m_progress)
            m_progress->setProgress(done, total);
    });
    connect(m_raw, &RawSender::finished, this, &FileTransfer::onFinished);

    // Only while the offer is on and no transfer runs does a ZMODEM start
    // end the pane's part of the input.
    m_s.receive.setStartWatch([this](QByteArrayView piece) -> qsizetype {
        return m_autoStart->isChecked() && !m_running ? m_zmodemStart.find(piece) : -1;
    });
    connect(&m_s.receive, &ReceivePath::transferStarting, this, &FileTransfer::offerZmodem,
            Qt::QueuedConnection);
}

FileTransfer::~FileTransfer()
{
    // The window closing ends a transfer as its 取消 would.
    if (m_running)
        stopAll();
}

QList<QAction *> FileTransfer::items() const
{
    return {m_sendItem, m_receiveItem, m_autoStart};
}

ProgressWindow *FileTransfer::progressWindow() const
{
    return m_progress;
}

bool FileTransfer::portReady()
{
    if (m_running) {
        m_s.status.setMessage(QStringLiteral(" 文件传输尚未结束 ... "));
        return false;
    }
    if (!m_s.port.isOpen()) {
        m_s.dialogs.message(QStringLiteral("先打开串口！！！"), QStringLiteral("提示"), MsgIcon::Question);
        return false;
    }
    if (m_s.send.isSending() || m_s.send.isAutoSending()) {
        m_s.dialogs.message(QStringLiteral("请先停止发送，再传输文件。"), QStringLiteral("提示"), MsgIcon::Exclamation);
        return false;
    }
    return true;
}

bool FileTransfer::programReady(const ChildCommand &command, QString &path)
{
    path = FindProgram(command.program);
    if (path.isEmpty())
        m_s.dialogs.message(MissingProgramMessage(command.program), QStringLiteral("错误"), MsgIcon::Critical);
    return !path.isEmpty();
}

void FileTransfer::SendFile()
{
    if (!portReady())
        return;
    const auto protocol = ProtocolNamed(
        m_s.dialogs.choice(QStringLiteral("传输协议："), kSendTitle, SendProtocolNames()));
    if (!protocol)
        return;
    const QString path = m_s.dialogs.openFileName(kSendTitle, kAllFiles);
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    auto file = std::make_unique<QFile>(path);
    if (!info.isFile() || !file->open(QIODevice::ReadOnly)) {
        m_s.dialogs.message(QStringLiteral("文件 %1 无法读取：%2").arg(path, file->errorString()),
                            QStringLiteral("错误"), MsgIcon::Critical);
        return;
    }
    m_sendSize = file->size();
    m_receiving = false;
    const QString name = info.fileName();
    if (*protocol == Protocol::Raw) {
        begin(kSendTitle, name);
        m_raw->start(std::move(file), m_s.send.pacing()->value());
        return;
    }
    const ChildCommand command = SendCommand(*protocol, info.absoluteFilePath());
    QString program;
    if (!programReady(command, program))
        return;
    begin(kSendTitle, name);
    m_progress->setProgress(0, m_sendSize);
    m_bridge->start(program, command.arguments, info.absolutePath());
}

void FileTransfer::ReceiveFile()
{
    if (!portReady())
        return;
    const auto protocol = ProtocolNamed(
        m_s.dialogs.choice(QStringLiteral("传输协议："), kReceiveTitle, ReceiveProtocolNames()));
    if (!protocol)
        return;
    if (CarriesNames(*protocol)) {
        const QString folder = m_s.dialogs.folderName(QStringLiteral("接收文件到文件夹"));
        if (!folder.isEmpty())
            startReceiving(*protocol, folder, {});
        return;
    }
    const QString target = m_s.dialogs.saveFileName(kReceiveTitle, kAllFiles);
    if (!target.isEmpty())
        startReceiving(*protocol, QFileInfo(target).absolutePath(), target);
}

bool FileTransfer::startReceiving(Protocol protocol, const QString &folder, const QString &xmodemTarget)
{
    const ChildCommand command =
        ReceiveCommand(protocol, xmodemTarget.isEmpty() ? QString() : PlainName(QFileInfo(xmodemTarget).fileName()));
    QString program;
    if (!programReady(command, program))
        return false;
    // The files arrive in a hidden folder beside their target, on the same
    // disk, and move to their names only once they are whole.
    m_incoming = std::make_unique<QTemporaryDir>(QDir(folder).filePath(QStringLiteral(".kestrel-incoming-XXXXXX")));
    if (!m_incoming->isValid() || !QFileInfo(folder).isWritable()) {
        const QString error = m_incoming->errorString();
        m_incoming.reset();
        m_s.dialogs.message(QStringLiteral("文件夹 %1 无法写入：%2").arg(folder, error), QStringLiteral("错误"),
                            MsgIcon::Critical);
        return false;
    }
    m_incoming->setAutoRemove(false);
    m_target = QDir(folder);
    m_xmodemTarget = xmodemTarget;
    m_receiving = true;
    begin(kReceiveTitle, xmodemTarget.isEmpty() ? QString() : QFileInfo(xmodemTarget).fileName());
    m_bridge->start(program, command.arguments, m_incoming->path());
    return true;
}

void FileTransfer::offerZmodem()
{
    const bool yes = m_s.port.isOpen()
                     && m_s.dialogs.message(QStringLiteral("设备要发送文件（ZMODEM），现在接收吗？"), kReceiveTitle,
                                            MsgIcon::Question, MsgButtons::YesNo)
                            == MsgAnswer::Yes;
    if (yes && !m_running) {
        const QString folder = m_s.dialogs.folderName(QStringLiteral("接收文件到文件夹"));
        if (!folder.isEmpty() && startReceiving(Protocol::Zmodem, folder, {}))
            return;
    }
    // Declined: the device's sender is told to stop, and the pane goes on.
    if (m_s.port.isOpen())
        m_s.port.output(CancelSequence());
    if (!m_running)
        m_s.receive.setHeld(false);
}

void FileTransfer::begin(const QString &title, const QString &fileName)
{
    m_running = true;
    m_childCounts = false;
    m_reached = 0;
    m_s.receive.setHeld(true);
    m_progress = new ProgressWindow(title, m_window);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setFileName(fileName);
    connect(m_progress, &ProgressWindow::cancelled, this, &FileTransfer::Cancel);
    m_progress->show();
    m_s.status.setMessage(QStringLiteral(" %1 ... ").arg(title));
}

void FileTransfer::Cancel()
{
    if (!m_running)
        return;
    QString message = QStringLiteral("文件传输已取消");
    const QStringList kept = stopAll();
    if (!kept.isEmpty())
        message += QStringLiteral("，未收完的文件存为：%1").arg(kept.join(QStringLiteral("、")));
    end(false, message, true);
}

// Ends the child or the raw send at once; a file partly received keeps a
// name that says so. Returns those names.
QStringList FileTransfer::stopAll()
{
    m_bridge->cancel();
    m_raw->cancel();
    return m_receiving ? placeReceived(false) : QStringList();
}

void FileTransfer::onFinished(bool ok, const QString &failure)
{
    if (!m_receiving) {
        end(ok, ok ? QStringLiteral("文件已发送（%1 字节）").arg(m_sendSize) : failure);
        return;
    }
    const QStringList placed = placeReceived(ok);
    if (ok) {
        end(true, placed.isEmpty() ? QStringLiteral("没有收到文件")
                                   : QStringLiteral("文件已接收：%1").arg(placed.join(QStringLiteral("、"))));
        return;
    }
    QString message = failure;
    if (!DiskTakes(m_target, m_reached + kFullDisk))
        message = QStringLiteral("磁盘已满，文件未能收完。\n%1").arg(failure);
    if (!placed.isEmpty())
        message += QStringLiteral("\n未收完的文件存为：%1").arg(placed.join(QStringLiteral("、")));
    end(false, message);
}

QStringList FileTransfer::placeReceived(bool complete)
{
    QStringList placed;
    if (!m_incoming)
        return placed;
    QDir incoming(m_incoming->path());
    const QFileInfoList files = incoming.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &file : files) {
        QString name;
        if (!complete) {
            // An empty remnant holds nothing worth keeping.
            if (file.size() == 0) {
                QFile::remove(file.filePath());
                continue;
            }
            name = FreeName(m_target, IncompleteName(PlainName(file.fileName())));
        } else if (!m_xmodemTarget.isEmpty()) {
            // The user picked this name, and the save box asked before
            // replacing a file of that name.
            name = QFileInfo(m_xmodemTarget).fileName();
            QFile::remove(m_target.filePath(name));
        } else {
            name = FreeName(m_target, PlainName(file.fileName()));
        }
        if (QFile::rename(file.filePath(), m_target.filePath(name)))
            placed << name;
    }
    // Left in place (and named in no message) only when a move failed.
    incoming.rmdir(incoming.absolutePath());
    m_incoming.reset();
    return placed;
}

void FileTransfer::end(bool ok, const QString &message, bool cancelled)
{
    m_running = false;
    m_receiving = false;
    if (m_progress)
        m_progress->deleteLater();
    m_progress.clear();
    m_zmodemStart.reset();
    m_s.receive.setHeld(false);
    m_s.status.setMessage(QStringLiteral(" %1 ").arg(message));
    if (!ok && !cancelled)
        m_s.dialogs.message(message, QStringLiteral("文件传输"), MsgIcon::Exclamation);
    emit finished(ok, message);
}
