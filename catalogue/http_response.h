#pragma once
// An HTTP/1.1 response read from the chunks a socket delivers: the header (wherever the
// blank line after it falls between chunks), then a body framed by Content-Length, by
// chunked transfer coding or by the closing of the connection. Every read is bounded.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

constexpr std::size_t MAX_HTTP_HEADER = 64 * 1024;

class HttpResponseParser {
public:
    enum class State { Header, Body, Complete, Failed };

    HttpResponseParser(std::size_t maxHeader, std::size_t maxBody)
        : maxHeader_(maxHeader), maxBody_(maxBody) {}

    // Takes the next received bytes; bytes after a complete response are ignored.
    State Feed(const std::uint8_t* data, std::size_t size);
    State Feed(std::string_view data) {
        return Feed(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    }
    // The peer closed the connection: ends a body that runs to the close; a response cut
    // short of its header, its Content-Length or its last chunk fails.
    State Close();

    State GetState() const { return state_; }
    bool HeaderDone() const { return state_ != State::Header && !statusLine_.empty(); }
    int Status() const { return status_; }
    const std::string& StatusLine() const { return statusLine_; }
    // The first header of that name (compared without case), its value trimmed.
    std::optional<std::string> Header(std::string_view name) const;
    // Every header of that name in order (Set-Cookie may come more than once).
    std::vector<std::string> Headers(std::string_view name) const;
    const std::vector<std::uint8_t>& Body() const { return body_; }
    const std::string& Error() const { return error_; }
    // The failure was a header longer than maxHeader (the callers word that one themselves).
    bool HeaderTooLong() const { return headerTooLong_; }
    // The failure was a body (or an announced Content-Length, or a chunk) past maxBody.
    bool BodyTooLong() const { return bodyTooLong_; }
    std::size_t BytesReceived() const { return received_; }

private:
    State Fail(std::string why);
    State FailHeaderTooLong();
    State FailBodyTooLong();
    State ParseHeader();
    State TakeBody(const std::uint8_t* data, std::size_t size);
    State TakeChunked(const std::uint8_t* data, std::size_t size);
    bool Append(const std::uint8_t* data, std::size_t size);

    enum class Framing { Length, Chunked, Close };
    enum class ChunkStep { Size, Data, DataEnd, Trailer };

    std::size_t maxHeader_;
    std::size_t maxBody_;
    State state_ = State::Header;
    std::string head_;  // header bytes so far
    std::string statusLine_;
    int status_ = 0;
    std::vector<std::pair<std::string, std::string>> headers_;
    Framing framing_ = Framing::Close;
    std::uint64_t remaining_ = 0;  // Length: body bytes still due; Chunked: of this chunk
    ChunkStep chunkStep_ = ChunkStep::Size;
    std::string line_;  // chunk-size or trailer line being read
    std::vector<std::uint8_t> body_;
    std::string error_;
    bool headerTooLong_ = false;
    bool bodyTooLong_ = false;
    std::size_t received_ = 0;
};

// application/x-www-form-urlencoded form of a value: letters, digits and "-._~" stay,
// everything else becomes %XX (so "&", "=", "+" and "%" in a password survive the form).
std::string UrlEncode(std::string_view value);

}  // namespace orvanta
