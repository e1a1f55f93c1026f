#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace zelt {

namespace {

constexpr int kConnectMs = 1000;
constexpr int kReplyMs = 3000;
// A request is one path and a newline; anything longer is not one.
constexpr qint64 kMaxRequestBytes = 64 * 1024;
constexpr char kTaken[] = "ok\n";

}  // namespace

QString CSingleInstance::ServerName(const std::string& settingsPath) {
    // The user's runtime folder is theirs alone, so no one else can answer in their place.
    const QByteArray settingsHash =
        QCryptographicHash::hash(QByteArray::fromStdString(settingsPath), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
        .filePath(QStringLiteral("zelt-utility-%1").arg(QString::fromLatin1(settingsHash)));
}

CSingleInstance::CSingleInstance(QString serverName, QObject* parent)
    : QObject(parent), serverName_(std::move(serverName)) {}

bool CSingleInstance::HandToRunning(const QString& cfgPath) const {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(kConnectMs)) {
        return false;
    }
    socket.write(cfgPath.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kReplyMs)) {
        return false;
    }
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(kReplyMs)) {
        reply += socket.readAll();
    }
    return reply == kTaken;
}

bool CSingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_)) {
        // A socket that nobody answers on was left by a window that did not end cleanly.
        QLocalSocket probe;
        probe.connectToServer(serverName_);
        if (probe.waitForConnected(kConnectMs)) {
            return false;  // another start won the race
        }
        QLocalServer::removeServer(serverName_);
        if (!server_->listen(serverName_)) {
            return false;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &CSingleInstance::Accept);
    return true;
}

void CSingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes) {
                    socket->abort();
                }
                return;
            }
            const QString path = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->write(kTaken);
            socket->disconnectFromServer();
            // After the answer: opening the file may ask questions, and the later start
            // waits for the answer only so long.
            QMetaObject::invokeMethod(
                this, [this, path] { emit FileRequested(path); }, Qt::QueuedConnection);
        });
    }
}

}  // namespace zelt
