#pragma once
// One HTTP/1.1 exchange at a time for the element services, over a socket of our own
// (QSslSocket with certificate checks for https, QTcpSocket for http) and read through the
// core HttpResponseParser, so the reply header is bounded at MAX_HTTP_HEADER as it arrives.
// QNetworkAccessManager collects a header whole, without a limit, before showing a byte.
// Redirects are followed within the element-source rules; the cookies live as long as the
// client, so one client serves one download.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "catalogue/http_response.h"

class QTcpSocket;

namespace orvanta {

// Redirects followed for one request before it counts as failed.
constexpr int MAX_HTTP_REDIRECTS = 5;

struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QByteArray contentType;  // sent with a body
    QByteArray body;
    bool acceptGzip = false;  // the caller takes a gzip body as it comes
};

class HttpClient : public QObject {
    Q_OBJECT
public:
    HttpClient(QByteArray userAgent, std::size_t maxBody, QObject* parent = nullptr);
    ~HttpClient() override;

    // Starts an exchange, dropping any under way. Finished follows once, never from
    // within Send itself.
    void Send(const HttpRequest& request);
    // Ends the exchange under way without Finished.
    void Abort();
    bool Running() const { return running_; }

    // The exchange under way or last finished (after redirects: its last hop).
    const QUrl& Url() const { return url_; }
    // Some reply byte has come on the current hop.
    bool AnyByte() const { return received_ > 0; }
    bool HeaderDone() const { return parser_ && parser_->HeaderDone(); }
    int Status() const { return HeaderDone() ? parser_->Status() : 0; }
    // The reason phrase of the status line ("Not Found").
    QString Reason() const;
    const std::vector<std::uint8_t>& Body() const;
    std::size_t BodySize() const { return Body().size(); }
    // Why the exchange failed, readable; empty when the reply came whole.
    const QString& Error() const { return error_; }
    // The failure was a body past maxBody (the callers word that one themselves).
    bool BodyTooLong() const { return parser_ && parser_->BodyTooLong(); }
    // The failure was a redirect not followed (refused, or too many): Error says why, not
    // the 3xx status.
    bool RedirectFailed() const { return redirectFailed_; }

signals:
    // Bytes came (header bytes too): the stall timer starts again.
    void Received();
    void Finished();

private:
    void Connect();
    void WriteRequest();
    void Read();
    void Closed(QTcpSocket* s);
    // After the header: cookies, a redirect, an encoding we cannot take. False when the
    // exchange has moved on (finished or redirected).
    bool TakeHeader();
    void Redirect(const std::string& location);
    void TakeCookies();
    QByteArray CookieHeader() const;
    void Finish(const QString& error);
    void DropSocket();

    struct Cookie {
        QString host;
        QByteArray name;
        QByteArray value;
        bool secure = false;
    };

    QByteArray userAgent_;
    std::size_t maxBody_;
    HttpRequest request_;
    QUrl url_;
    int redirects_ = 0;
    bool redirectFailed_ = false;
    bool running_ = false;
    bool sending_ = false;          // inside Send: Finished must wait for the event loop
    std::uint64_t generation_ = 0;  // counts Send and Abort, so a queued Finished can tell
    QPointer<QTcpSocket> socket_;
    QString tlsErrors_;  // the certificate problems of the handshake under way
    std::unique_ptr<HttpResponseParser> parser_;
    std::size_t received_ = 0;
    QString error_;
    std::vector<Cookie> cookies_;
};

}  // namespace orvanta
