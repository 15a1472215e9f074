#pragma once
// The About box: version line, a link to the web site, and the credits of the data the
// program is built with.
#include <QDialog>
#include <QString>
#include <QUrl>
#include <functional>
#include <string>

#include "common/version.h"

class QLabel;

namespace orvanta {

class HyperlinkLabel;

inline constexpr char kWebsiteUrl[] = "https://orvanta.example.org/";

// The version line; a 32-bit process on a 64-bit system is told about the 64-bit edition.
std::string AboutVersionText(const std::string& version, bool thirtyTwoBitOnSixtyFourBit);
// Whether this process is a 32-bit build running on a 64-bit processor.
bool IsThirtyTwoBitOnSixtyFourBit();

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    using UrlOpener = std::function<void(const QUrl&)>;

    // opener: how the link is opened; by default the desktop's browser.
    explicit AboutDialog(QWidget* parent = nullptr, UrlOpener opener = {});

    QString VersionText() const;
    HyperlinkLabel* WebsiteLink() const { return link_; }

private:
    UrlOpener opener_;
    HyperlinkLabel* link_ = nullptr;
    QLabel* version_ = nullptr;
};

}  // namespace orvanta
