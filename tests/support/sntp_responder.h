#pragma once
// A time server on 127.0.0.1 for tests: a thread answers each SNTP request with whatever
// the test's function builds (a known offset, a kiss-o'-death, silence).
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <thread>

namespace orvanta::testing {

using SntpPacket = std::array<std::uint8_t, 48>;

inline std::uint64_t PacketTimestamp(const SntpPacket& p, int at) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[at + i];
    return v;
}

inline void PutTimestamp(SntpPacket& p, int at, std::uint64_t v) {
    for (int i = 7; i >= 0; --i, v >>= 8) p[at + i] = static_cast<std::uint8_t>(v);
}

// A server's answer to request: version 4, server mode, the request's transmit time
// stamp as originate, receive and transmit as given.
inline SntpPacket ServerAnswer(const SntpPacket& request, std::uint64_t receive,
                               std::uint64_t transmit, int stratum = 1, int leap = 0,
                               const char* refid = "GPS\0") {
    SntpPacket p{};
    p[0] = static_cast<std::uint8_t>(leap << 6 | 4 << 3 | 4);
    p[1] = static_cast<std::uint8_t>(stratum);
    for (int i = 0; i < 4; ++i) p[12 + i] = static_cast<std::uint8_t>(refid[i]);
    PutTimestamp(p, 24, PacketTimestamp(request, 40));
    PutTimestamp(p, 32, receive);
    PutTimestamp(p, 40, transmit);
    return p;
}

class SntpResponder {
public:
    // Returns the answer to a request, or nothing to stay silent.
    using AnswerFn = std::function<std::optional<SntpPacket>(const SntpPacket& request)>;

    explicit SntpResponder(AnswerFn answer) : answer_(std::move(answer)) {
        std::promise<quint16> bound;
        auto port = bound.get_future();
        thread_ = std::thread([this, &bound] {
            QUdpSocket socket;
            const bool ok = socket.bind(QHostAddress::LocalHost, 0);
            bound.set_value(ok ? socket.localPort() : 0);
            while (!stop_) {
                if (!socket.waitForReadyRead(20)) continue;
                while (socket.hasPendingDatagrams()) {
                    const QNetworkDatagram d = socket.receiveDatagram();
                    const QByteArray bytes = d.data();
                    ++requests_;
                    if (bytes.size() < 48) continue;
                    SntpPacket request{};
                    std::copy(bytes.begin(), bytes.begin() + 48, request.begin());
                    if (auto reply = answer_(request))
                        socket.writeDatagram(reinterpret_cast<const char*>(reply->data()), 48,
                                             d.senderAddress(), d.senderPort());
                }
            }
        });
        port_ = port.get();
    }
    ~SntpResponder() {
        stop_ = true;
        thread_.join();
    }
    quint16 Port() const { return port_; }
    int Requests() const { return requests_; }

private:
    AnswerFn answer_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    quint16 port_ = 0;
};

}  // namespace orvanta::testing
