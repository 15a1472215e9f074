#pragma once
// Fetches a fresh cloud map: the server list "/cloudmaps.txt" under a base URL, then one map
// from a line picked at random. The map is written to a temporary file and replaces
// "cloudmap.jpg" only once it decodes as a JPEG, so a failed or partial download never
// destroys the good map. Failed attempts are retried (ten in all) with a pause between them.
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <random>

class QNetworkReply;

namespace orvanta {

class CloudMapDownloader : public QObject {
    Q_OBJECT
public:
    // Files go to directory ("cloudmaps.txt", "cloudmap.jpg").
    CloudMapDownloader(std::filesystem::path directory, QObject* parent = nullptr);
    ~CloudMapDownloader() override;

    // Starts a download from baseUrl (the list is baseUrl + "/cloudmaps.txt").
    void Start(const QUrl& baseUrl);
    // Stops a running download; it changes no file and reports nothing afterwards.
    void Cancel();
    bool Running() const { return running_; }

    void SetRetryPauseMs(int ms) { retryPauseMs_ = ms; }
    void SetRandomSource(std::function<int()> random) { random_ = std::move(random); }
    int Attempts() const { return attempts_; }

signals:
    // A new "cloudmap.jpg" is in place.
    void succeeded();
    // The download ended without a new map (after its messages were logged).
    void failed();

private:
    void Attempt();
    void ListArrived(QNetworkReply* reply, quint64 generation);
    void MapArrived(QNetworkReply* reply, const QString& url, quint64 generation);
    void AttemptFailed();
    void Finish(bool success);

    std::filesystem::path directory_;
    QNetworkAccessManager network_;
    QUrl baseUrl_;
    QUrl reportedExample_;  // the example server last said to be no server
    QPointer<QNetworkReply> reply_;
    QTimer retryTimer_;
    quint64 generation_ = 0;
    int attempts_ = 0;
    int retryPauseMs_ = 30000;
    bool running_ = false;
    std::function<int()> random_;
    std::mt19937 generator_;
};

}  // namespace orvanta
