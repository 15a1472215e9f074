#pragma once
// A scripted HTTP stand-in on 127.0.0.1 for the element download tests.
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvanta::testing {

// What the stand-in sends for one request: chunks written one after the other (each its
// own write, so a header can be split), then a close unless the connection is to stall.
struct Answer {
    std::vector<std::string> chunks;
    bool close = true;
};

// An HTTP stand-in: reads each request whole (header and Content-Length body), records
// it and answers with what the script returns.
class StandIn : public QObject {
public:
    using Script = std::function<Answer(const std::string& request)>;

    explicit StandIn(Script script) : script_(std::move(script)) {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                auto buffer = std::make_shared<std::string>();
                connect(s, &QTcpSocket::readyRead, this, [this, s, buffer] {
                    buffer->append(s->readAll().toStdString());
                    const std::size_t end = buffer->find("\r\n\r\n");
                    if (end == std::string::npos) return;
                    std::size_t length = 0;
                    const std::size_t cl = buffer->find("Content-Length: ");
                    if (cl != std::string::npos && cl < end)
                        length = std::stoul(buffer->substr(cl + 16));
                    if (buffer->size() < end + 4 + length) return;
                    const std::string request = buffer->substr(0, end + 4 + length);
                    buffer->erase(0, end + 4 + length);
                    requests.push_back(request);
                    const Answer a = script_(request);
                    for (const std::string& chunk : a.chunks) {
                        s->write(chunk.data(), static_cast<qint64>(chunk.size()));
                        s->flush();
                        s->waitForBytesWritten(1000);
                    }
                    if (a.close) s->disconnectFromHost();
                });
            }
        });
    }
    quint16 Port() const { return server_.serverPort(); }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(Port()); }

    std::vector<std::string> requests;

private:
    QTcpServer server_;
    Script script_;
};

inline std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
           "\r\n" + body;
}

}  // namespace orvanta::testing
