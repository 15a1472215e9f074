#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests: a thread answers GET requests from a
// table of paths (status and body); unknown paths get 404. One request per connection.
#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvanta::testing {

class HttpTestServer {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        bool dropConnection = false;  // close without answering
    };

    HttpTestServer() {
        std::promise<quint16> bound;
        auto port = bound.get_future();
        thread_ = std::thread([this, &bound] {
            QTcpServer server;
            const bool ok = server.listen(QHostAddress::LocalHost, 0);
            bound.set_value(ok ? server.serverPort() : 0);
            while (!stop_) {
                if (!server.waitForNewConnection(20)) continue;
                while (QTcpSocket* socket = server.nextPendingConnection()) {
                    Serve(*socket);
                    delete socket;
                }
            }
        });
        port_ = port.get();
    }
    ~HttpTestServer() {
        stop_ = true;
        thread_.join();
    }

    void Set(const std::string& path, Response response) {
        std::lock_guard<std::mutex> lock(mutex_);
        routes_[path] = std::move(response);
    }
    std::string Url(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::vector<std::string> Requested() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requested_;
    }

private:
    void Serve(QTcpSocket& socket) {
        QByteArray request;
        while (!request.contains("\r\n\r\n") && socket.waitForReadyRead(2000))
            request += socket.readAll();
        const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
        const std::string path = first.size() >= 2 ? first[1].toStdString() : std::string();
        Response r;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requested_.push_back(path);
            auto it = routes_.find(path);
            if (it == routes_.end())
                r = {404, "not found"};
            else
                r = it->second;
        }
        if (!r.dropConnection) {
            QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) +
                              (r.status == 200 ? " OK" : " Error") +
                              "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                              QByteArray::number(r.body.size()) + "\r\nConnection: close\r\n\r\n";
            socket.write(head + r.body);
            while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(2000)) {
            }
        }
        socket.disconnectFromHost();
        if (socket.state() != QAbstractSocket::UnconnectedState) socket.waitForDisconnected(1000);
    }

    std::thread thread_;
    std::atomic<bool> stop_{false};
    quint16 port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Response> routes_;
    std::vector<std::string> requested_;
};

}  // namespace orvanta::testing
