#include "catalogue/http_response.h"

#include <charconv>

namespace orvanta {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

HttpResponseParser::State HttpResponseParser::Fail(std::string why) {
    error_ = std::move(why);
    return state_ = State::Failed;
}

HttpResponseParser::State HttpResponseParser::FailHeaderTooLong() {
    headerTooLong_ = true;
    head_.clear();
    head_.shrink_to_fit();
    return Fail("the response header exceeds " + std::to_string(maxHeader_) + " bytes");
}

HttpResponseParser::State HttpResponseParser::FailBodyTooLong() {
    bodyTooLong_ = true;
    return Fail("the response body exceeds " + std::to_string(maxBody_) + " bytes");
}

bool HttpResponseParser::Append(const std::uint8_t* data, std::size_t size) {
    if (body_.size() + size > maxBody_) {
        FailBodyTooLong();
        return false;
    }
    body_.insert(body_.end(), data, data + size);
    return true;
}

HttpResponseParser::State HttpResponseParser::Feed(const std::uint8_t* data, std::size_t size) {
    if (state_ == State::Complete || state_ == State::Failed) return state_;
    received_ += size;
    if (state_ == State::Header) {
        // The blank line may straddle two chunks: search again from a little before the
        // bytes just added.
        const std::size_t from = head_.size() > 3 ? head_.size() - 3 : 0;
        head_.append(reinterpret_cast<const char*>(data), size);
        std::size_t end = head_.find("\r\n\r\n", from);
        std::size_t skip = 4;
        const std::size_t bare = head_.find("\n\n", from);
        if (bare != std::string::npos && (end == std::string::npos || bare < end)) {
            end = bare;
            skip = 2;
        }
        if (end == std::string::npos) {
            if (head_.size() > maxHeader_) return FailHeaderTooLong();
            return state_;
        }
        if (end + skip > maxHeader_) return FailHeaderTooLong();
        std::string rest = head_.substr(end + skip);
        head_.resize(end);
        if (ParseHeader() == State::Failed) return state_;
        head_.clear();
        head_.shrink_to_fit();
        if (framing_ == Framing::Length && remaining_ == 0 && rest.empty())
            return state_ = State::Complete;
        return TakeBody(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
    }
    return TakeBody(data, size);
}

HttpResponseParser::State HttpResponseParser::ParseHeader() {
    std::size_t pos = 0;
    bool first = true;
    while (pos <= head_.size()) {
        std::size_t eol = head_.find('\n', pos);
        if (eol == std::string::npos) eol = head_.size();
        std::string_view line = Trim(std::string_view(head_).substr(pos, eol - pos));
        pos = eol + 1;
        if (first) {
            first = false;
            statusLine_ = std::string(line);
            // "HTTP/1.1 200 OK"
            if (!line.starts_with("HTTP/") || line.size() < 12 || line[8] != ' ')
                return Fail("not an HTTP response: " + std::string(line.substr(0, 80)));
            int code = 0;
            auto r = std::from_chars(line.data() + 9, line.data() + 12, code);
            if (r.ec != std::errc() || r.ptr != line.data() + 12)
                return Fail("not an HTTP response: " + std::string(line.substr(0, 80)));
            status_ = code;
            continue;
        }
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        headers_.emplace_back(std::string(Trim(line.substr(0, colon))),
                              std::string(Trim(line.substr(colon + 1))));
    }
    framing_ = Framing::Close;
    if (auto te = Header("Transfer-Encoding")) {
        std::string v;
        for (char c : *te) v += Lower(c);
        if (v.find("chunked") != std::string::npos) framing_ = Framing::Chunked;
    }
    if (framing_ != Framing::Chunked) {
        if (auto cl = Header("Content-Length")) {
            std::uint64_t n = 0;
            auto r = std::from_chars(cl->data(), cl->data() + cl->size(), n);
            if (r.ec != std::errc() || r.ptr != cl->data() + cl->size())
                return Fail("unreadable Content-Length: " + cl->substr(0, 40));
            if (n > maxBody_) return FailBodyTooLong();
            // No reserve: the announced length is the peer's word, the bytes are not here
            // yet; the body grows with what arrives.
            framing_ = Framing::Length;
            remaining_ = n;
        }
    }
    // Responses that never carry a body.
    if (status_ == 204 || status_ == 304 || (status_ >= 100 && status_ < 200)) {
        framing_ = Framing::Length;
        remaining_ = 0;
    }
    return state_ = State::Body;
}

HttpResponseParser::State HttpResponseParser::TakeBody(const std::uint8_t* data, std::size_t size) {
    switch (framing_) {
        case Framing::Close:
            if (!Append(data, size)) return state_;
            return state_;
        case Framing::Length: {
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, size));
            if (!Append(data, take)) return state_;
            remaining_ -= take;
            if (remaining_ == 0) state_ = State::Complete;
            return state_;
        }
        case Framing::Chunked:
            return TakeChunked(data, size);
    }
    return state_;
}

HttpResponseParser::State HttpResponseParser::TakeChunked(const std::uint8_t* data,
                                                          std::size_t size) {
    std::size_t i = 0;
    while (i < size && state_ == State::Body) {
        switch (chunkStep_) {
            case ChunkStep::Size:
            case ChunkStep::DataEnd:
            case ChunkStep::Trailer: {
                const char c = static_cast<char>(data[i++]);
                if (c != '\n') {
                    if (line_.size() > 1024) return Fail("malformed chunked body");
                    line_ += c;
                    continue;
                }
                std::string_view line = Trim(line_);
                if (chunkStep_ == ChunkStep::DataEnd) {
                    if (!line.empty()) return Fail("malformed chunked body");
                    chunkStep_ = ChunkStep::Size;
                } else if (chunkStep_ == ChunkStep::Trailer) {
                    if (line.empty()) state_ = State::Complete;
                } else {
                    line = line.substr(0, line.find(';'));
                    std::uint64_t n = 0;
                    auto r = std::from_chars(line.data(), line.data() + line.size(), n, 16);
                    if (line.empty() || r.ec != std::errc() || r.ptr != line.data() + line.size())
                        return Fail("malformed chunked body");
                    if (n > maxBody_ - body_.size()) return FailBodyTooLong();
                    remaining_ = n;
                    chunkStep_ = n == 0 ? ChunkStep::Trailer : ChunkStep::Data;
                }
                line_.clear();
                break;
            }
            case ChunkStep::Data: {
                const std::size_t take =
                    static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, size - i));
                if (!Append(data + i, take)) return state_;
                i += take;
                remaining_ -= take;
                if (remaining_ == 0) chunkStep_ = ChunkStep::DataEnd;
                break;
            }
        }
    }
    return state_;
}

HttpResponseParser::State HttpResponseParser::Close() {
    if (state_ == State::Complete || state_ == State::Failed) return state_;
    if (state_ == State::Header) return Fail("the connection closed before the response header ended");
    if (framing_ == Framing::Close) return state_ = State::Complete;
    if (framing_ == Framing::Length)
        return Fail("the connection closed " + std::to_string(remaining_) +
                    " bytes before the end of the body");
    return Fail("the connection closed before the last chunk of the body");
}

std::optional<std::string> HttpResponseParser::Header(std::string_view name) const {
    for (const auto& [n, v] : headers_)
        if (SameText(n, name)) return v;
    return std::nullopt;
}

std::vector<std::string> HttpResponseParser::Headers(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [n, v] : headers_)
        if (SameText(n, name)) values.push_back(v);
    return values;
}

std::string UrlEncode(std::string_view value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : value) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace orvanta
