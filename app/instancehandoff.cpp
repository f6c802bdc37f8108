#include "app/instancehandoff.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {

// One line of UTF-8 each way: the file's full path, then the answer (empty when the file was taken),
// each ended by a newline.
constexpr char kEnd = '\n';

QByteArray Line(const std::string& Text)
{
    QByteArray line = QByteArray::fromStdString(Text);
    // A reason is one line; a newline inside it would end the answer early.
    line.replace(kEnd, ' ');
    line.append(kEnd);
    return line;
}

}  // namespace

std::optional<std::string> HandOffFile(const std::string& ServerName, const std::string& FileName, int ConnectTimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(ServerName));
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return std::nullopt;
    socket.write(Line(FileName));
    if (!socket.waitForBytesWritten(ConnectTimeoutMs))
        return std::nullopt;
    // The running copy may be showing a dialog, or asking which title of a disc to open: its answer
    // comes when it has decided, however long that takes, or the connection ends with it.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(-1))
            return std::nullopt;
    QByteArray answer = socket.readLine();
    answer.chop(1);
    return answer.toStdString();
}

TInstanceServer::TInstanceServer(const std::string& ServerName, std::function<void(const std::string&, TAnswer)> OnFile)
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
                const QPointer<QLocalSocket> client(socket);
                const TAnswer answer = [client](const std::string& Refusal) {
                    if (client.isNull())
                        return;
                    client->write(Line(Refusal));
                    client->flush();
                };
                if (line.isEmpty() || !FOnFile)
                    answer("no file was handed over");
                else
                    FOnFile(line.toStdString(), answer);
            });
        }
    });
}

TInstanceServer::~TInstanceServer() = default;

bool TInstanceServer::Listening() const
{
    return FServer->isListening();
}
