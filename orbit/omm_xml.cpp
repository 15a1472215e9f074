// OMM documents in CCSDS XML (NDM/XML): one record for each segment.
#include <algorithm>
#include <string>
#include <utility>

#include "orbit/omm_forms.h"

namespace orvanta::omm {

namespace {

std::string XmlUnescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        static const std::pair<std::string_view, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        bool done = false;
        for (auto [entity, plain] : kEntities) {
            if (s.substr(i).starts_with(entity)) {
                out += plain;
                i += entity.size() - 1;
                done = true;
                break;
            }
        }
        if (!done) out += '&';
    }
    return out;
}

}  // namespace

// Each <segment> of a CCSDS OMM (one per message) is one record; its leaf elements
// (<NAME>text</NAME>) are the fields, wherever they stand inside it. A segment left open ends
// where the next one starts.
void ReadXml(std::string_view text, RecordSink& sink) {
    std::size_t pos = 0;
    std::size_t nextClose = 0;  // the first "</segment>" not yet passed, once known
    bool closeKnown = false;
    for (;;) {
        std::size_t open = text.find("<segment", pos);
        if (open == std::string_view::npos) break;
        // Searched again only once passed, so a run of unclosed segments stays linear.
        if (!closeKnown || (nextClose != std::string_view::npos && nextClose < open)) {
            nextClose = text.find("</segment>", open);
            closeKnown = true;
        }
        std::size_t close = std::min(nextClose, text.find("<segment", open + 1));
        if (close == std::string_view::npos) close = text.size();
        std::string_view seg = text.substr(open, close - open);
        pos = close;
        if (seg.size() > MAX_RECORD_BYTES) {
            sink.Refuse("longer than " + std::to_string(MAX_RECORD_BYTES) + " bytes");
            continue;
        }
        OmmFields f;
        bool tooWide = false;
        std::size_t i = 0;
        while ((i = seg.find('<', i)) != std::string_view::npos) {
            std::size_t nameEnd = seg.find_first_of(" \t\r\n/>", i + 1);
            if (nameEnd == std::string_view::npos) break;
            std::size_t tagEnd = seg.find('>', nameEnd);
            if (tagEnd == std::string_view::npos) break;
            std::string_view name = seg.substr(i + 1, nameEnd - i - 1);
            if (name.empty() || name[0] == '/' || name[0] == '?' || name[0] == '!' ||
                seg[tagEnd - 1] == '/') {
                i = tagEnd + 1;
                continue;
            }
            std::size_t textEnd = seg.find('<', tagEnd + 1);
            if (textEnd == std::string_view::npos) break;
            std::string endTag = "</" + std::string(name) + ">";
            if (seg.substr(textEnd).starts_with(endTag)) {
                std::string key(name);
                if (f.size() < MAX_RECORD_FIELDS || f.count(key))
                    f[key] = OmmValue{
                        XmlUnescape(Trim(seg.substr(tagEnd + 1, textEnd - tagEnd - 1))), true};
                else
                    tooWide = true;
            }
            i = tagEnd + 1;
        }
        if (tooWide)
            sink.Refuse("more than " + std::to_string(MAX_RECORD_FIELDS) + " fields");
        else
            sink.Take(f);
    }
}

}  // namespace orvanta::omm
