#include "maintenance/ui/update_checker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <cstdio>

#include "common/event_log.h"
#include "common/prompt.h"
#include "maintenance/ui/update_query.h"
#include "maintenance/vendor_server.h"
#include "platform/directories.h"

namespace orvanta {

namespace {

constexpr qint64 kMaxVersionFileBytes = 64 * 1024;
// Set on a reply cut short because its version file outgrew kMaxVersionFileBytes.
constexpr char kTooLargeProperty[] = "orvantaTooLarge";
// No program of ours comes near this; a server that sends more must not fill the disk.
constexpr qint64 kMaxUpdateBytes = qint64(256) << 20;

std::string Format(const char* format, const std::string& a, const std::string& b = {}) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, format, a.c_str(), b.c_str());
    return buf;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QUrl VersionUrlUnder(const QString& base) {
    QString text = base.trimmed();
    while (text.endsWith(QLatin1Char('/'))) text.chop(1);
    return QUrl(text + QLatin1String(kVersionFilePath));
}

// A GET with the program's limits: a stalled transfer ends, and a redirect never goes
// from HTTPS to plain HTTP.
QNetworkReply* Get(QNetworkAccessManager& network, const QUrl& url, int timeoutMs) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Orvanta/%1").arg(QLatin1String(kProgramVersion)));
    return network.get(request);
}

void LimitVersionFile(QNetworkReply* reply) {
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received <= kMaxVersionFileBytes) return;  // no version file is this long
        reply->setProperty(kTooLargeProperty, true);
        reply->abort();
    });
}

// Why a request failed, in a few words for the log and the box (printable ASCII only).
std::string ReplyFailure(QNetworkReply* reply) {
    if (reply->property(kTooLargeProperty).toBool()) return "the answer is longer than 64 KiB";
    switch (reply->error()) {
        case QNetworkReply::ConnectionRefusedError: return "connection refused";
        case QNetworkReply::HostNotFoundError: return "server not found";
        // A transfer time-out ends the request as cancelled; we cancel nothing else we report.
        case QNetworkReply::TimeoutError:
        case QNetworkReply::OperationCanceledError: return "timed out";
        case QNetworkReply::RemoteHostClosedError: return "the server closed the connection";
        case QNetworkReply::SslHandshakeFailedError: return "the secure connection failed";
        case QNetworkReply::InsecureRedirectError: return "redirected to plain HTTP";
        case QNetworkReply::TooManyRedirectsError: return "too many redirects";
        default: break;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status > 0) return "HTTP status " + std::to_string(status);
    std::string text;
    for (QChar c : reply->errorString())
        if (c.unicode() >= 0x20 && c.unicode() < 0x7f) text += static_cast<char>(c.unicode());
    return text;
}

// ok, or the reason the version file's download failed or is not to be trusted.
std::string VersionReplyFailure(QNetworkReply* reply) {
    if (reply->error() != QNetworkReply::NoError) return ReplyFailure(reply);
    std::string why;
    // A redirect from this machine may lead elsewhere: where it ended is what counts.
    if (!IsTrustedUpdateUrl(reply->url(), &why)) return why;
    return {};
}

struct ProgramToRestart {
    QString path;
    QStringList arguments;
};

ProgramToRestart& Program() {
    static ProgramToRestart program;
    return program;
}

}  // namespace

bool IsTrustedUpdateUrl(const QUrl& url, std::string* why) {
    std::string reason;
    ServerUrl parsed;
    const std::string text = url.toString(QUrl::FullyEncoded).toStdString();
    bool ok = ParseServerUrl(text, parsed, reason);
    if (ok && (!url.isValid() || !url.userInfo().isEmpty() ||
               url.host(QUrl::FullyEncoded).toLower().toStdString() != parsed.host)) {
        ok = false;
        reason = "the address has no valid host: " + text;
    }
    if (ok && !parsed.https && !IsLoopbackHost(parsed.host)) {
        ok = false;
        reason = "plain HTTP is accepted only for this machine (127.0.0.1): " + text;
    }
    if (why) *why = reason;
    return ok;
}

UpdateChecker::UpdateChecker(UpdateCheckerEnvironment environment, QObject* parent)
    : QObject(parent), env_(std::move(environment)) {
    RememberProgram();
    if (env_.executable.empty()) env_.executable = Program().path.toStdString();
    paths_ = UpdatePathsFor(env_.executable);
}

