#include "platform/framework/CShellOpenChannel.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QScopedValueRollback>
#include <QStandardPaths>

#include <memory>
#include <unistd.h>

namespace {

constexpr int ConnectMs = 1000;
// The running program answers as soon as it has read the path, before it opens anything.
constexpr int AnswerMs = 5000;
constexpr char Taken = 1;
constexpr char Confirmed = 2;
// Far more than any path: whoever sends more is not a start of this program.
constexpr qint64 MaximumRequestBytes = 1 << 20;
constexpr int DeliveryPollMs = 100;

QString DisplayName() {
    const char* variable = QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                               ? "WAYLAND_DISPLAY"
                               : "DISPLAY";
    return qEnvironmentVariable(variable).replace(u'/', u'_');
}

} // namespace

CShellOpenChannel::CShellOpenChannel(const QString& application)
    : m_name(
          QStringLiteral("%1/%2-%3-%4.open")
              .arg(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), application)
              .arg(::getuid())
              .arg(DisplayName())),
      m_lock(m_name + QStringLiteral(".lock")) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(&m_server, &QLocalServer::newConnection, [this] { AnswerWaiting(); });
    m_delivery.setInterval(DeliveryPollMs);
    QObject::connect(&m_delivery, &QTimer::timeout, [this] { Deliver(); });
}

bool CShellOpenChannel::HandOver(const QString& path) const {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(ConnectMs)) {
        return false;
    }
    QDataStream request(&socket);
    request << path;
    socket.flush();
    char answer = 0;
    // Too late, the connection closes unconfirmed: the running program drops the path.
    if (!socket.waitForReadyRead(AnswerMs) || !socket.getChar(&answer) || answer != Taken) {
        return false;
    }
    socket.putChar(Confirmed);
    return socket.waitForBytesWritten(ConnectMs);
}

bool CShellOpenChannel::Listen() {
    if (!m_lock.tryLock(0)) {
        return false;
    }
    QLocalServer::removeServer(m_name); // a socket whose program has ended
    if (m_server.listen(m_name)) {
        return true;
    }
    m_lock.unlock();
    return false;
}

void CShellOpenChannel::Serve(std::function<bool()> canOpen,
                              std::function<void(const QString&)> open) {
    m_canOpen = std::move(canOpen);
    m_open = std::move(open);
    AnswerWaiting(); // the starts that came while this program was starting
}

void CShellOpenChannel::AnswerWaiting() {
    while (m_open && m_server.hasPendingConnections()) {
        Answer(m_server.nextPendingConnection());
    }
}

void CShellOpenChannel::Answer(QLocalSocket* socket) {
    // Gone before it was answered: a start that gave up waiting, or one that only looked for
    // a running program.
    if (socket->state() != QLocalSocket::ConnectedState) {
        socket->deleteLater();
        return;
    }
    auto path = std::make_shared<std::optional<QString>>();
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QLocalSocket::readyRead, socket,
                     [this, socket, path] { Receive(*socket, *path); });
    Receive(*socket, *path); // what it sent while this program was starting
}

void CShellOpenChannel::Receive(QLocalSocket& socket, std::optional<QString>& path) {
    if (socket.bytesAvailable() > MaximumRequestBytes) {
        socket.abort();
        return;
    }
    if (!path) {
        QDataStream request(&socket);
        request.startTransaction();
        QString requested;
        request >> requested;
        if (!request.commitTransaction()) {
            if (request.status() == QDataStream::ReadCorruptData) {
                socket.abort();
            }
            return; // the rest is on its way
        }
        path = requested;
        socket.putChar(Taken);
        socket.flush();
    }
    // The answer does not reach a start that has gone: the socket is closed by then.
    char confirmation = 0;
    if (socket.bytesAvailable() == 0 || !socket.getChar(&confirmation)) {
        return;
    }
    socket.disconnectFromServer();
    if (confirmation == Confirmed && !path->isEmpty()) {
        m_pending << *path;
        if (!m_delivery.isActive()) {
            m_delivery.start();
        }
    }
}

void CShellOpenChannel::Deliver() {
    if (m_pending.isEmpty()) {
        m_delivery.stop();
        return;
    }
    // An open may run an event loop of its own, for the save-changes prompt say.
    if (m_bDelivering || !m_canOpen()) {
        return;
    }
    const QScopedValueRollback<bool> delivering(m_bDelivering, true);
    m_open(m_pending.takeFirst());
}
