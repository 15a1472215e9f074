#include "radio/hamlib_exchange.h"

#include <charconv>

namespace orvanta {

bool ParseHamlibStatus(std::string_view line, int& code) {
    if (!line.starts_with("RPRT ")) return false;
    line.remove_prefix(5);
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), code);
    return error == std::errc() && end == line.data() + line.size();
}

void HamlibExchange::Queue(std::string command, HamlibReplyShape shape, int valueLines) {
    queue.push_back({std::move(command), shape, valueLines});
}

std::string HamlibExchange::TakeOutgoing() {
    if (awaiting || queue.empty()) return {};
    current = std::move(queue.front());
    queue.pop_front();
    awaiting = true;
    values.clear();
    replyLines = replyBytes = 0;
    return current.command + "\n";
}

void HamlibExchange::Feed(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\n') {
            if (!partial.empty() && partial.back() == '\r') partial.pop_back();
            OnLine(std::move(partial));
            partial.clear();
        } else if (partial.size() < MAX_LINE) {
            partial.push_back(c);
        } else if (awaiting) {
            // An endless line: whatever answers is not a Hamlib daemon.
            partial.clear();
            Complete(false, BROKEN);
        }
    }
}

void HamlibExchange::OnLine(std::string line) {
    if (!awaiting) return;  // a late answer to a command given up on
    int code = 0;
    if (ParseHamlibStatus(line, code)) {
        // A status ends any command; for a get command it can only report a failure.
        Complete(code == 0 && current.shape == HamlibReplyShape::STATUS, code);
        return;
    }
    replyBytes += line.size() + 1;
    if (++replyLines > MAX_REPLY_LINES || replyBytes > MAX_REPLY_BYTES) {
        Complete(false, TOO_LONG);
        return;
    }
    switch (current.shape) {
    case HamlibReplyShape::STATUS:
        // Some daemons echo a value before the status; keep it.
        values.push_back(std::move(line));
        break;
    case HamlibReplyShape::VALUES:
        values.push_back(std::move(line));
        if (static_cast<int>(values.size()) >= current.valueLines) Complete(true, 0);
        break;
    case HamlibReplyShape::UNTIL_DONE:
        if (line == "done")
            Complete(true, 0);
        else
            values.push_back(std::move(line));
        break;
    }
}

void HamlibExchange::Complete(bool ok, int code) {
    done.push_back({current.command, ok, code, std::move(values)});
    values.clear();
    awaiting = false;
}

std::vector<HamlibReply> HamlibExchange::TakeReplies() {
    std::vector<HamlibReply> out;
    out.swap(done);
    return out;
}

void HamlibExchange::Reset() {
    if (awaiting) Complete(false, BROKEN);
    queue.clear();
    partial.clear();
}

}  // namespace orvanta
