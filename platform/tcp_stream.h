#pragma once
// A plain TCP connection with time-outs, for the command line (the window uses Qt's sockets).
// Every call returns within its time-out; nothing here blocks forever on a silent peer.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace orvanta::platform {

class TcpStream {
public:
    virtual ~TcpStream() = default;
    // Sends all of data. False with a reason when the peer is gone or the time-out passed.
    virtual bool Send(std::string_view data, int timeoutMs, std::string& error) = 0;
    // Receives what has arrived, waiting up to timeoutMs for the first byte. Returns the bytes
    // (possibly none on time-out); closed is set when the peer closed the connection, and
    // error when the connection failed.
    virtual std::string Receive(int timeoutMs, bool& closed, std::string& error) = 0;
};

// Connects to host:port (a name or a numeric address). Null with a reason on failure.
std::unique_ptr<TcpStream> ConnectTcp(const std::string& host, int port, int timeoutMs,
                                      std::string& error);

}  // namespace orvanta::platform
