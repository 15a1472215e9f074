#pragma once
// One SNTP exchange over UDP: resolve the server, send the request, wait for its answer or
// the time-out. Never blocks the event loop; the blocking helpers below run a local one.
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUdpSocket>
#include <cstdint>
#include <functional>
#include <memory>

#include "location/sntp.h"

namespace orvanta {

class SntpClient : public QObject {
    Q_OBJECT
public:
    // Our clock as Unix microseconds (T1 and T4); null: the system's wall clock.
    using MicrosSource = std::function<std::int64_t()>;

    explicit SntpClient(MicrosSource now = {}, QObject* parent = nullptr);
    ~SntpClient() override;

    // Starts a query; a query still running is abandoned. finished() follows exactly once,
    // never from inside this call.
    void Query(const QString& host, quint16 port = kNtpPort, int timeoutMs = kSntpTimeoutMs);
    bool Busy() const { return busy_; }

signals:
    void finished(const orvanta::SntpOutcome& outcome);

private:
    void Resolved(const QHostAddress& address, const QString& error);
    void Send();
    void ReadAnswers();
    void Finish(SntpStatus status, const QString& detail = {});

    MicrosSource now_;
    std::unique_ptr<QUdpSocket> socket_;
    QTimer timeout_;
    QHostAddress address_;
    quint16 port_ = kNtpPort;
    int timeoutMs_ = kSntpTimeoutMs;
    int lookupId_ = -1;
    bool busy_ = false;
    NtpTimestamp sent_ = 0;
    SntpOutcome outcome_;
    std::uint64_t generation_ = 0;
};

}  // namespace orvanta

Q_DECLARE_METATYPE(orvanta::SntpOutcome)
