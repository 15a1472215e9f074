#include "app/ui/about_dialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "common/ui/hyperlink_label.h"

namespace orvanta {

std::string AboutVersionText(const std::string& version, bool thirtyTwoBitOnSixtyFourBit) {
    // The edition named is the one running: a 64-bit build is not the "32-bit edition".
    const bool thirtyTwoBit = sizeof(void*) == 4 || thirtyTwoBitOnSixtyFourBit;
    std::string text =
        "Orvanta Version " + version + (thirtyTwoBit ? " (32-bit edition)" : " (64-bit edition)");
    if (thirtyTwoBitOnSixtyFourBit)
        text +=
            "\nYou're on a 64-bit system, you should download and run the 64-bit edition "
            "of Orvanta!";
    return text;
}

bool IsThirtyTwoBitOnSixtyFourBit() {
    if (sizeof(void*) != 4) return false;
    return QSysInfo::currentCpuArchitecture().contains(QLatin1String("64"));
}

AboutDialog::AboutDialog(QWidget* parent, UrlOpener opener)
    : QDialog(parent), opener_(std::move(opener)) {
    if (!opener_) opener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    setWindowTitle(tr("About Orvanta"));

    version_ = new QLabel(
        QString::fromStdString(AboutVersionText(kProgramVersion, IsThirtyTwoBitOnSixtyFourBit())),
        this);
    version_->setObjectName("versionText");
    version_->setTextFormat(Qt::PlainText);

    link_ = new HyperlinkLabel(tr("Click here to visit our website"), this);
    link_->setObjectName("websiteLink");
    connect(link_, &HyperlinkLabel::clicked, this,
            [this] { opener_(QUrl(QString::fromLatin1(kWebsiteUrl))); });

    auto* credits = new QLabel(this);
    credits->setObjectName("credits");
    credits->setWordWrap(true);
    credits->setTextFormat(Qt::PlainText);
    credits->setText(
        tr("Element sets: CelesTrak (celestrak.org), from data of the US Space Force.\n"
           "City list: contains data from GeoNames (geonames.org), CC BY 4.0.\n"
           "Earth images: NASA Earth Observatory (Blue Marble: Next Generation; "
           "Earth's City Lights).\n"
           "Stars: Yale Bright Star Catalogue, 5th revised edition (Hoffleit & Warren, 1991).\n"
           "Radio transmitters: SatNOGS DB, Libre Space Foundation, CC BY-SA 4.0."));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The link is the first widget that takes focus; Enter must still mean OK, not open
    // the browser.
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(version_);
    layout->addWidget(link_);
    layout->addSpacing(8);
    layout->addWidget(credits);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString AboutDialog::VersionText() const {
    return version_->text();
}

}  // namespace orvanta
