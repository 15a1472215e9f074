#pragma once
// The text protocol of Hamlib's network daemons (rotctld, rigctld) as a byte exchange:
// commands go out one at a time as lines, reply bytes come in as they arrive, in chunks of any
// size, and complete replies come out. No sockets here: the window drives it with a Qt socket,
// the command line with a plain one, and tests with strings.
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

// How a command's reply ends.
enum class HamlibReplyShape {
    STATUS,     // set commands: one line "RPRT n"
    VALUES,     // get commands: a fixed number of value lines, or "RPRT n" on failure
    UNTIL_DONE  // \dump_state: lines up to one that reads "done"
};

struct HamlibReply {
    std::string command;              // the line sent, without its line end
    bool ok = false;                  // RPRT 0, or all value lines arrived
    int code = 0;                     // the RPRT code; -1000 for a broken or timed-out exchange
    std::vector<std::string> values;  // value lines, line ends removed
};

class HamlibExchange {
public:
    static constexpr int BROKEN = -1000;
    // Longest reply line accepted; a daemon sending more is not speaking this protocol.
    static constexpr std::size_t MAX_LINE = 1024;
    // A reply longer than this fails with TOO_LONG: the longest real one, \dump_state, is a
    // few dozen short lines.
    static constexpr int TOO_LONG = -1001;
    static constexpr std::size_t MAX_REPLY_LINES = 256;
    static constexpr std::size_t MAX_REPLY_BYTES = 64 * 1024;

    // Queues a command line (no line end). valueLines counts the lines of a VALUES reply.
    void Queue(std::string command, HamlibReplyShape shape, int valueLines = 0);
    // The bytes to send now: the next command's line when no reply is awaited, else nothing.
    std::string TakeOutgoing();
    // Reply bytes as they arrive.
    void Feed(std::string_view bytes);
    // Replies completed so far, oldest first.
    std::vector<HamlibReply> TakeReplies();
    // The connection closed or the reply did not come in time: the awaited command fails with
    // BROKEN, the queued ones are dropped (the caller decides what to send after reconnecting).
    void Reset();

    bool AwaitingReply() const { return awaiting; }
    std::size_t Queued() const { return queue.size(); }

private:
    struct Pending {
        std::string command;
        HamlibReplyShape shape;
        int valueLines;
    };
    void OnLine(std::string line);
    void Complete(bool ok, int code);

    std::deque<Pending> queue;
    bool awaiting = false;
    Pending current{};
    std::vector<std::string> values;
    std::size_t replyLines = 0;  // lines of the awaited reply so far, kept or not
    std::size_t replyBytes = 0;
    std::string partial;
    std::vector<HamlibReply> done;
};

// "RPRT -5" -> -5; false when the line is not a status line.
bool ParseHamlibStatus(std::string_view line, int& code);

}  // namespace orvanta
