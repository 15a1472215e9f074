#include "catalogue/ui/element_downloader.h"

#include <QTcpSocket>
#include <QUrl>
#include <functional>

#include "catalogue/ui/http_client.h"

namespace orvanta {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

ElementDownloader::ElementDownloader(QObject* parent) : QObject(parent) {
    stall_.setSingleShot(true);
    connect(&stall_, &QTimer::timeout, this, [this] {
        if (!running_) return;
        if (afterLogout_) {
            // A silent logout: the session ends on the server's side in time anyway.
            AfterLogout();
            return;
        }
        if (exchange_) {
            exchange_->OnStalled(request_.stallSeconds);
            PumpLegacy();
        } else if (client_ && client_->Running() && client_->AnyByte() &&
                   !client_->HeaderDone()) {
            // Bytes came, but not the end of the header: "no data" would not be the truth.
            Fail(QStringLiteral("No complete reply header from %1 in %2 seconds: download "
                                "abandoned")
                     .arg(Q(ElementSourceName(request_.source)))
                     .arg(request_.stallSeconds));
        } else {
            Fail(QStringLiteral("No data from %1 for %2 seconds: download abandoned")
                     .arg(Q(ElementSourceName(request_.source)))
                     .arg(request_.stallSeconds));
        }
    });
}

ElementDownloader::~ElementDownloader() {
    // The owner may be half destroyed already: nothing may be reported from here on.
    running_ = false;
    disconnect(this, nullptr, nullptr, nullptr);
    DropClient();
    DropSocket();
}

void ElementDownloader::Log(const QString& text, int level) {
    if (level == DL_ERROR) lastError_ = text;
    emit LogLine(text, level);
}

void ElementDownloader::Touch() {
    stall_.start(request_.stallSeconds * 1000);
}

void ElementDownloader::NoteAnswer() {
    if (answered_ || !running_) return;
    answered_ = true;
    emit Answered();
}

bool ElementDownloader::Start(const ElementDownloadRequest& request) {
    if (running_) {
        Log(QStringLiteral("An element download is already running"), DL_WARNING);
        return false;
    }
    request_ = request;
    result_ = ElementInstallResult();
    lastError_.clear();
    answered_ = false;
    address_ = Q(request.source == ElementSource::SpaceTrack ? request.spaceTrackUrl
                                                            : request.celesTrakUrl);
    if (request.source == ElementSource::Legacy)
        address_ = QStringLiteral("%1:%2").arg(Q(request.legacy.host)).arg(request.legacy.port);
    std::string why;
    if (request.source == ElementSource::CelesTrak &&
        !AcceptableBaseUrl(request.celesTrakUrl, why)) {
        Log(QStringLiteral("Element download refused: ") + Q(why), DL_ERROR);
        return false;
    }
    if (request.source == ElementSource::SpaceTrack &&
        !AcceptableBaseUrl(request.spaceTrackUrl, why)) {
        Log(QStringLiteral("Element download refused: ") + Q(why), DL_ERROR);
        return false;
    }
    running_ = true;
    switch (request.source) {
        case ElementSource::CelesTrak: StartCelesTrak(); break;
        case ElementSource::SpaceTrack: StartSpaceTrack(); break;
        case ElementSource::Legacy: StartLegacy(); break;
    }
    return true;
}

void ElementDownloader::Abort(const QString& why) {
    if (running_) Fail(why);
}

void ElementDownloader::Fail(const QString& text) {
    if (client_ && !client_->Url().isEmpty())
        address_ = client_->Url().toDisplayString(QUrl::RemoveUserInfo);
    Log(text, DL_ERROR);
    // A session that was opened is closed whatever went wrong after the login.
    if (spaceTrackSession_ && running_) {
        SpaceTrackLogout([this] { Done(false); });
        return;
    }
    Done(false);
}

void ElementDownloader::Done(bool ok) {
    if (!running_) return;
    running_ = false;
    spaceTrackSession_ = false;
    afterLogout_ = nullptr;
    stall_.stop();
    DropClient();
    DropSocket();
    exchange_.reset();
    if (!ok) Log(QStringLiteral("The element file was left as it was."), DL_WARNING);
    emit Finished(ok);
}

void ElementDownloader::Complete(const std::vector<std::uint8_t>& body) {
    result_ = InstallElementData(body, request_.target);
    if (!result_.ok) {
        Fail(Q(result_.message));
        return;
    }
    if (result_.badRecords > 0)
        Log(QStringLiteral("%1 element sets of the download skipped (first: %2)")
                .arg(result_.badRecords)
                .arg(Q(result_.firstProblem.empty() ? std::string("unusable element lines")
                                                    : result_.firstProblem)),
            DL_WARNING);
    if (result_.skippedAbove > 0) Log(Q(SkippedAboveLine(result_.skippedAbove)), DL_WARNING);
    Log(QStringLiteral("Kepler update complete!"), DL_SUCCESS);
    Done(true);
}

// ---- CelesTrak and Space-Track over HTTP ------------------------------------------------

void ElementDownloader::Send(HttpRequest request, std::function<void()> onDone) {
    if (!client_) {
        // A fresh client per download: its cookies (the Space-Track session) end with it.
        client_ = new HttpClient(QByteArray(ELEMENT_USER_AGENT), request_.maxBody, this);
        connect(client_, &HttpClient::Received, this, [this] {
            Touch();
            if (client_->AnyByte()) NoteAnswer();
            if (client_->HeaderDone() && client_->BodySize() != shownBytes_) {
                shownBytes_ = client_->BodySize();
                emit StatusText(QStringLiteral("%1 Bytes received").arg(shownBytes_));
            }
        });
        connect(client_, &HttpClient::Finished, this, [this] {
            // Moved out first: what it runs may send the next request.
            std::function<void()> then = std::move(onDone_);
            onDone_ = nullptr;
            if (then) then();
        });
    }
    onDone_ = std::move(onDone);
    shownBytes_ = 0;
    Touch();
    client_->Send(request);
}

void ElementDownloader::Get(const QString& url, std::function<void()> onDone) {
    HttpRequest r;
    r.url = QUrl(url);
    // The install step knows a gzip body by its magic bytes and unpacks it within its cap.
    r.acceptGzip = true;
    Send(std::move(r), std::move(onDone));
}

void ElementDownloader::Post(const QString& url, const QByteArray& form,
                             std::function<void()> onDone) {
    HttpRequest r;
    r.method = "POST";
    r.url = QUrl(url);
    r.contentType = "application/x-www-form-urlencoded";
    r.body = form;
    Send(std::move(r), std::move(onDone));
}

void ElementDownloader::DropClient() {
    onDone_ = nullptr;
    if (client_) {
        HttpClient* c = client_;
        client_ = nullptr;
        c->disconnect(this);
        c->Abort();
        c->deleteLater();
    }
}

bool ElementDownloader::ReplyOk(const QString& what) {
    if (client_->BodyTooLong()) {
        Fail(QStringLiteral("The answer of %1 exceeds %2 bytes: download abandoned")
                 .arg(client_->Url().host())
                 .arg(request_.maxBody));
        return false;
    }
    const int status = client_->RedirectFailed() ? 0 : client_->Status();
    if (status != 200) {
        if (status != 0)
            Fail(QStringLiteral("%1 failed: the server answered \"HTTP %2 %3\"")
                     .arg(what)
                     .arg(status)
                     .arg(client_->Reason()));
        else
            Fail(QStringLiteral("%1 failed: %2").arg(what, client_->Error()));
        return false;
    }
    if (!client_->Error().isEmpty()) {
        Fail(QStringLiteral("%1 failed: %2").arg(what, client_->Error()));
        return false;
    }
    return true;
}

void ElementDownloader::StartCelesTrak() {
    const std::string url = CelesTrakUrl(request_.celesTrakUrl, request_.group, request_.format);
    Log(QStringLiteral("Downloading the \"%1\" element sets from CelesTrak...")
            .arg(Q(request_.group)),
        DL_INFORMATION);
    Get(Q(url), [this] {
        if (!ReplyOk(QStringLiteral("The CelesTrak download"))) return;
        Complete(client_->Body());
    });
}

void ElementDownloader::StartSpaceTrack() {
    if (request_.user.empty() || request_.password.empty()) {
        Fail(QStringLiteral("Your account information for Spacetrack has not been set. Unable "
                            "to download Kepler elements!"));
        return;
    }
    std::string base = request_.spaceTrackUrl;
    while (!base.empty() && base.back() == '/') base.pop_back();
    request_.spaceTrackUrl = base;
    Log(QStringLiteral("Status: Logging in to Space-Track..."), DL_INFORMATION);
    const std::string form = SpaceTrackLoginBody(request_.user, request_.password);
    Post(Q(base + SPACETRACK_LOGIN_PATH), QByteArray::fromStdString(form), [this] {
        if (!ReplyOk(QStringLiteral("The Space-Track login"))) return;
        const std::vector<std::uint8_t>& body = client_->Body();
        const std::string answer(body.begin(), body.end());
        // A refused login is still "200 OK", with {"Login":"Failed"} as its body.
        if (answer.find("\"Login\"") != std::string::npos &&
            answer.find("Failed") != std::string::npos) {
            Fail(QStringLiteral("Login failed! Please verify your Space Track account "
                                "settings (username and password are case sensitive!)"));
            return;
        }
        Log(QStringLiteral("Login OK. Now initiating download..."), DL_INFORMATION);
        spaceTrackSession_ = true;
        SpaceTrackQuery();
    });
}

void ElementDownloader::SpaceTrackQuery() {
    Get(Q(request_.spaceTrackUrl + SPACETRACK_QUERY_PATH), [this] {
        if (!ReplyOk(QStringLiteral("The Space-Track query"))) return;
        auto kept = std::make_shared<std::vector<std::uint8_t>>(client_->Body());
        // The elements are already here: the session ends whatever the logout answers.
        SpaceTrackLogout([this, kept] { Complete(*kept); });
    });
}

void ElementDownloader::SpaceTrackLogout(std::function<void()> then) {
    spaceTrackSession_ = false;
    afterLogout_ = std::move(then);
    // Send drops whatever exchange is under way; the session's cookie stays in the client.
    HttpRequest r;
    r.url = QUrl(Q(request_.spaceTrackUrl + SPACETRACK_LOGOUT_PATH));
    Send(std::move(r), [this] { AfterLogout(); });
}

void ElementDownloader::AfterLogout() {
    std::function<void()> then = std::move(afterLogout_);
    afterLogout_ = nullptr;
    onDone_ = nullptr;
    if (client_) client_->Abort();
    if (then) then();
}

// ---- the element server's own exchange ----------------------------------------------------

void ElementDownloader::StartLegacy() {
    exchange_ = std::make_unique<LegacyElementExchange>(request_.legacy, request_.user,
                                                        request_.password, request_.maxBody);
    exchange_->Start();
    PumpLegacy();
}

void ElementDownloader::DropSocket() {
    stall_.stop();
    if (socket_) {
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    socketConnected_ = false;
}

void ElementDownloader::LegacyConnect(const QString& host, quint16 port) {
    DropSocket();
    auto* s = new QTcpSocket(this);
    socket_ = s;
    connect(s, &QTcpSocket::connected, this, [this, s] {
        if (s != socket_ || !exchange_) return;
        socketConnected_ = true;
        Touch();
        exchange_->OnConnected();
        PumpLegacy();
    });
    connect(s, &QTcpSocket::readyRead, this, [this, s] {
        if (s != socket_ || !exchange_) return;
        Touch();
        const QByteArray chunk = s->readAll();
        if (!chunk.isEmpty()) NoteAnswer();
        exchange_->OnData(reinterpret_cast<const std::uint8_t*>(chunk.constData()),
                          static_cast<std::size_t>(chunk.size()));
        PumpLegacy();
    });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        if (s != socket_ || !exchange_) return;
        const QByteArray rest = s->readAll();
        if (!rest.isEmpty()) NoteAnswer();
        if (!rest.isEmpty())
            exchange_->OnData(reinterpret_cast<const std::uint8_t*>(rest.constData()),
                              static_cast<std::size_t>(rest.size()));
        if (exchange_ && exchange_->Running()) exchange_->OnClosed();
        PumpLegacy();
    });
    connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError error) {
        if (s != socket_ || !exchange_) return;
        if (error == QAbstractSocket::RemoteHostClosedError) return;  // "disconnected" follows
        if (error == QAbstractSocket::HostNotFoundError)
            exchange_->OnResolveFailed();
        else if (!socketConnected_)
            exchange_->OnConnectFailed();
        else
            exchange_->OnSocketError(static_cast<int>(error), s->errorString().toStdString());
        PumpLegacy();
    });
    Touch();
    s->connectToHost(host, port);
}

