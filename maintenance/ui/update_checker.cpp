#include "maintenance/ui/update_checker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <cstdio>

#include "common/event_log.h"
#include "common/prompt.h"
#include "maintenance/ui/update_query.h"
#include "platform/directories.h"

namespace orvanta {

namespace {

constexpr qint64 kMaxVersionFileBytes = 64 * 1024;
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

struct ProgramToRestart {
    QString path;
    QStringList arguments;
};

ProgramToRestart& Program() {
    static ProgramToRestart program;
    return program;
}

}  // namespace

bool IsTrustedUpdateUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) return true;
    if (url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0) return false;
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
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

void UpdateChecker::Fetch(std::function<void(bool, const QByteArray&, const QUrl&)> done) {
    QNetworkReply* reply = Get(network_, VersionUrl(), env_.transferTimeoutMs);
    reply_ = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxVersionFileBytes) reply->abort();  // no version file is this long
    });
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        const bool ok = reply->error() == QNetworkReply::NoError;
        done(ok, ok ? reply->readAll() : QByteArray(), reply->url());
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
    Fetch([this](bool ok, const QByteArray& body, const QUrl&) {
        const UpdateCheckLine line =
            SilentCheckLine(ok, std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
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
    Fetch([this](bool ok, const QByteArray& body, const QUrl& finalUrl) {
        Interactive(ok, body, finalUrl);
    });
}

void UpdateChecker::Interactive(bool ok, const QByteArray& body, const QUrl& finalUrl) {
    if (!ok) {
        Warn(kCheckFailed);
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
        Warn(unpacked == UnpackStatus::UnzipFailed ? std::string(kUnzipFailed) : detail);
        if (unpacked == UnpackStatus::UnzipFailed)
            LogEvent(std::string(kUnzipFailed) + " (" + detail + ")", LOG_ERROR);
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

    QNetworkAccessManager network;
    QNetworkReply* reply = Get(network, VersionUrlUnder(Q(baseUrl)), timeoutMs);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxVersionFileBytes) reply->abort();
    });
    if (!reply->isFinished()) loop.exec();
    const bool ok = reply->error() == QNetworkReply::NoError;
    const QByteArray body = ok ? reply->readAll() : QByteArray();
    delete reply;
    return SilentCheckLine(ok, std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
}

}  // namespace orvanta
