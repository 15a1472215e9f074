#pragma once
// The element server's own exchange: a login form post that yields a session cookie, then
// a download request with that cookie whose body is the gzip-compressed element file. It is
// a byte-level state machine: the driver connects, sends and closes as told, hands over
// every received chunk, closing and error, and reads the events it produces.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/http_response.h"

namespace orvanta {

struct LegacyServerConfig {
    std::string host = "www.space-track.org";        // the host connected to
    std::uint16_t port = 80;
    std::string headerHost = "www.space-track.org";  // the Host header's value
    std::string vendorHost = "orvanta.example.org";  // named in the User-Agent header
    std::string loginPath = "/perl/login.pl";
    std::string downloadPath = "/perl/dl.pl?ID=2";
};

// Log levels of the event log.
enum DownloadLogLevel { DL_SUCCESS = 0, DL_WARNING = 1, DL_ERROR = 2, DL_INFORMATION = 3 };

struct DownloadEvent {
    enum class Kind {
        Log,         // text at level
        Status,      // status-bar text
        Connect,     // open a connection to host:port (closing any open one)
        Send,        // write bytes on the open connection
        Disconnect,  // close the connection
        Finished,    // the exchange is over: ok says whether body holds the element file
    };
    Kind kind = Kind::Log;
    std::string text;
    int level = DL_INFORMATION;
    std::string host;
    std::uint16_t port = 0;
    bool ok = false;
};

// Seconds without a received byte after which a waiting exchange is given up.
constexpr int DOWNLOAD_STALL_SECONDS = 30;

class LegacyElementExchange {
public:
    enum class Phase { Idle, Login, Download, Done };

    LegacyElementExchange(LegacyServerConfig config, std::string user, std::string password,
                          std::size_t maxBody);

    // Begins with the login (or, with a cookie, directly with the download).
    void Start(const std::string& cookie = std::string());

    // Driver reports.
    void OnConnected();
    void OnData(const std::uint8_t* data, std::size_t size);
    void OnClosed();
    void OnResolveFailed();
    void OnConnectFailed();
    void OnSendFailed();
    void OnSocketError(int code, const std::string& text);
    void OnStalled(int seconds = DOWNLOAD_STALL_SECONDS);

    Phase GetPhase() const { return phase_; }
    bool Running() const { return phase_ == Phase::Login || phase_ == Phase::Download; }
    // Events since the last call, oldest first.
    std::vector<DownloadEvent> TakeEvents();
    // The download's body, once Finished with ok.
    const std::vector<std::uint8_t>& Body() const;
    const std::string& Cookie() const { return cookie_; }

    // The request texts (exposed for tests).
    std::string LoginRequest() const;
    std::string DownloadRequest() const;

private:
    void Log(const std::string& text, int level);
    void Finish(bool ok);
    void Fail(const std::string& text);
    void EvaluateLogin();
    void EvaluateDownload();
    void StartDownload();
    // Opens a new connection for the phase, with a fresh response parser.
    void Connect(Phase phase, std::size_t maxBody);

    LegacyServerConfig config_;
    std::string user_;
    std::string password_;
    std::size_t maxBody_;
    Phase phase_ = Phase::Idle;
    std::string cookie_;
    std::unique_ptr<HttpResponseParser> response_;
    std::deque<DownloadEvent> events_;
};

}  // namespace orvanta
