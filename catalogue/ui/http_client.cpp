#include "catalogue/ui/http_client.h"

#include <QTcpSocket>
#include <QTimer>
#include <string>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

#include "catalogue/element_sources.h"

namespace orvanta {

namespace {

// Read in slices so that a header past the limit is caught within one slice of it, however
// much the socket has buffered.
constexpr qint64 READ_SLICE = 16 * 1024;

const std::vector<std::uint8_t> kNoBody;

QString Capitalised(const std::string& text) {
    QString s = QString::fromStdString(text);
    if (!s.isEmpty()) s[0] = s[0].toUpper();
    return s;
}

QString SocketErrorText(QAbstractSocket::SocketError error, const QTcpSocket& socket,
                        const QString& host, const QString& tlsErrors) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral("Connection refused");
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("Host %1 not found").arg(host);
        case QAbstractSocket::SocketTimeoutError:
            return QStringLiteral("Timed out");
        case QAbstractSocket::SslHandshakeFailedError:
            return QStringLiteral("TLS handshake failed: %1")
                .arg(tlsErrors.isEmpty() ? socket.errorString() : tlsErrors);
        default:
            return socket.errorString();
    }
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

HttpClient::HttpClient(QByteArray userAgent, std::size_t maxBody, QObject* parent)
    : QObject(parent), userAgent_(std::move(userAgent)), maxBody_(maxBody) {}

HttpClient::~HttpClient() {
    running_ = false;
    DropSocket();
}

QString HttpClient::Reason() const {
    if (!HeaderDone()) return {};
    // "HTTP/1.1 404 Not Found": the phrase starts after the code and its blank.
    const std::string& line = parser_->StatusLine();
    return line.size() > 13 ? QString::fromStdString(line.substr(13)) : QString();
}

const std::vector<std::uint8_t>& HttpClient::Body() const {
    return parser_ ? parser_->Body() : kNoBody;
}

void HttpClient::Send(const HttpRequest& request) {
    DropSocket();
    ++generation_;
    request_ = request;
    url_ = request.url;
    redirects_ = 0;
    redirectFailed_ = false;
    running_ = true;
    error_.clear();
    sending_ = true;
    std::string why;
    if (!AcceptableBaseUrl(url_.toString(QUrl::FullyEncoded).toStdString(), why))
        Finish(Capitalised(why));
    else
        Connect();
    sending_ = false;
}

void HttpClient::Abort() {
    ++generation_;
    running_ = false;
    DropSocket();
}

void HttpClient::DropSocket() {
    if (socket_) {
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
}

void HttpClient::Finish(const QString& error) {
    if (!running_) return;
    running_ = false;
    error_ = error;
    DropSocket();
    if (sending_) {
        // Callers set up what follows Send after it returns.
        const std::uint64_t generation = generation_;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == generation_) emit Finished();
        });
        return;
    }
    emit Finished();
}

void HttpClient::Connect() {
    DropSocket();
    parser_ = std::make_unique<HttpResponseParser>(MAX_HTTP_HEADER, maxBody_);
    received_ = 0;
    tlsErrors_.clear();
    const bool tls = url_.scheme() == QLatin1String("https");
    const quint16 port = static_cast<quint16>(url_.port(tls ? 443 : 80));
    QTcpSocket* s = nullptr;
    if (tls) {
#if QT_CONFIG(ssl)
        if (!QSslSocket::supportsSsl()) {
            Finish(QStringLiteral("TLS is not available on this system"));
            return;
        }
        // Peer verification stays at its default (on): the name is checked against the
        // certificate, and the handshake fails on any problem.
        auto* ssl = new QSslSocket(this);
        connect(ssl, &QSslSocket::encrypted, this, [this, ssl] {
            if (ssl == socket_) WriteRequest();
        });
        connect(ssl, &QSslSocket::sslErrors, this, [this, ssl](const QList<QSslError>& errors) {
            if (ssl != socket_) return;
            QStringList texts;
            for (const QSslError& e : errors) texts << e.errorString();
            tlsErrors_ = texts.join(QStringLiteral("; "));
        });
        s = ssl;
#else
        Finish(QStringLiteral("TLS is not available in this build"));
        return;
#endif
    } else {
        s = new QTcpSocket(this);
        connect(s, &QTcpSocket::connected, this, [this, s] {
            if (s == socket_) WriteRequest();
        });
    }
    socket_ = s;
    connect(s, &QTcpSocket::readyRead, this, [this, s] {
        if (s == socket_) Read();
    });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        if (s == socket_) Closed(s);
    });
    connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError error) {
        if (s != socket_) return;
        if (error == QAbstractSocket::RemoteHostClosedError) return;  // "disconnected" follows
        Finish(SocketErrorText(error, *s, url_.host(), tlsErrors_));
    });
#if QT_CONFIG(ssl)
    if (tls) {
        static_cast<QSslSocket*>(s)->connectToHostEncrypted(url_.host(), port);
        return;
    }
#endif
    s->connectToHost(url_.host(), port);
}