void ElementDownloader::PumpLegacy() {
    // Events may start further events (a failed send ends the exchange), so drain in turn.
    while (exchange_) {
        std::vector<DownloadEvent> events = exchange_->TakeEvents();
        if (events.empty()) return;
        for (DownloadEvent& e : events) {
            switch (e.kind) {
                case DownloadEvent::Kind::Log:
                    Log(Q(e.text), e.level);
                    break;
                case DownloadEvent::Kind::Status:
                    emit StatusText(Q(e.text));
                    break;
                case DownloadEvent::Kind::Connect:
                    LegacyConnect(Q(e.host), e.port);
                    break;
                case DownloadEvent::Kind::Send: {
                    const qint64 n = socket_ ? socket_->write(e.text.data(),
                                                              static_cast<qint64>(e.text.size()))
                                             : -1;
                    if (n != static_cast<qint64>(e.text.size())) exchange_->OnSendFailed();
                    break;
                }
                case DownloadEvent::Kind::Disconnect:
                    DropSocket();
                    break;
                case DownloadEvent::Kind::Finished: {
                    if (!e.ok) {
                        Done(false);
                        return;
                    }
                    const std::vector<std::uint8_t> body = exchange_->Body();
                    exchange_.reset();
                    Complete(body);
                    return;
                }
            }
        }
    }
}

}  // namespace orvanta
