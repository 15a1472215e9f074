#pragma once
// A Hamlib daemon over a Qt socket: drives a HamlibExchange without ever blocking the window.
// Each command must be answered within 2 s, else the connection is dropped and reported.
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "radio/hamlib_exchange.h"

namespace orvanta {

class HamlibSocket : public QObject {
    Q_OBJECT
public:
    static constexpr int REPLY_TIMEOUT_MS = 2000;

    explicit HamlibSocket(QObject* parent = nullptr);

    void ConnectTo(const QString& host, quint16 port);
    void Disconnect();
    bool IsConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool IsConnecting() const {
        return socket_.state() == QAbstractSocket::ConnectingState ||
               socket_.state() == QAbstractSocket::HostLookupState;
    }

    // Queue commands here, then Pump() to send them one after another.
    HamlibExchange& Exchange() { return exchange_; }
    void Pump();

    std::function<void()> onConnected;
    std::function<void(const QString& reason)> onFailed;  // could not connect, lost, timed out
    std::function<void(const HamlibReply& reply)> onReply;

private:
    void OnReadyRead();
    void Fail(const QString& reason);

    QTcpSocket socket_;
    QTimer replyTimer_;
    HamlibExchange exchange_;
};

}  // namespace orvanta
