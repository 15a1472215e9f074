#include "hostmon/ui/host_settings_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QVBoxLayout>

#include "common/prompt.h"
#include "common/ui/colour_chooser_dialog.h"
#include "common/ui/help_window.h"
#include "hostmon/host_statistics.h"
#include "hostmon/ui/host_drawing.h"
#include "hostmon/ui/host_monitor_panel.h"
#include "hostmon/ui/host_tile.h"

namespace orvanta {
namespace {

std::uint32_t& ColourOf(PingParameters& p, int which) {
    return which == 0 ? p.okColour : which == 1 ? p.warningColour : p.failureColour;
}
float& LimitOf(PingParameters& p, int which) {
    return which == 0 ? p.okLimit : which == 1 ? p.warningLimit : p.failureLimit;
}

}  // namespace

HostSettingsDialog::HostSettingsDialog(QWidget* mainWindow, HostMonitorPanel& panel)
    : QDialog(mainWindow), panel_(panel) {
    setWindowTitle(QStringLiteral("Settings"));
    setObjectName(QStringLiteral("hostSettings"));

    hostList = new QListWidget;
    hostList->setObjectName(QStringLiteral("hostList"));
    address = new QLineEdit;
    address->setObjectName(QStringLiteral("address"));
    address->setMaxLength(static_cast<int>(HostRecord::kAddressChars));
    tag = new QLineEdit;
    tag->setObjectName(QStringLiteral("tag"));
    tag->setMaxLength(static_cast<int>(HostRecord::kTagChars));
    editButton = new QPushButton(QStringLiteral("&Edit"));
    addButton = new QPushButton(QStringLiteral("&Add / Update"));
    deleteButton = new QPushButton(QStringLiteral("&Delete"));
    testButton = new QPushButton(QStringLiteral("&Test..."));

    auto* hostsBox = new QGroupBox(QStringLiteral("Hosts"));
    auto* hostsLayout = new QGridLayout(hostsBox);
    hostsLayout->addWidget(hostList, 0, 0, 4, 2);
    hostsLayout->addWidget(editButton, 0, 2);
    hostsLayout->addWidget(deleteButton, 1, 2);
    auto* addressLabel = new QLabel(QStringLiteral("Hostname/IP &address:"));
    addressLabel->setBuddy(address);
    auto* tagLabel = new QLabel(QStringLiteral("Display t&ag:"));
    tagLabel->setBuddy(tag);
    hostsLayout->addWidget(addressLabel, 4, 0);
    hostsLayout->addWidget(address, 4, 1);
    hostsLayout->addWidget(addButton, 4, 2);
    hostsLayout->addWidget(tagLabel, 5, 0);
    hostsLayout->addWidget(tag, 5, 1);
    hostsLayout->addWidget(testButton, 5, 2);

    static const char* kLimitNames[3] = {
        "Ping OK limit (%):", "Ping Warning limit (%):", "Ping Failure limit (%):"};
    static const char* kColourTexts[3] = {"&Color...", "C&olor...", "Co&lor..."};
    auto* limitsBox = new QGroupBox(QStringLiteral("Limits"));
    auto* limitsLayout = new QGridLayout(limitsBox);
    for (int i = 0; i < 3; ++i) {
        limits[i] = new QLineEdit;
        limits[i]->setObjectName(QStringLiteral("limit%1").arg(i));
        limits[i]->setMaxLength(6);
        limits[i]->setText(
            QString::asprintf("%0.2f", static_cast<double>(LimitOf(panel_.Parameters(), i))));
        colourButtons[i] = new QPushButton(QString::fromLatin1(kColourTexts[i]));
        limitsLayout->addWidget(new QLabel(QString::fromLatin1(kLimitNames[i])), i, 0);
        limitsLayout->addWidget(limits[i], i, 1);
        limitsLayout->addWidget(colourButtons[i], i, 2);
        connect(colourButtons[i], &QPushButton::clicked, this, [this, i] { PickColour(i); });
    }
    // The interval is fixed at 15 s; the slider only shows it.
    interval = new QSlider(Qt::Horizontal);
    interval->setRange(15, 15);
    interval->setEnabled(false);
    intervalValue = new QLabel;
    intervalValue->setMinimumWidth(intervalValue->fontMetrics().horizontalAdvance(
        QStringLiteral("000 s")));
    auto showInterval = [this](int seconds) {
        intervalValue->setText(QStringLiteral("%1 s").arg(seconds));
    };
    showInterval(interval->value());
    connect(interval, &QSlider::valueChanged, this, showInterval);
    limitsLayout->addWidget(new QLabel(QStringLiteral("Ping interval")), 3, 0);
    limitsLayout->addWidget(interval, 3, 1);
    limitsLayout->addWidget(intervalValue, 3, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &HostSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hostsBox);
    layout->addWidget(limitsBox);
    layout->addWidget(buttons);

    connect(editButton, &QPushButton::clicked, this, &HostSettingsDialog::EditSelected);
    connect(addButton, &QPushButton::clicked, this, &HostSettingsDialog::AddOrUpdate);
    connect(deleteButton, &QPushButton::clicked, this, &HostSettingsDialog::DeleteSelected);
    connect(testButton, &QPushButton::clicked, this, &HostSettingsDialog::TestPing);
    FillList();
    PaintLimits();
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [] { HelpWindow::ShowContext(HELP_HOST_MONITOR); });

