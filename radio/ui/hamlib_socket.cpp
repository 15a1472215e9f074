#include "radio/ui/hamlib_socket.h"

namespace orvanta {

HamlibSocket::HamlibSocket(QObject* parent) : QObject(parent) {
    replyTimer_.setSingleShot(true);
    replyTimer_.setInterval(REPLY_TIMEOUT_MS);
    connect(&replyTimer_, &QTimer::timeout, this,
            [this] { Fail(QStringLiteral("no answer within 2 s")); });
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        replyTimer_.stop();
        if (onConnected) onConnected();
        Pump();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, &HamlibSocket::OnReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        Fail(e == QAbstractSocket::RemoteHostClosedError
                 ? QStringLiteral("the daemon closed the connection")
                 : socket_.errorString());
    });
}

void HamlibSocket::ConnectTo(const QString& host, quint16 port) {
    socket_.abort();
    exchange_.Reset();
    exchange_.TakeReplies();
    socket_.connectToHost(host, port);
    // Connecting counts against the same time-out as an answer.
    replyTimer_.start();
}

void HamlibSocket::Disconnect() {
    replyTimer_.stop();
    socket_.abort();
    exchange_.Reset();
    exchange_.TakeReplies();
}

void HamlibSocket::Pump() {
    if (!IsConnected()) return;
    const std::string out = exchange_.TakeOutgoing();
    if (out.empty()) return;
    socket_.write(out.data(), static_cast<qint64>(out.size()));
    replyTimer_.start();
}

void HamlibSocket::OnReadyRead() {
    const QByteArray bytes = socket_.readAll();
    exchange_.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    const auto replies = exchange_.TakeReplies();
    if (!exchange_.AwaitingReply()) replyTimer_.stop();
    for (const HamlibReply& r : replies)
        if (onReply) onReply(r);
    Pump();
}

void HamlibSocket::Fail(const QString& reason) {
    if (socket_.state() == QAbstractSocket::UnconnectedState && !replyTimer_.isActive() &&
        !exchange_.AwaitingReply())
        return;  // already reported
    replyTimer_.stop();
    socket_.abort();
    exchange_.Reset();
    for (const HamlibReply& r : exchange_.TakeReplies())
        if (onReply) onReply(r);
    if (onFailed) onFailed(reason);
}

}  // namespace orvanta
