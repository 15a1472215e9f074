#include "earthview/ui/cloud_downloader.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

#include "common/event_log.h"
#include "earthview/cloud_map.h"
#include "earthview/image_file.h"
#include "maintenance/vendor_server.h"

namespace orvanta {

namespace fs = std::filesystem;

namespace {

// Writes bytes under a temporary name and renames it into place.
bool ReplaceFile(const fs::path& target, const QByteArray& bytes) {
    fs::path temporary = target;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.constData(), bytes.size());
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temporary, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) fs::remove(temporary, ec);
    return !ec;
}

// The code reported for a failed request: the HTTP status when there was one, else the
// network error's number.
int ErrorCode(QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400) return status.toInt();
    return static_cast<int>(reply->error());
}

}  // namespace

CloudMapDownloader::CloudMapDownloader(fs::path directory, QObject* parent)
    : QObject(parent), directory_(std::move(directory)),
      generator_(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())) {
    retryTimer_.setSingleShot(true);
    connect(&retryTimer_, &QTimer::timeout, this, &CloudMapDownloader::Attempt);
}

CloudMapDownloader::~CloudMapDownloader() { Cancel(); }

void CloudMapDownloader::Start(const QUrl& baseUrl) {
    Cancel();
    if (IsReservedExampleHost(baseUrl.host().toStdString())) {
        // Said once: the schedule asks again every five minutes while clouds are shown.
        if (baseUrl != reportedExample_)
            LogEvent("No cloud map server is set (\"Cloudmap Server\" is " +
                         baseUrl.toString().toStdString() + "), so no cloud map is downloaded.",
                     LOG_INFORMATION);
        reportedExample_ = baseUrl;
        Finish(false);
        return;
    }
    std::string why;
    if (!IsSecureServerUrl(baseUrl.toString(QUrl::FullyEncoded).toStdString(), why)) {
        LogEvent("No cloud map is downloaded from the \"Cloudmap Server\": " + why, LOG_ERROR);
        Finish(false);
        return;
    }
    baseUrl_ = baseUrl;
    attempts_ = 0;
    running_ = true;
    Attempt();
}

void CloudMapDownloader::Cancel() {
    ++generation_;
    retryTimer_.stop();
    if (reply_) {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->abort();
        reply->deleteLater();
    }
    running_ = false;
}

void CloudMapDownloader::Attempt() {
    QUrl listUrl = baseUrl_;
    QString path = listUrl.path();
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    listUrl.setPath(path + QString::fromLatin1(CLOUD_SERVER_LIST_PATH));
    QNetworkRequest request(listUrl);
    request.setTransferTimeout(60000);
    const quint64 generation = generation_;
    reply_ = network_.get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, generation] { ListArrived(reply, generation); });
}

void CloudMapDownloader::ListArrived(QNetworkReply* reply, quint64 generation) {
    reply->deleteLater();
    if (generation != generation_) return;
    reply_ = nullptr;
    const QByteArray body = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    if (!body.isEmpty()) ReplaceFile(directory_ / CLOUD_SERVER_LIST_FILE, body);
    // A failed list download leaves the previous list to pick from.
    std::ifstream in(directory_ / CLOUD_SERVER_LIST_FILE, std::ios::binary);
    if (!in) {
        LogEvent("Failed to read cloudmap serverlist!", LOG_ERROR);
        Finish(false);
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The list names the maps' addresses: each is held to the rule the server list obeys.
    std::vector<std::string> servers;
    std::string why;
    int refused = 0;
    for (std::string& line : ParseCloudServerList(text)) {
        if (IsSecureServerUrl(line, why))
            servers.push_back(std::move(line));
        else
            ++refused;
    }
    if (refused > 0)
        LogEvent(std::to_string(refused) + (refused == 1 ? " address" : " addresses") +
                     " in cloudmaps.txt refused (" + why + ")",
                 LOG_WARNING);
    if (servers.empty()) {
        LogEvent("Failed to read cloudmap serverlist!", LOG_ERROR);
        Finish(false);
        return;
    }
    const int r = random_ ? random_() : static_cast<int>(generator_() % 32768);
    const QString url = QString::fromStdString(servers[PickCloudServer(static_cast<int>(servers.size()), r)]);
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(120000);
    reply_ = network_.get(request);
    QNetworkReply* mapReply = reply_;
    connect(mapReply, &QNetworkReply::finished, this,
            [this, mapReply, url, generation] { MapArrived(mapReply, url, generation); });
}

void CloudMapDownloader::MapArrived(QNetworkReply* reply, const QString& url, quint64 generation) {
    reply->deleteLater();
    if (generation != generation_) return;
    reply_ = nullptr;
    if (reply->error() != QNetworkReply::NoError) {
        LogEvent("Error " + std::to_string(ErrorCode(reply)) +
                     " while downloading the latest cloudmap from " + url.toStdString() + "!",
                 LOG_WARNING);
        AttemptFailed();
        return;
    }
    const QByteArray body = reply->readAll();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(body.constData());
    // Only a map that decodes replaces the one in use.
    if (!DecodeJpegMemory(bytes, static_cast<std::size_t>(body.size()))) {
        LogEvent("Error 0 while downloading the latest cloudmap from " + url.toStdString() +
                     "! (not a JPEG image)",
                 LOG_WARNING);
        AttemptFailed();
        return;
    }
    if (!ReplaceFile(directory_ / CLOUD_MAP_FILE, body)) {
        AttemptFailed();
        return;
    }
    Finish(true);
}

void CloudMapDownloader::AttemptFailed() {
    if (++attempts_ >= kCloudDownloadAttempts) {
        LogEvent("Failed to download a new cloudmap 10 times. Giving up for now.", LOG_WARNING);
        Finish(false);
        return;
    }
    retryTimer_.start(retryPauseMs_);
}

void CloudMapDownloader::Finish(bool success) {
    running_ = false;
    if (success)
        emit succeeded();
    else
        emit failed();
}

}  // namespace orvanta
