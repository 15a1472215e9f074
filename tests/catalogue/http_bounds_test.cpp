// The HTTP reader under hostile framing: what a peer announces is not what it sends, so
// memory follows the bytes that arrive, and an endless header ends at its bound.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/http_response.h"

namespace orvanta {
namespace {

using State = HttpResponseParser::State;

TEST(HttpBounds, AnnouncedLengthAllocatesNothingUpFront) {
    // A 4 GiB Content-Length within the caller's bound, then only a few bytes.
    HttpResponseParser huge(MAX_HTTP_HEADER, std::size_t(1) << 33);
    EXPECT_EQ(huge.Feed("HTTP/1.1 200 OK\r\nContent-Length: 4294967296\r\n\r\nabc"), State::Body);
    EXPECT_LT(huge.Body().capacity(), std::size_t(1) << 20);
    EXPECT_EQ(huge.Close(), State::Failed);

    // The body still arrives whole in small chunks and stops at its length.
    HttpResponseParser small(MAX_HTTP_HEADER, 64u << 20);
    small.Feed("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n");
    EXPECT_EQ(small.Body().capacity(), 0u);
    State s = State::Body;
    for (int i = 0; i < 3000; ++i) s = small.Feed(std::string_view("x", 1));
    EXPECT_EQ(s, State::Complete);
    EXPECT_EQ(small.Body().size(), 3000u);
}

TEST(HttpBounds, HeaderPastItsBoundFailsAsTooLong) {
    // Header lines that never end, fed in pieces: the bound holds whatever the chunking.
    for (std::size_t piece : {1u, 7u, 4096u, 70000u}) {
        HttpResponseParser p(MAX_HTTP_HEADER, 1000);
        State s = p.Feed("HTTP/1.1 200 OK\r\n");
        const std::string filler(piece, 'a');
        std::size_t fed = 0;
        while (s == State::Header && fed < 2 * MAX_HTTP_HEADER) {
            s = p.Feed(filler);
            fed += piece;
        }
        EXPECT_EQ(s, State::Failed) << piece;
        EXPECT_TRUE(p.HeaderTooLong()) << piece;
        EXPECT_LE(fed, MAX_HTTP_HEADER + piece) << piece;
    }
    // A header that ends exactly at the bound is fine; other failures are not "too long".
    const std::string head = "HTTP/1.1 200 OK\r\nX: ";
    HttpResponseParser fits(MAX_HTTP_HEADER, 1000);
    fits.Feed(head + std::string(MAX_HTTP_HEADER - head.size() - 4, 'a') + "\r\n\r\n");
    EXPECT_EQ(fits.GetState(), State::Body);
    HttpResponseParser junk(MAX_HTTP_HEADER, 1000);
    EXPECT_EQ(junk.Feed("SSH-2.0-OpenSSH\r\n\r\n"), State::Failed);
    EXPECT_FALSE(junk.HeaderTooLong());
}

TEST(HttpBounds, EveryCookieOfTheAnswer) {
    HttpResponseParser p(MAX_HTTP_HEADER, 1000);
    p.Feed("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nX: y\r\nset-cookie: b=2\r\n\r\n");
    EXPECT_EQ(p.Headers("Set-Cookie"), (std::vector<std::string>{"a=1; path=/", "b=2"}));
    EXPECT_TRUE(p.Headers("Location").empty());
}

}  // namespace
}  // namespace orvanta