UpdateChecker::~UpdateChecker() {
    // A check cut short by the program's end says nothing more.
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

QUrl UpdateChecker::VersionUrl() const {
    return VersionUrlUnder(env_.baseUrl);
}

void UpdateChecker::RememberProgram() {
    ProgramToRestart& p = Program();
    if (!p.path.isEmpty() || !QCoreApplication::instance()) return;
    p.path = QCoreApplication::applicationFilePath();
    p.arguments = QCoreApplication::arguments().mid(1);
}

bool UpdateChecker::StartProgramAgain(
    const std::function<bool(const QString&, const QStringList&)>& start) {
    const ProgramToRestart& p = Program();
    if (p.path.isEmpty()) return false;
    return start ? start(p.path, p.arguments) : QProcess::startDetached(p.path, p.arguments);
}

void UpdateChecker::Status(const QString& text) {
    if (env_.setStatus) env_.setStatus(text);
}

void UpdateChecker::Warn(const std::string& text) {
    if (env_.prompt) env_.prompt->Tell(kUpdateCaption, text, PromptIcon::Warning);
}

void UpdateChecker::End() {
    running_ = false;
    emit finished();
}

void UpdateChecker::Fetch(FetchDone done) {
    std::string why;
    if (!IsTrustedUpdateUrl(VersionUrl(), &why)) return done(false, QByteArray(), VersionUrl(), why);
    QNetworkReply* reply = Get(network_, VersionUrl(), env_.transferTimeoutMs);
    reply_ = reply;
    LimitVersionFile(reply);
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        const std::string failure = VersionReplyFailure(reply);
        const bool ok = failure.empty();
        done(ok, ok ? reply->readAll() : QByteArray(), reply->url(), failure);
    });
}

bool UpdateChecker::NoServer() const {
    return IsReservedExampleHost(VersionUrl().host().toStdString());
}

void UpdateChecker::CheckSilently() {
    if (running_) return;
    if (NoServer()) {
        LogEvent(Format(kNoUpdateServer, env_.baseUrl.toStdString()), LOG_INFORMATION);
        emit finished();
        return;
    }
    running_ = true;
    Fetch([this](bool ok, const QByteArray& body, const QUrl&, const std::string& failure) {
        const UpdateCheckLine line =
            ok ? SilentCheckLine(true, std::string_view(body.constData(),
                                                        static_cast<std::size_t>(body.size())))
               : SilentCheckFailure(failure);
        LogEvent(line.text, line.level);
        End();
    });
}

void UpdateChecker::CheckInteractively() {
    if (running_) return;
    if (NoServer()) {
        if (env_.prompt)
            env_.prompt->Tell(kUpdateCaption, Format(kNoUpdateServer, env_.baseUrl.toStdString()),
                              PromptIcon::Information);
        emit finished();
        return;
    }
    running_ = true;
    Fetch([this](bool ok, const QByteArray& body, const QUrl& finalUrl, const std::string& failure) {
        Interactive(ok, body, finalUrl, failure);
    });
}

void UpdateChecker::Interactive(bool ok, const QByteArray& body, const QUrl& finalUrl,
                                const std::string& failure) {
    if (!ok) {
        Warn(CheckFailedText(failure));
        return End();
    }
    VersionFile file;
    if (!ReadVersionFile(std::string_view(body.constData(), static_cast<std::size_t>(body.size())),
                         file)) {
        Warn(kVersionFileUnreadable);
        return End();
    }
    if (file.version.empty()) {
        Warn(kNoVersionInformation);
        return End();
    }
    if (file.version == kProgramVersion) {
        if (env_.prompt)
            env_.prompt->Tell(kUpdateCaption, Format(kUpToDate, file.version),
                              PromptIcon::Information);
        return End();
    }
    const QUrl updateUrl(Q(file.updateUrl).trimmed());
    if (!file.updateUrl.empty() && (!IsTrustedUpdateUrl(finalUrl) || !IsTrustedUpdateUrl(updateUrl))) {
        Warn(Format(kInsecureUpdate, file.version));
        return End();
    }
    const std::filesystem::path folder = paths_.executable.parent_path();
    // An installed program belongs to the package manager, even where root could write.
    const bool writable = env_.directoryWritable ? env_.directoryWritable(folder)
                                                 : platform::IsWritableDirectory(folder) &&
                                                       !platform::IsInstalledLayout(folder);
    if (!writable) {
        Warn(Format(kUpdateNotWritable, file.version, folder.string()));
        return End();
    }
    if (!env_.prompt || env_.prompt->Ask(kUpdateCaption, UpdateQuestion(file), PromptButtons::YesNo,
                                         PromptIcon::Question) != PromptAnswer::Yes)
        return End();
    Download(file);
}

