#pragma once
// Fetches fresh element sets from the chosen service without blocking the thread it runs
// on: CelesTrak and Space-Track through HttpClient (an HTTP/1.1 exchange of our own, its
// reply header bounded), the element server's own exchange through a QTcpSocket driving
// the core state machine. The body is checked and installed as the element file only when
// it holds valid sets.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/element_download.h"
#include "catalogue/element_install.h"
#include "catalogue/element_sources.h"

class QTcpSocket;

namespace orvanta {

class HttpClient;
struct HttpRequest;

struct ElementDownloadRequest {
    ElementSource source = ElementSource::CelesTrak;
    std::string celesTrakUrl = DEFAULT_CELESTRAK_URL;
    std::string group = DEFAULT_ELEMENT_GROUP;
    std::string format = DEFAULT_ELEMENT_FORMAT;
    std::string spaceTrackUrl = DEFAULT_SPACETRACK_URL;
    std::string user;
    std::string password;
    LegacyServerConfig legacy;
    std::filesystem::path target;  // the element file written on success
    int stallSeconds = DOWNLOAD_STALL_SECONDS;
    std::size_t maxBody = MAX_ELEMENT_BODY;
};

class ElementDownloader : public QObject {
    Q_OBJECT
public:
    explicit ElementDownloader(QObject* parent = nullptr);
    ~ElementDownloader() override;

    // Starts a download; false (with a log line) when one is already running or the
    // request cannot be made (a base URL that is not HTTPS, say).
    bool Start(const ElementDownloadRequest& request);
    // Ends a running download as a failure, leaving the element file as it was.
    void Abort(const QString& why);
    bool Running() const { return running_; }

    // The outcome of the last finished download.
    const ElementInstallResult& Result() const { return result_; }
    // The last error-level line of the last download.
    const QString& LastError() const { return lastError_; }
    // The address the last download asked last (after redirects, the last hop).
    const QString& Address() const { return address_; }
    // Some byte of a service's reply came in the last download: only such a request counts
    // for the services' rate rules.
    bool ServiceAnswered() const { return answered_; }

signals:
    void LogLine(const QString& text, int level);
    void StatusText(const QString& text);
    void Finished(bool ok);
    // The first reply byte of the download came from the service.
    void Answered();

private:
    void Log(const QString& text, int level);
    void Fail(const QString& text);
    void Complete(const std::vector<std::uint8_t>& body);
    void Done(bool ok);
    void Touch();
    void NoteAnswer();

    // CelesTrak and Space-Track: one request at a time, onDone when its reply has ended.
    void Send(HttpRequest request, std::function<void()> onDone);
    // Element data, which may come gzip-compressed as it is.
    void Get(const QString& url, std::function<void()> onDone);
    void Post(const QString& url, const QByteArray& form, std::function<void()> onDone);
    void DropClient();
    bool ReplyOk(const QString& what);
    void StartCelesTrak();
    void StartSpaceTrack();
    void SpaceTrackQuery();
    // Ends the session (after a failure too), then runs then.
    void SpaceTrackLogout(std::function<void()> then);
    void AfterLogout();

    // The element server's exchange.
    void StartLegacy();
    void PumpLegacy();
    void LegacyConnect(const QString& host, quint16 port);
    void DropSocket();

    ElementDownloadRequest request_;
    bool running_ = false;
    QPointer<HttpClient> client_;
    std::function<void()> onDone_;  // runs when the client's exchange ends
    std::size_t shownBytes_ = 0;    // last "Bytes received" figure shown
    bool spaceTrackSession_ = false;      // logged in to Space-Track, not yet out
    std::function<void()> afterLogout_;   // what follows the logout under way
    std::unique_ptr<LegacyElementExchange> exchange_;
    QPointer<QTcpSocket> socket_;
    bool socketConnected_ = false;
    QTimer stall_;
    ElementInstallResult result_;
    QString lastError_;
    QString address_;
    bool answered_ = false;
};

}  // namespace orvanta