void HttpClient::WriteRequest() {
    QByteArray target = url_.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty()) target = "/";
    if (url_.hasQuery()) target += '?' + url_.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url_.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) host = '[' + host + ']';
    const int defaultPort = url_.scheme() == QLatin1String("https") ? 443 : 80;
    if (url_.port() != -1 && url_.port() != defaultPort)
        host += ':' + QByteArray::number(url_.port());

    QByteArray out = request_.method + ' ' + target + " HTTP/1.1\r\n";
    out += "Host: " + host + "\r\n";
    out += "User-Agent: " + userAgent_ + "\r\n";
    out += request_.acceptGzip ? "Accept-Encoding: gzip\r\n" : "Accept-Encoding: identity\r\n";
    const QByteArray cookies = CookieHeader();
    if (!cookies.isEmpty()) out += "Cookie: " + cookies + "\r\n";
    if (!request_.body.isEmpty() || request_.method == "POST") {
        if (!request_.contentType.isEmpty())
            out += "Content-Type: " + request_.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(request_.body.size()) + "\r\n";
    }
    out += "Connection: close\r\n\r\n";
    out += request_.body;
    if (socket_->write(out) != out.size())
        Finish(QStringLiteral("The request could not be sent: %1").arg(socket_->errorString()));
}

void HttpClient::Read() {
    QTcpSocket* s = socket_;
    while (s == socket_ && running_ && s->bytesAvailable() > 0) {
        const QByteArray chunk = s->read(READ_SLICE);
        if (chunk.isEmpty()) return;
        received_ += static_cast<std::size_t>(chunk.size());
        const bool hadHeader = parser_->HeaderDone();
        const auto state = parser_->Feed(reinterpret_cast<const std::uint8_t*>(chunk.constData()),
                                         static_cast<std::size_t>(chunk.size()));
        emit Received();
        if (s != socket_ || !running_) return;
        if (!hadHeader && parser_->HeaderDone() && !TakeHeader()) return;
        if (state == HttpResponseParser::State::Failed) {
            Finish(parser_->HeaderTooLong()
                       ? QStringLiteral("The server's reply headers are too long")
                       : Capitalised(parser_->Error()));
            return;
        }
        if (state == HttpResponseParser::State::Complete) {
            Finish(QString());
            return;
        }
    }
}

void HttpClient::Closed(QTcpSocket* s) {
    Read();
    // Read may have finished the exchange or followed a redirect to a new socket.
    if (!running_ || s != socket_) return;
    const auto state = parser_->Close();
    Finish(state == HttpResponseParser::State::Complete ? QString()
                                                        : Capitalised(parser_->Error()));
}

bool HttpClient::TakeHeader() {
    TakeCookies();
    const int status = parser_->Status();
    if (IsRedirect(status)) {
        if (const auto location = parser_->Header("Location")) {
            Redirect(*location);
            return false;
        }
    }
    if (status != 200) return true;  // the caller reports the status, not the body
    if (auto encoding = parser_->Header("Content-Encoding")) {
        const QString e = QString::fromStdString(*encoding).toLower();
        // A gzip body is stored or unpacked by the install step, which knows it by its
        // magic bytes; anything else would reach it unreadable.
        if (!e.isEmpty() && e != QLatin1String("identity") &&
            !(request_.acceptGzip && e == QLatin1String("gzip"))) {
            Finish(QStringLiteral("The server sent its answer in an encoding this program "
                                  "cannot read (%1)")
                       .arg(e.left(40)));
            return false;
        }
    }
    return true;
}

void HttpClient::Redirect(const std::string& location) {
    if (++redirects_ > MAX_HTTP_REDIRECTS) {
        redirectFailed_ = true;
        Finish(QStringLiteral("Too many redirects (more than %1)").arg(MAX_HTTP_REDIRECTS));
        return;
    }
    const QUrl next = url_.resolved(QUrl(QString::fromStdString(location)));
    std::string why;
    // The same rule as the base address: no https-to-http step to another machine.
    if (!next.isValid() ||
        !AcceptableBaseUrl(next.toString(QUrl::FullyEncoded).toStdString(), why)) {
        redirectFailed_ = true;
        Finish(QStringLiteral("Redirect refused: %1")
                   .arg(why.empty() ? QStringLiteral("unreadable address")
                                    : QString::fromStdString(why)));
        return;
    }
    const int status = parser_->Status();
    if (status == 303 || ((status == 301 || status == 302) && request_.method != "GET" &&
                          request_.method != "HEAD")) {
        request_.method = "GET";
        request_.body.clear();
        request_.contentType.clear();
    }
    url_ = next;
    Connect();
}

void HttpClient::TakeCookies() {
    const QString host = url_.host();
    for (const std::string& line : parser_->Headers("Set-Cookie")) {
        const QList<QByteArray> parts = QByteArray::fromStdString(line).split(';');
        const QByteArray pair = parts.first().trimmed();
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0) continue;
        Cookie c{host, pair.left(eq).trimmed(), pair.mid(eq + 1).trimmed(), false};
        bool expired = false;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const QByteArray attr = parts[i].trimmed().toLower();
            if (attr == "secure") c.secure = true;
            if (attr.startsWith("max-age=")) {
                bool ok = false;
                const qlonglong age = attr.mid(8).toLongLong(&ok);
                expired = ok && age <= 0;
            }
        }
        std::erase_if(cookies_,
                      [&](const Cookie& k) { return k.host == c.host && k.name == c.name; });
        if (!expired) cookies_.push_back(std::move(c));
    }
}

QByteArray HttpClient::CookieHeader() const {
    const bool https = url_.scheme() == QLatin1String("https");
    QByteArray out;
    for (const Cookie& c : cookies_) {
        if (c.host != url_.host() || (c.secure && !https)) continue;
        if (!out.isEmpty()) out += "; ";
        out += c.name + '=' + c.value;
    }
    return out;
}

}  // namespace orvanta