void UpdateChecker::Download(const VersionFile& version) {
    downloadComplete_ = false;
    downloadBegun_ = false;
    const QUrl url(Q(version.updateUrl).trimmed());
    std::error_code ec;
    std::filesystem::remove(paths_.download, ec);
    file_ = std::make_unique<QFile>(QString::fromStdString(paths_.download.string()));
    if (!url.isValid() || url.isEmpty() || !file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file_.reset();
        return Downloaded(false);
    }
    const QString host = url.host();
    Status(Q(Format(kLocatingStatus, host.toStdString())));
    QNetworkReply* reply = Get(network_, url, env_.transferTimeoutMs);
    reply_ = reply;
    auto writeOut = [this, reply] {
        if (!file_) return;
        const QByteArray chunk = reply->readAll();
        if (file_->write(chunk) != chunk.size() || file_->size() > kMaxUpdateBytes) reply->abort();
    };
    connect(reply, &QNetworkReply::socketStartedConnecting, this,
            [this, host] { Status(Q(Format(kConnectingStatus, host.toStdString()))); });
    connect(reply, &QNetworkReply::readyRead, this, [this, host, writeOut] {
        if (!downloadBegun_) {
            downloadBegun_ = true;
            Status(Q(Format(kBeginningStatus, host.toStdString())));
            if (env_.removeSearchProgress) env_.removeSearchProgress();
            if (env_.showProgress) env_.showProgress(0);
        }
        writeOut();
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (!downloadBegun_ || total <= 0) return;
        const double percent = 100.0 / static_cast<double>(total) * static_cast<double>(received);
        char text[64];
        std::snprintf(text, sizeof text, kDownloadingStatus, percent);
        Status(QString::fromLatin1(text));
        if (env_.showProgress) env_.showProgress(static_cast<int>(percent));
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, writeOut] {
        reply->deleteLater();
        writeOut();
        // A redirect may have led elsewhere: the source that counts is where it ended.
        const bool complete = reply->error() == QNetworkReply::NoError && file_ &&
                              IsTrustedUpdateUrl(reply->url());
        const bool flushed = file_ && file_->flush();
        if (file_) file_->close();
        file_.reset();
        Downloaded(complete && flushed);
    });
}

void UpdateChecker::Downloaded(bool complete) {
    downloadComplete_ = complete;
    if (env_.hideProgress) env_.hideProgress();
    if (!downloadComplete_) {
        std::error_code ec;
        std::filesystem::remove(paths_.download, ec);
        Status(QString());
        Warn(kDownloadFailed);
        return End();
    }
    Status(QLatin1String(kUnpackingStatus));
    std::string detail;
    const UnpackStatus unpacked = UnpackUpdate(paths_, detail);
    if (unpacked != UnpackStatus::Ok) {
        Status(QString());
        // The box says why too: "exceeds the limit of 256 MiB" is worth knowing.
        const std::string text = unpacked == UnpackStatus::UnzipFailed
                                     ? std::string(kUnzipFailed) + " (" + detail + ")"
                                     : detail;
        Warn(text);
        if (unpacked == UnpackStatus::UnzipFailed) LogEvent(text, LOG_ERROR);
        return End();
    }
    std::string error;
    if (!SwapInUpdate(paths_, error)) {
        Status(QString());
        std::error_code ec;
        std::filesystem::remove(paths_.temporary, ec);
        Warn(Format(kSwapFailed, error));
        return End();
    }
    Status(QString());
    if (env_.prompt && env_.prompt->Ask(kUpdateCaption, kUpdateComplete, PromptButtons::YesNo,
                                        PromptIcon::Question) == PromptAnswer::Yes)
        RequestRestart(true);
    if (env_.requestClose) env_.requestClose();
    End();
}

UpdateCheckLine CheckForUpdateOnce(const std::string& baseUrl, int timeoutMs) {
    static int argc = 1;
    static char name[] = "orvanta";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // lives to the end

    const QUrl url = VersionUrlUnder(Q(baseUrl));
    std::string failure;
    if (!IsTrustedUpdateUrl(url, &failure)) return SilentCheckFailure(failure);
    QNetworkAccessManager network;
    QNetworkReply* reply = Get(network, url, timeoutMs);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    LimitVersionFile(reply);
    if (!reply->isFinished()) loop.exec();
    failure = VersionReplyFailure(reply);
    const QByteArray body = failure.empty() ? reply->readAll() : QByteArray();
    delete reply;
    if (!failure.empty()) return SilentCheckFailure(failure);
    return SilentCheckLine(true, std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
}

}  // namespace orvanta
