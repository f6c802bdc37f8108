#include "app/instancehandoff.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {

// One line of UTF-8 per connection: the file's full path, ended by a newline.
constexpr char kEnd = '\n';

}  // namespace

bool HandOffFile(const std::string& ServerName, const std::string& FileName, int TimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(ServerName));
    if (!socket.waitForConnected(TimeoutMs))
        return false;
    QByteArray message = QByteArray::fromStdString(FileName);
    message.append(kEnd);
    socket.write(message);
    if (!socket.waitForBytesWritten(TimeoutMs))
        return false;
    // The running copy answers with one byte once it has the whole line.
    if (!socket.waitForReadyRead(TimeoutMs))
        return false;
    return socket.read(1) == QByteArray(1, kEnd);
}

TInstanceServer::TInstanceServer(const std::string& ServerName, std::function<void(const std::string&)> OnFile)
    : FServer(std::make_unique<QLocalServer>()), FOnFile(std::move(OnFile))
{
    const QString name = QString::fromStdString(ServerName);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    // This copy holds the instance lock, so a socket file of that name is left from a copy that died.
    QLocalServer::removeServer(name);
    FServer->listen(name);
    connect(FServer.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = FServer->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                QByteArray line = socket->readLine();
                line.chop(1);
                socket->write(QByteArray(1, kEnd));
                socket->flush();
                if (!line.isEmpty() && FOnFile)
                    FOnFile(line.toStdString());
            });
        }
    });
}

TInstanceServer::~TInstanceServer() = default;

bool TInstanceServer::Listening() const
{
    return FServer->isListening();
}
