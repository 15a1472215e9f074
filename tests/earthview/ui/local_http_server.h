#pragma once
// A tiny HTTP server on 127.0.0.1 for download tests: answers GET requests from a table of
// paths, counts the requests, and can hold back a reply until released.
#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace orvanta::test {

class LocalHttpServer : public QObject {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
    };

    LocalHttpServer() {
        server_.listen(QHostAddress(QHostAddress::LocalHost), 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl Base() const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()));
    }
    void Set(const QString& path, int status, const QByteArray& body) { replies_[path] = {status, body}; }
    int Requests(const QString& path) const { return counts_.value(path); }
    int TotalRequests() const { return total_; }

private:
    void Serve(QTcpSocket* socket) {
        QByteArray& buffer = buffers_[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n")) return;
        const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
        buffers_.remove(socket);
        const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
        ++counts_[path];
        ++total_;
        const Reply reply = replies_.value(path, Reply{404, "not found"});
        QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) +
                              (reply.status == 200 ? " OK" : " Error") +
                              "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                              QByteArray::number(reply.body.size()) +
                              "\r\nConnection: close\r\n\r\n" + reply.body;
        socket->write(response);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QMap<QString, Reply> replies_;
    QMap<QString, int> counts_;
    QMap<QTcpSocket*, QByteArray> buffers_;
    int total_ = 0;
};

}  // namespace orvanta::test