    // Beside the main window's left edge, 150 pixels below its top.
    if (mainWindow) {
        const QRect g =
            mainWindow->isMaximized() ? mainWindow->normalGeometry() : mainWindow->frameGeometry();
        move(g.left(), g.top() + 150);
    }
}

HostSettingsDialog::~HostSettingsDialog() {
    JoinTest();
}

void HostSettingsDialog::FillList() {
    hostList->clear();
    for (std::size_t i = 0; i < panel_.Monitor().Count(); ++i)
        hostList->addItem(QString::fromStdString(HostListLine(panel_.Monitor().Snapshot(i))));
}

void HostSettingsDialog::PaintLimits() {
    for (int i = 0; i < 3; ++i) {
        QPalette p = limits[i]->palette();
        p.setColor(QPalette::Base, ColourFromRef(ColourOf(panel_.Parameters(), i)));
        p.setColor(QPalette::Text, Qt::black);
        limits[i]->setPalette(p);
    }
}

void HostSettingsDialog::EditSelected() {
    const int row = hostList->currentRow();
    if (row < 0) return;
    const HostRecord h = panel_.Monitor().Snapshot(static_cast<std::size_t>(row));
    address->setText(QString::fromStdString(h.address));
    tag->setText(QString::fromStdString(h.tag));
    editIndex_ = row;
}

void HostSettingsDialog::AddOrUpdate() {
    const std::string a = address->text().toStdString(), t = tag->text().toStdString();
    if (a.empty() || t.empty()) {
        panel_.Prompt().Tell("Error",
                             "Both Hostname/IP address as well as a display tag must be given!",
                             PromptIcon::Error);
        return;
    }
    if (editIndex_ < 0 || editIndex_ >= static_cast<int>(panel_.Monitor().Count())) {
        panel_.AddHost(a, t);
    } else {
        panel_.UpdateHost(editIndex_, a, t);
        editIndex_ = -1;
    }
    FillList();
}

void HostSettingsDialog::DeleteSelected() {
    const int row = hostList->currentRow();
    if (row < 0) return;
    // The remembered index would point at another host now.
    if (editIndex_ == row)
        editIndex_ = -1;
    else if (editIndex_ > row)
        --editIndex_;
    panel_.DeleteHost(row);
    FillList();
}

void HostSettingsDialog::PickColour(int which) {
    std::uint32_t& colour = ColourOf(panel_.Parameters(), which);
    const QColor initial = ColourFromRef(colour);
    const auto& choose = panel_.Environment().chooseColour;
    const QColor chosen = choose ? choose(this, initial) : ChooseColour(this, initial);
    colour = RefFromColour(chosen);
    panel_.ColoursChanged();
    PaintLimits();
}

void HostSettingsDialog::TestPing() {
    if (TestRunning()) return;
    const std::string a = address->text().toStdString();
    if (a.empty()) {
        panel_.Prompt().Tell("Error", "You must enter a Hostname or IP address!",
                             PromptIcon::Error);
        address->setFocus();
        return;
    }
    // The ping waits up to 5 s: a worker keeps the window responsive meanwhile.
    testButton->setEnabled(false);
    const auto ping = panel_.Environment().testPing;
    const auto reverse = panel_.Environment().hooks.reverseLookup;
    testThread_ = std::make_unique<std::thread>([this, a, ping, reverse] {
        PingOutcome o;
        if (ping) {
            o = ping(a);
        } else {
            PingRequest r;
            r.host = a;
            o = PingHost(r);
        }
        std::string name;
        if (o.code == PING_SUCCESS)
            name = reverse ? reverse(o.address) : platform::ReverseLookup(o.address);
        QMetaObject::invokeMethod(
            this, [this, o, name] { ShowTestResult(o, name); }, Qt::QueuedConnection);
    });
}

void HostSettingsDialog::ShowTestResult(const PingOutcome& o, const std::string& reverse) {
    JoinTest();
    testButton->setEnabled(true);
    if (o.code == PING_SUCCESS) {
        panel_.Prompt().Tell("Ping reply",
                             TestPingReplyText(FormatIpv4(o.address), reverse, o.rttMs),
                             PromptIcon::Information);
    } else {
        if (o.code == PING_SOCKET_FAILED) ReportSocketFailureOnce(o.socketError);
        panel_.Prompt().Tell("Ping error", "Failed in call to ping, " + PingErrorText(o.code),
                             PromptIcon::Warning);
    }
    emit testFinished();
}

void HostSettingsDialog::JoinTest() {
    if (testThread_) {
        testThread_->join();
        testThread_.reset();
    }
}

void HostSettingsDialog::accept() {
    static const char* kNotNumeric[3] = {"Ping OK limit is not numerical!",
                                         "Ping Warning limit is not numerical!",
                                         "Ping Failure limit is not numerical!"};
    float values[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = limits[i]->text().trimmed().toFloat(&ok);
        if (!ok) {
            panel_.Prompt().Tell("Error", kNotNumeric[i], PromptIcon::Error);
            return;
        }
    }
    for (int i = 0; i < 3; ++i) LimitOf(panel_.Parameters(), i) = values[i];
    for (HostTile* t : panel_.Tiles()) t->update();
    QDialog::accept();
}

}  // namespace orvanta
