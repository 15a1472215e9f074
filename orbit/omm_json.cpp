// OMM documents in JSON: an array of flat objects, one record each.
#include <cctype>
#include <charconv>
#include <cstdint>
#include <string>

#include "orbit/omm_forms.h"

namespace orvanta::omm {

namespace {

// A small reader for the one shape the services send: an array of flat objects (or a
// single object). Nested values are kept as non-scalar so that a record holding one where
// a number belongs is dropped rather than misread.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Read(OmmReadResult& result, RecordSink& sink) {
        SkipWs();
        if (Peek() == '{') {
            if (!Record(sink)) return Fail(result);
        } else if (Peek() == '[') {
            ++i_;
            SkipWs();
            if (Peek() == ']') {
                ++i_;
            } else {
                for (;;) {
                    SkipWs();
                    if (Peek() == '{') {
                        if (!Record(sink)) return Fail(result);
                    } else {
                        // Not a record: skip it and count it.
                        if (!Value(nullptr, 1)) return Fail(result);
                        sink.Refuse("an array entry is not an object");
                    }
                    SkipWs();
                    if (Peek() == ',') { ++i_; continue; }
                    if (Peek() == ']') { ++i_; break; }
                    return Fail(result);
                }
            }
        } else {
            return Fail(result);
        }
        SkipWs();
        if (i_ != s_.size()) Fail(result);
    }

private:
    static constexpr int MAX_DEPTH = 64;

    // One object of the document handed on as a record; false on a syntax error. Only one
    // record's fields are held at a time.
    bool Record(RecordSink& sink) {
        const std::size_t start = i_;
        fields_.clear();
        tooWide_ = false;
        if (!Object(&fields_, 1)) return false;
        if (tooWide_)
            sink.Refuse("more than " + std::to_string(MAX_RECORD_FIELDS) + " fields");
        else if (i_ - start > MAX_RECORD_BYTES)
            sink.Refuse("longer than " + std::to_string(MAX_RECORD_BYTES) + " bytes");
        else
            sink.Take(fields_);
        return true;
    }

    char Peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
    void SkipWs() {
        while (i_ < s_.size() && IsSpace(s_[i_])) ++i_;
    }
    void Fail(OmmReadResult& result) {
        result.documentError = "JSON syntax error at byte " + std::to_string(i_);
    }

    bool Object(OmmFields* fields, int depth) {
        if (depth > MAX_DEPTH || Peek() != '{') return false;
        ++i_;
        SkipWs();
        if (Peek() == '}') { ++i_; return true; }
        for (;;) {
            SkipWs();
            std::string key;
            if (!String(&key)) return false;
            SkipWs();
            if (Peek() != ':') return false;
            ++i_;
            SkipWs();
            OmmValue value;
            if (!Value(fields ? &value : nullptr, depth + 1)) return false;
            if (fields && (fields->size() < MAX_RECORD_FIELDS || fields->count(key)))
                (*fields)[key] = std::move(value);
            else if (fields)
                tooWide_ = true;
            SkipWs();
            if (Peek() == ',') { ++i_; continue; }
            if (Peek() == '}') { ++i_; return true; }
            return false;
        }
    }

    bool Array(int depth) {
        if (depth > MAX_DEPTH || Peek() != '[') return false;
        ++i_;
        SkipWs();
        if (Peek() == ']') { ++i_; return true; }
        for (;;) {
            SkipWs();
            if (!Value(nullptr, depth + 1)) return false;
            SkipWs();
            if (Peek() == ',') { ++i_; continue; }
            if (Peek() == ']') { ++i_; return true; }
            return false;
        }
    }

    bool Value(OmmValue* out, int depth) {
        const char c = Peek();
        if (c == '{') {
            if (out) out->scalar = false;
            return Object(nullptr, depth);
        }
        if (c == '[') {
            if (out) out->scalar = false;
            return Array(depth);
        }
        if (c == '"') return String(out ? &out->text : nullptr);
        for (std::string_view word : {"true", "false", "null"}) {
            if (s_.substr(i_).starts_with(word)) {
                i_ += word.size();
                if (out) {
                    out->text = std::string(word);
                    out->scalar = word == "null";  // null reads as an empty value
                    if (word == "null") out->text.clear();
                }
                return true;
            }
        }
        const std::size_t start = i_;
        while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) ||
                                  s_[i_] == '-' || s_[i_] == '+' || s_[i_] == '.' ||
                                  s_[i_] == 'e' || s_[i_] == 'E'))
            ++i_;
        if (i_ == start) return false;
        if (out) out->text = std::string(s_.substr(start, i_ - start));
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }

    bool String(std::string* out) {
        if (Peek() != '"') return false;
        ++i_;
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '"') return true;
            if (c != '\\') {
                if (out) *out += c;
                continue;
            }
            if (i_ >= s_.size()) return false;
            const char e = s_[i_++];
            char plain = 0;
            switch (e) {
                case '"': plain = '"'; break;
                case '\\': plain = '\\'; break;
                case '/': plain = '/'; break;
                case 'b': plain = '\b'; break;
                case 'f': plain = '\f'; break;
                case 'n': plain = '\n'; break;
                case 'r': plain = '\r'; break;
                case 't': plain = '\t'; break;
                case 'u': {
                    if (i_ + 4 > s_.size()) return false;
                    unsigned code = 0;
                    auto r = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, code, 16);
                    if (r.ptr != s_.data() + i_ + 4) return false;
                    i_ += 4;
                    if (out) AppendUtf8(*out, code);
                    continue;
                }
                default: return false;
            }
            if (out) *out += plain;
        }
        return false;
    }

    std::string_view s_;
    std::size_t i_ = 0;
    OmmFields fields_;
    bool tooWide_ = false;
};

}  // namespace

void ReadJson(std::string_view text, OmmReadResult& result, RecordSink& sink) {
    JsonReader(text).Read(result, sink);
}

}  // namespace orvanta::omm
