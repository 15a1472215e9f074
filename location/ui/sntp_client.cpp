#include "location/ui/sntp_client.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <algorithm>
#include <chrono>

#include "location/ui/time_server_query.h"

namespace orvanta {

namespace {

std::int64_t SystemMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

SntpClient::SntpClient(MicrosSource now, QObject* parent)
    : QObject(parent), now_(now ? std::move(now) : MicrosSource(SystemMicros)) {
    qRegisterMetaType<SntpOutcome>();
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] { Finish(SntpStatus::NoAnswer); });
}

SntpClient::~SntpClient() {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
}

void SntpClient::Query(const QString& host, quint16 port, int timeoutMs) {
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    socket_.reset();
    ++generation_;
    busy_ = true;
    outcome_ = SntpOutcome();
    outcome_.server = host.toStdString();
    port_ = port;
    timeoutMs_ = std::max(0, timeoutMs);
    timeout_.start(timeoutMs_);

    QHostAddress literal;
    if (literal.setAddress(host)) {
        // Queued, so finished() never arrives inside Query().
        const std::uint64_t generation = generation_;
        QMetaObject::invokeMethod(
            this, [this, literal, generation] {
                if (generation == generation_ && busy_) Resolved(literal, {});
            },
            Qt::QueuedConnection);
        return;
    }
    lookupId_ = QHostInfo::lookupHost(host, this, [this](const QHostInfo& info) {
        lookupId_ = -1;
        if (!busy_) return;
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            Resolved({}, info.errorString());
            return;
        }
        // IPv4 first: it is what most time servers answer on.
        QHostAddress chosen = info.addresses().first();
        for (const QHostAddress& a : info.addresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                chosen = a;
                break;
            }
        Resolved(chosen, {});
    });
}

void SntpClient::Resolved(const QHostAddress& address, const QString& error) {
    if (address.isNull()) {
        Finish(SntpStatus::LookupFailed, error);
        return;
    }
    address_ = address;
    Send();
}

void SntpClient::Send() {
    socket_ = std::make_unique<QUdpSocket>();
    const QHostAddress any = address_.protocol() == QAbstractSocket::IPv6Protocol
                                 ? QHostAddress(QHostAddress::AnyIPv6)
                                 : QHostAddress(QHostAddress::AnyIPv4);
    if (!socket_->bind(any, 0)) {
        Finish(SntpStatus::SocketError, socket_->errorString());
        return;
    }
    connect(socket_.get(), &QUdpSocket::readyRead, this, &SntpClient::ReadAnswers);
    sent_ = NtpFromUnixMicros(now_());
    const auto request = BuildSntpRequest(sent_);
    const qint64 written = socket_->writeDatagram(reinterpret_cast<const char*>(request.data()),
                                                  static_cast<qint64>(request.size()), address_, port_);
    if (written != static_cast<qint64>(request.size()))
        Finish(SntpStatus::SocketError, socket_->errorString());
}

void SntpClient::ReadAnswers() {
    while (busy_ && socket_ && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_->receiveDatagram();
        const std::int64_t arrived = now_();
        if (!datagram.isValid()) continue;
        // Only the server asked may answer (a stray packet is dropped, not believed).
        if (datagram.senderPort() != port_ || !datagram.senderAddress().isEqual(address_))
            continue;
        const QByteArray bytes = datagram.data();
        const SntpReply reply = ParseSntpReply(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size()), sent_);
        if (reply.status == SntpStatus::OriginMismatch) continue;
        outcome_.stratum = reply.stratum;
        outcome_.kissCode = reply.kissCode;
        SntpStatus status = reply.status;
        if (status == SntpStatus::Ok)
            status = MeasureSntp(sent_, reply.receive, reply.transmit, NtpFromUnixMicros(arrived),
                                 outcome_.offsetSeconds, outcome_.delaySeconds, timeoutMs_);
        Finish(status);
    }
}

void SntpClient::Finish(SntpStatus status, const QString& detail) {
    if (!busy_) return;
    busy_ = false;
    timeout_.stop();
    if (lookupId_ >= 0) QHostInfo::abortHostLookup(lookupId_);
    lookupId_ = -1;
    outcome_.status = status;
    outcome_.detail = detail.toStdString();
    if (socket_) {
        socket_->disconnect(this);
        // Deleted later: this may run inside the socket's own signal.
        socket_.release()->deleteLater();
    }
    const SntpOutcome result = outcome_;
    emit finished(result);
}

SntpOutcome QueryTimeServer(const std::string& host, std::uint16_t port, int timeoutMs,
                            std::function<std::int64_t()> nowMicros) {
    static int argc = 1;
    static char name[] = "orvanta";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // lives to the end

    SntpClient client(std::move(nowMicros));
    SntpOutcome result;
    QEventLoop loop;
    QObject::connect(&client, &SntpClient::finished, &loop, [&](const SntpOutcome& o) {
        result = o;
        loop.quit();
    });
    client.Query(QString::fromStdString(host), port, timeoutMs);
    loop.exec();
    return result;
}

}  // namespace orvanta
