#include "platform/gui/instance_beacon.h"

#include <QCryptographicHash>
#include <QLocalSocket>

namespace tivka {

namespace {

constexpr int kAnswerMs = 1000;
constexpr char kRaise[] = "raise\n";

}  // namespace

InstanceBeacon::InstanceBeacon(const QString& name) : server_(std::make_unique<QLocalServer>())
{
    QLocalServer::removeServer(name);
    server_->listen(name);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith("raise"))
                    emit called();
            });
        }
    });
}

bool InstanceBeacon::CallRunning(const QString& name)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    socket.write(kRaise);
    const bool sent = socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();
    return sent;
}

QString BeaconName(const std::string& folder)
{
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(folder), QCryptographicHash::Sha1);
    return QStringLiteral("tivka-") + QString::fromLatin1(hash.toHex().left(16));
}

}  // namespace tivka
