#include "catalogue/element_download.h"

#include <cstdio>

#include "maintenance/vendor_server.h"

namespace orvanta {

namespace {

// The login answer is a small page; anything much larger is not the login we know.
constexpr std::size_t MAX_LOGIN_BODY = 1 << 20;

const std::vector<std::uint8_t> kNoBody;

}  // namespace

LegacyElementExchange::LegacyElementExchange(LegacyServerConfig config, std::string user,
                                             std::string password, std::size_t maxBody)
    : config_(std::move(config)),
      user_(std::move(user)),
      password_(std::move(password)),
      maxBody_(maxBody) {}

std::string LegacyElementExchange::LoginRequest() const {
    // The fields are URL-encoded so that "&", "=", "+" and "%" in a password reach the
    // server as typed; the session id stays the literal "%20" the form expects.
    const std::string body = "_submitted=1&_sessionid=%20&username=" + UrlEncode(user_) +
                             "&password=" + UrlEncode(password_) + "&_submit=Submit\n";
    return "POST " + config_.loginPath + " HTTP/1.1\r\n" +
           "Accept: */*\r\n"
           "Accept-Language: en-us\r\n"
           "Host: " + config_.headerHost + "\r\n" +
           "User-Agent: Orvanta 1.0 (" + config_.vendorHost + ")\r\n" +
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " + std::to_string(body.size()) + "\r\n" +
           "\r\n" + body;
}

std::string LegacyElementExchange::DownloadRequest() const {
    return "GET " + config_.downloadPath + " HTTP/1.1\r\n" +
           "Accept: */*\r\n"
           "Accept-Language: en-us\r\n"
           "Accept-Encoding: gzip, deflate\r\n"
           "Host: " + config_.headerHost + "\r\n" +
           "User-Agent: Orvanta 1.0 (" + config_.vendorHost + ")\r\n" +
           "Connection: Keep-Alive\r\n"
           "Cookie: " + cookie_ + "\r\n" +
           "\r\n";
}

void LegacyElementExchange::Log(const std::string& text, int level) {
    DownloadEvent e;
    e.kind = DownloadEvent::Kind::Log;
    e.text = text;
    e.level = level;
    events_.push_back(std::move(e));
}

void LegacyElementExchange::Finish(bool ok) {
    DownloadEvent close;
    close.kind = DownloadEvent::Kind::Disconnect;
    events_.push_back(close);
    DownloadEvent done;
    done.kind = DownloadEvent::Kind::Finished;
    done.ok = ok;
    events_.push_back(done);
    phase_ = Phase::Done;
}

void LegacyElementExchange::Fail(const std::string& text) {
    Log(text, DL_ERROR);
    Finish(false);
}

void LegacyElementExchange::Start(const std::string& cookie) {
    if (Running()) return;
    if (cookie.empty() && (user_.empty() || password_.empty())) {
        Log("Your account information for Spacetrack has not been set. Unable to download "
            "Kepler elements!",
            DL_ERROR);
        DownloadEvent done;
        done.kind = DownloadEvent::Kind::Finished;
        events_.push_back(done);
        phase_ = Phase::Done;
        return;
    }
    // This exchange is plain HTTP: a password sent to another machine can be read on the way.
    if (cookie.empty() && !IsLoopbackHost(config_.host)) {
        Log("Your Space-Track password is not sent unencrypted (plain HTTP) to " + config_.host +
                ". Please use the Space-Track (HTTPS) element source.",
            DL_ERROR);
        DownloadEvent done;
        done.kind = DownloadEvent::Kind::Finished;
        events_.push_back(done);
        phase_ = Phase::Done;
        return;
    }
    if (!cookie.empty()) {
        cookie_ = cookie;
        StartDownload();
        return;
    }
    Log("Attempting to download latest Kepler elements from internet...", DL_INFORMATION);
    Log("Status: Logging in...", DL_INFORMATION);
    Connect(Phase::Login, MAX_LOGIN_BODY);
}

void LegacyElementExchange::StartDownload() {
    Connect(Phase::Download, maxBody_);
}

void LegacyElementExchange::Connect(Phase phase, std::size_t maxBody) {
    phase_ = phase;
    response_ = std::make_unique<HttpResponseParser>(MAX_HTTP_HEADER, maxBody);
    DownloadEvent c;
    c.kind = DownloadEvent::Kind::Connect;
    c.host = config_.host;
    c.port = config_.port;
    events_.push_back(c);
}

void LegacyElementExchange::OnConnected() {
    if (!Running()) return;
    DownloadEvent s;
    s.kind = DownloadEvent::Kind::Send;
    s.text = phase_ == Phase::Login ? LoginRequest() : DownloadRequest();
    events_.push_back(std::move(s));
}

void LegacyElementExchange::OnData(const std::uint8_t* data, std::size_t size) {
    if (!Running() || !response_) return;
    const auto state = response_->Feed(data, size);
    if (state == HttpResponseParser::State::Failed) {
        Fail((phase_ == Phase::Login ? "Login failed: " : "Kepler download failed: ") +
             response_->Error());
        return;
    }
    if (phase_ == Phase::Download && response_->HeaderDone()) {
        DownloadEvent s;
        s.kind = DownloadEvent::Kind::Status;
        s.text = std::to_string(response_->BytesReceived()) + " Bytes received";
        events_.push_back(std::move(s));
    }
    if (state == HttpResponseParser::State::Complete) {
        if (phase_ == Phase::Login)
            EvaluateLogin();
        else
            EvaluateDownload();
    }
}

void LegacyElementExchange::OnClosed() {
    if (!Running() || !response_) return;
    const auto state = response_->Close();
    if (state == HttpResponseParser::State::Failed) {
        // A login page cut short may still carry the cookie in its header.
        if (phase_ == Phase::Login && response_->HeaderDone()) {
            EvaluateLogin();
            return;
        }
        Fail((phase_ == Phase::Login ? "Login failed: " : "Kepler download failed: ") +
             response_->Error());
        return;
    }
    if (phase_ == Phase::Login)
        EvaluateLogin();
    else
        EvaluateDownload();
}

void LegacyElementExchange::EvaluateLogin() {
    if (response_->Status() >= 400) {
        Fail("Login failed! The element server answered \"" + response_->StatusLine() + "\"");
        return;
    }
    const auto cookie = response_->Header("Set-Cookie");
    if (!cookie) {
        Fail("Login failed! Please verify your Space Track account settings (username and "
             "password are case sensitive!)");
        return;
    }
    const std::size_t end = cookie->find("; ");
    if (end == std::string::npos) {
        Fail("Unexpected response 0x02");
        return;
    }
    cookie_ = cookie->substr(0, end);
    Log("Login OK. Now initiating download...", DL_INFORMATION);
    DownloadEvent close;
    close.kind = DownloadEvent::Kind::Disconnect;
    events_.push_back(close);
    StartDownload();
}

void LegacyElementExchange::EvaluateDownload() {
    if (response_->Status() != 200) {
        Fail("Kepler download failed: the element server answered \"" +
             response_->StatusLine() + "\"");
        return;
    }
    Finish(true);
}

void LegacyElementExchange::OnResolveFailed() {
    if (Running()) Fail("Unable to resolve the hostname " + config_.host + "!");
}

void LegacyElementExchange::OnConnectFailed() {
    if (Running()) Fail("Failed to establish connection");
}

void LegacyElementExchange::OnSendFailed() {
    if (Running()) Fail("Failed to send data");
}

void LegacyElementExchange::OnSocketError(int code, const std::string& text) {
    if (Running()) Fail("Socket error " + std::to_string(code) + ": " + text);
}

void LegacyElementExchange::OnStalled(int seconds) {
    if (Running())
        Fail("No data from the element server for " + std::to_string(seconds) +
             " seconds: download abandoned");
}

std::vector<DownloadEvent> LegacyElementExchange::TakeEvents() {
    std::vector<DownloadEvent> out(std::make_move_iterator(events_.begin()),
                                   std::make_move_iterator(events_.end()));
    events_.clear();
    return out;
}

const std::vector<std::uint8_t>& LegacyElementExchange::Body() const {
    return phase_ == Phase::Done && response_ ? response_->Body() : kNoBody;
}

}  // namespace orvanta
