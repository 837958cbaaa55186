#include "platform/framework/CShellOpenChannel.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <unistd.h>

namespace {

constexpr int ConnectMs = 1000;
// The running program answers as soon as it has read the path, before it opens anything.
constexpr int AnswerMs = 5000;
constexpr char Taken = 1;
// Far more than any path: whoever sends more is not a start of this program.
constexpr qint64 MaximumRequestBytes = 1 << 20;

QString DisplayName() {
    const char* variable = QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                               ? "WAYLAND_DISPLAY"
                               : "DISPLAY";
    return qEnvironmentVariable(variable).replace(u'/', u'_');
}

bool IsAnswered(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    return socket.waitForConnected(ConnectMs);
}

} // namespace

CShellOpenChannel::CShellOpenChannel(const QString& application)
    : m_name(
          QStringLiteral("%1/%2-%3-%4.open")
              .arg(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), application)
              .arg(::getuid())
              .arg(DisplayName())) {
    QObject::connect(&m_server, &QLocalServer::newConnection, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket,
                             [this, socket] { Receive(*socket); });
        }
    });
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
    return socket.waitForReadyRead(AnswerMs) && socket.getChar(&answer) && answer == Taken;
}

bool CShellOpenChannel::Listen(std::function<void(const QString&)> open) {
    m_open = std::move(open);
    if (m_server.listen(m_name)) {
        return true;
    }
    if (m_server.serverError() != QAbstractSocket::AddressInUseError || IsAnswered(m_name)) {
        return false;
    }
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name);
}

void CShellOpenChannel::Receive(QLocalSocket& socket) {
    if (socket.bytesAvailable() > MaximumRequestBytes) {
        socket.abort();
        return;
    }
    QDataStream request(&socket);
    request.startTransaction();
    QString path;
    request >> path;
    if (!request.commitTransaction()) {
        if (request.status() == QDataStream::ReadCorruptData) {
            socket.abort();
        }
        return; // the rest is on its way
    }
    socket.putChar(Taken);
    socket.flush();
    socket.disconnectFromServer();
    // Opened once the start that waits has its answer: a save-changes prompt may come first.
    if (!path.isEmpty()) {
        QTimer::singleShot(0, &m_server, [this, path] { m_open(path); });
    }
}
