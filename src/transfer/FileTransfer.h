// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu items 发送文件... and 接收文件... and the option that offers to
// receive when a ZMODEM send starts from the device. One transfer runs at
// a time; while it runs it owns the port: receiving into the pane is held
// and resumes after it, and the transfer's bytes never reach the pane.
// Files are received into a private folder beside their target and get
// their final names only when the transfer has succeeded.

#include "transfer/TransferProtocol.h"
#include "transfer/ZmodemStart.h"

#include <QDir>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>
#include <memory>

class QAction;
class ChildBridge;
class Dialogs;
class ProgressWindow;
class RawSender;
class ReceivePath;
class Scheduler;
class SendPath;
class SerialPort;
class StatusBar;

class FileTransfer : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        SendPath &send;
        ReceivePath &receive;
    };

    FileTransfer(const Services &services, QWidget *window);
    ~FileTransfer() override;

    // The menu items (mSendFile, mReceiveFile) and the option
    // (mZmodemAutoStart, ticked while the offer is on).
    QList<QAction *> items() const;
    QAction *autoStartItem() const { return m_autoStart; }

    void SendFile();
    void ReceiveFile();
    // Cancels the transfer under way, as its 取消 does.
    void Cancel();
    bool isRunning() const { return m_running; }
    // The progress window of the transfer under way; null when none runs.
    ProgressWindow *progressWindow() const;

signals:
    // A transfer ended; ok when every file arrived or left whole. The
    // message says what happened (also shown in a box on failure).
    void finished(bool ok, const QString &message);

private:
    bool portReady();
    bool programReady(const ChildCommand &command, QString &path);
    void offerZmodem();
    // Starts receiving into folder; false (with a message) when it cannot.
    bool startReceiving(Protocol protocol, const QString &folder, const QString &xmodemTarget);
    void begin(const QString &title, const QString &fileName);
    // A child or a raw send ended by itself.
    void onFinished(bool ok, const QString &failure);
    // Gives the files received into the private folder their names in the
    // target folder: final ones on success, incomplete ones otherwise.
    QStringList placeReceived(bool complete);
    QStringList stopAll();
    // Ends the transfer; a failure the user did not ask for gets a box too.
    void end(bool ok, const QString &message, bool cancelled = false);

    Services m_s;
    QWidget *m_window;
    QAction *m_sendItem = nullptr;
    QAction *m_receiveItem = nullptr;
    QAction *m_autoStart = nullptr;
    ChildBridge *m_bridge = nullptr;
    RawSender *m_raw = nullptr;
    QPointer<ProgressWindow> m_progress;
    ZmodemStart m_zmodemStart;
    bool m_running = false;
    bool m_receiving = false;
    // The child reports its figures; until it does, a receive shows the
    // bytes the port has passed to it.
    bool m_childCounts = false;
    // The most bytes of a file received so far, by the child's figures or
    // the port's: the size a file had to reach when a receive fails.
    qint64 m_reached = 0;
    // Receiving: the private folder, the target folder and, for XMODEM, the
    // target file.
    std::unique_ptr<QTemporaryDir> m_incoming;
    QDir m_target;
    QString m_xmodemTarget;
    qint64 m_sendSize = 0;
};
