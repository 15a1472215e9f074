#include "radio/ui/radio_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "catalogue/pass_finder.h"
#include "common/event_log.h"
#include "common/registry.h"
#include "common/ui/help_window.h"
#include "maintenance/unzip.h"
#include "radio/hamlib_commands.h"

// Qt resources of a static library must be registered by name, outside any namespace.
static void InitRadioResource() { Q_INIT_RESOURCE(radio); }

namespace orvanta {

namespace {

QString Utc(double jd) { return QString::fromStdString(FormatUtcDateTime(jd)) + " UTC"; }

QString Mhz(std::int64_t hz) { return QString::number(hz / 1e6, 'f', 6) + " MHz"; }

// Modes Hamlib rigs understand by these names; the table's others (GMSK, SSTV, ...) are
// modulations carried on one of them, left for the operator to choose.
bool IsRigMode(const std::string& mode) {
    return mode == "FM" || mode == "AM" || mode == "USB" || mode == "LSB" || mode == "CW";
}

}  // namespace

RadioWindow::RadioWindow(RadioWindowContext context, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(std::move(context)) {
    setWindowTitle(QStringLiteral("Radio & Rotator"));
    {
        CRegistry registry;
        if (registry.OpenSettings()) settings_ = LoadRadioSettings(registry);
    }
    InitRadioResource();
    QFile table(QStringLiteral(":/radio/transmitters.gz"));
    if (table.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = table.readAll();
        try {
            builtIn_ = LoadTransmitterTable(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        } catch (const CZipException& e) {
            LogEvent(std::string("The built-in transmitter list could not be read: ") + e.what(),
                     LOG_ERROR);
        }
    }
    for (Device d : {Device::ROTATOR, Device::RADIO}) {
        Link& link = LinkOf(d);
        link.socket = new HamlibSocket(this);
        link.socket->onConnected = [this, d] { OnConnected(d); };
        link.socket->onFailed = [this, d](const QString& reason) { OnFailed(d, reason); };
        link.socket->onReply = [this, d](const HamlibReply& r) { OnReply(d, r); };
    }
    BuildUi();
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, &RadioWindow::Tick);
    timer_.start();
    Tick();
}

RadioWindow::~RadioWindow() { SaveSettings(); }

void RadioWindow::BuildUi() {
    auto* layout = new QVBoxLayout(this);
    satelliteLabel_ = new QLabel(this);
    layout->addWidget(satelliteLabel_);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Transmitter:"), this), 0, 0);
    transmitters_ = new QComboBox(this);
    transmitters_->setMinimumContentsLength(40);
    grid->addWidget(transmitters_, 0, 1, 1, 2);
    auto* own = new QPushButton(QStringLiteral("&Own..."), this);
    grid->addWidget(own, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Offset (Hz):"), this), 1, 0);
    offset_ = new QSpinBox(this);
    offset_->setRange(-1000000, 1000000);
    offset_->setSingleStep(10);
    grid->addWidget(offset_, 1, 1);
    passbandLabel_ = new QLabel(QStringLiteral("Passband (Hz):"), this);
    grid->addWidget(passbandLabel_, 1, 2);
    passband_ = new QSpinBox(this);
    passband_->setObjectName(QStringLiteral("passband"));
    passband_->setSingleStep(100);
    passband_->setToolTip(QStringLiteral(
        "Where to listen in the transponder's downlink band, in Hz above its low edge.\n"
        "The uplink follows; an inverting transponder moves it the other way."));
    grid->addWidget(passband_, 1, 3);

    rotatorAddress_ = new QLineEdit(QString::fromStdString(settings_.rotatorAddress), this);
    radioAddress_ = new QLineEdit(QString::fromStdString(settings_.radioAddress), this);
    rotatorButton_ = new QPushButton(QStringLiteral("Connect"), this);
    radioButton_ = new QPushButton(QStringLiteral("Connect"), this);
    rotator_.status = new QLabel(QStringLiteral("not connected"), this);
    radio_.status = new QLabel(QStringLiteral("not connected"), this);
    rotator_.status->setObjectName(QStringLiteral("rotatorStatus"));
    radio_.status->setObjectName(QStringLiteral("radioStatus"));
    // A status such as the rotator's limits is longer than the column: it wraps rather than
    // being cut, and its tooltip repeats it whole.
    for (QLabel* status : {rotator_.status, radio_.status}) {
        status->setToolTip(status->text());
        status->setWordWrap(true);
        status->setMinimumWidth(160);
        status->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    grid->addWidget(new QLabel(QStringLiteral("Rotator (rotctld):"), this), 2, 0);
    grid->addWidget(rotatorAddress_, 2, 1);
    grid->addWidget(rotatorButton_, 2, 2);
    grid->addWidget(rotator_.status, 2, 3);
    grid->addWidget(new QLabel(QStringLiteral("Radio (rigctld):"), this), 3, 0);
    grid->addWidget(radioAddress_, 3, 1);
    grid->addWidget(radioButton_, 3, 2);
    grid->addWidget(radio_.status, 3, 3);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    lookLabel_ = new QLabel(this);
    dopplerLabel_ = new QLabel(this);
    passLabel_ = new QLabel(this);
    for (QLabel* l : {lookLabel_, dopplerLabel_, passLabel_}) layout->addWidget(l);
    simulatedLabel_ = new QLabel(
        QStringLiteral("Simulated time: nothing is sent to the radio or rotator"), this);
    simulatedLabel_->setObjectName(QStringLiteral("simulatedTime"));
    simulatedLabel_->setStyleSheet(QStringLiteral("QLabel { background: yellow; }"));
    simulatedLabel_->setVisible(false);
    layout->addWidget(simulatedLabel_);
    trackButton_ = new QPushButton(QStringLiteral("&Track"), this);
    trackButton_->setCheckable(true);
    layout->addWidget(trackButton_);

    connect(rotatorButton_, &QPushButton::clicked, this, [this] { ToggleLink(Device::ROTATOR); });
    connect(radioButton_, &QPushButton::clicked, this, [this] { ToggleLink(Device::RADIO); });
    connect(rotatorAddress_, &QLineEdit::editingFinished, this, &RadioWindow::SaveSettings);
    connect(radioAddress_, &QLineEdit::editingFinished, this, &RadioWindow::SaveSettings);
    connect(transmitters_, &QComboBox::currentIndexChanged, this, &RadioWindow::ApplyTransmitter);
    connect(offset_, &QSpinBox::valueChanged, this, [this](int hz) {
        if (!satellite_) return;
        settings_.offsets[satellite_->CatalogueNumber()] = hz;
        ApplyTransmitter();
    });
    connect(passband_, &QSpinBox::valueChanged, this, &RadioWindow::ApplyTransmitter);
    connect(own, &QPushButton::clicked, this, &RadioWindow::AddOwnTransmitter);
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [] { HelpWindow::ShowContext(HELP_RADIO_WINDOW); });
    connect(trackButton_, &QPushButton::toggled, this, [this](bool on) {
        if (on && !tracker_) {
            trackButton_->setChecked(false);
            passLabel_->setText(QStringLiteral("Choose a satellite in the pass list first."));
            return;
        }
        tracking_ = on;
        if (on) {
            tracker_->RotatorNotSent();
            tracker_->RadioNotSent();
            reportedAos_ = 0.0;
            LogEvent("Tracking " + satellite_->Name() + " (" +
                         std::to_string(satellite_->CatalogueNumber()) + ")",
                     LOG_INFORMATION);
            for (Device d : {Device::ROTATOR, Device::RADIO})
                if (LinkOf(d).wanted && !LinkOf(d).socket->IsConnected()) Connect(d);
        } else {
            if (rotator_.socket->IsConnected()) {
                QueueRotatorStop(rotator_.socket->Exchange());
                rotator_.socket->Pump();
            }
            LogEvent("Tracking stopped", LOG_INFORMATION);
        }
        Tick();
    });
}

void RadioWindow::SetStatus(Link& link, const QString& text) {
    link.status->setText(text);
    link.status->setToolTip(text);
    // A wrapped status needs more height than the window had; a window never grows by itself
    // for that.
    if (QLayout* l = layout(); l && l->hasHeightForWidth()) {
        l->activate();
        const int h = l->totalHeightForWidth(width());
        if (h > height()) resize(width(), h);
    }
}

void RadioWindow::SetRealTime(bool realTime) {
    if (realTime == realTime_) return;
    realTime_ = realTime;
    simulatedLabel_->setVisible(!realTime);
}

QString RadioWindow::StatusText() const {
    return rotator_.status->text() + QStringLiteral(" | ") + radio_.status->text() +
           QStringLiteral(" | ") + passLabel_->text();
}

void RadioWindow::ToggleLink(Device device) {
    Link& link = LinkOf(device);
    QPushButton* button = device == Device::ROTATOR ? rotatorButton_ : radioButton_;
    if (link.wanted) {
        link.wanted = false;
        link.socket->Disconnect();
        SetStatus(link, QStringLiteral("not connected"));
        button->setText(QStringLiteral("Connect"));
        LogEvent(Name(device).toStdString() + " disconnected", LOG_INFORMATION);
        return;
    }
    link.wanted = true;
    button->setText(QStringLiteral("Disconnect"));
    SaveSettings();
    Connect(device);
}

void RadioWindow::Connect(Device device) {
    Link& link = LinkOf(device);
    const std::string address =
        (device == Device::ROTATOR ? rotatorAddress_ : radioAddress_)->text().trimmed().toStdString();
    std::string host;
    int port = 0;
    if (!ParseHostPort(address, host, port)) {
        SetStatus(link, QStringLiteral("address must be HOST:PORT"));
        return;
    }
    SetStatus(link, QStringLiteral("connecting..."));
    link.socket->ConnectTo(QString::fromStdString(host), static_cast<quint16>(port));
}

void RadioWindow::OnConnected(Device device) {
    Link& link = LinkOf(device);
    const QString address = (device == Device::ROTATOR ? rotatorAddress_ : radioAddress_)->text();
    SetStatus(link, QStringLiteral("connected"));
    link.failureReported = false;
    LogEvent(Name(device).toStdString() + " connected at " + address.toStdString(), LOG_SUCCESS);
    HamlibExchange& x = link.socket->Exchange();
    if (device == Device::ROTATOR) {
        QueueRotatorLimits(x);
        if (tracker_) tracker_->RotatorNotSent();
    } else if (tracker_ && realTime_) {
        if (tracker_->Settings().uplinkHz > 0.0) QueueRadioSplit(x);
        const int i = transmitters_->currentIndex();
        if (i >= 0 && satellite_) {
            const auto list = TransmittersOf(satellite_->CatalogueNumber(), builtIn_,
                                             settings_.userTransmitters);
            if (i < static_cast<int>(list.size()) && IsRigMode(list[i].mode))
                QueueRadioMode(x, list[i].mode);
        }
        tracker_->RadioNotSent();
    }
    link.socket->Pump();
}

void RadioWindow::OnFailed(Device device, const QString& reason) {
    Link& link = LinkOf(device);
    const bool reported = link.failureReported;
    link.failureReported = true;
    SetStatus(link, QStringLiteral("failed: ") + reason);
    link.secondsToRetry = RECONNECT_SECONDS;
    if (tracker_) {
        if (device == Device::ROTATOR) tracker_->RotatorNotSent();
        else tracker_->RadioNotSent();
    }
    if (!reported)
        LogEvent(Name(device).toStdString() + " at " +
                     (device == Device::ROTATOR ? rotatorAddress_ : radioAddress_)
                         ->text()
                         .toStdString() +
                     ": " + reason.toStdString() + "; trying again every 10 s while tracking",
                 LOG_WARNING);
}

void RadioWindow::OnReply(Device device, const HamlibReply& reply) {
    if (reply.command == "\\dump_state") {
        if (const auto limits = reply.ok ? ParseRotatorLimits(reply.values) : std::nullopt) {
            if (tracker_) tracker_->SetLimits(*limits);
            SetStatus(LinkOf(device), 
                QStringLiteral("connected, azimuth %1..%2, elevation %3..%4")
                    .arg(limits->azMin)
                    .arg(limits->azMax)
                    .arg(limits->elMin)
                    .arg(limits->elMax));
        }
        return;
    }
    if (reply.ok || reply.code == HamlibExchange::BROKEN) return;
    LogEvent(Name(device).toStdString() + " refused '" + reply.command +
                 "': " + HamlibErrorText(reply.code),
             LOG_ERROR);
    if (!tracker_) return;
    if (device == Device::ROTATOR && reply.command.starts_with("P ")) tracker_->RotatorNotSent();
    if (device == Device::RADIO && (reply.command.starts_with("F ") || reply.command.starts_with("I ")))
        tracker_->RadioNotSent();
}

void RadioWindow::SetSatellite(const cElementSet& elements) {
    satellite_ = elements;
    TrackerSettings t;
    t.rotatorThresholdDeg = settings_.rotatorThresholdDeg;
    t.radioThresholdHz = settings_.radioThresholdHz;
    t.parkAfterLos = settings_.parkAfterLos;
    t.parkAz = settings_.parkAz;
    t.parkEl = settings_.parkEl;
    tracker_ = std::make_unique<SatelliteTracker>(elements, context_.observer(), t);
    satelliteLabel_->setText(QStringLiteral("Satellite: %1 (%2)")
                                 .arg(QString::fromStdString(elements.Name()).trimmed())
                                 .arg(elements.CatalogueNumber()));
    const auto offset = settings_.offsets.find(elements.CatalogueNumber());
    {
        const QSignalBlocker block(offset_);
        offset_->setValue(offset == settings_.offsets.end() ? 0 : static_cast<int>(offset->second));
    }
    FillTransmitters();
}

void RadioWindow::FillTransmitters() {
    const QSignalBlocker block(transmitters_);
    transmitters_->clear();
    if (!satellite_) return;
    for (const Transmitter& t :
         TransmittersOf(satellite_->CatalogueNumber(), builtIn_, settings_.userTransmitters))
        transmitters_->addItem(QString::fromStdString(TransmitterLabel(t)));
    if (transmitters_->count() == 0)
        transmitters_->addItem(QStringLiteral("(no known transmitter: add your own)"));
    transmitters_->setCurrentIndex(0);
    ApplyTransmitter();
}

void RadioWindow::ApplyTransmitter() {
    if (!tracker_ || !satellite_) return;
    const auto list =
        TransmittersOf(satellite_->CatalogueNumber(), builtIn_, settings_.userTransmitters);
    const int i = transmitters_->currentIndex();
    const double offset = offset_->value();
    const Transmitter* t = i >= 0 && i < static_cast<int>(list.size()) ? &list[i] : nullptr;
    // A transponder is tuned within its band, starting at the middle of a newly chosen one.
    const bool band = t && t->IsTransponder();
    const int width = band ? static_cast<int>(std::min<std::int64_t>(
                                 t->downlinkHighHz - t->downlinkHz, 100'000'000))
                           : 0;
    if (passband_->maximum() != width || !passband_->isEnabled() != !band) {
        const QSignalBlocker block(passband_);
        passband_->setRange(0, width);
        passband_->setValue(width / 2);
        passband_->setEnabled(band);
        passbandLabel_->setEnabled(band);
    }
    if (!t) {
        tracker_->SetFrequencies(0.0, 0.0, 0.0);
        return;
    }
    const std::int64_t down = t->downlinkHz + (band ? passband_->value() : 0);
    tracker_->SetFrequencies(static_cast<double>(down),
                             static_cast<double>(TransponderUplinkHz(*t, down)), offset);
}

void RadioWindow::AddOwnTransmitter() {
    if (!satellite_) return;
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Own transmitter"));
    auto* form = new QFormLayout(&dialog);
    auto* down = new QLineEdit(&dialog);
    auto* up = new QLineEdit(&dialog);
    auto* mode = new QLineEdit(QStringLiteral("FM"), &dialog);
    auto* text = new QLineEdit(&dialog);
    form->addRow(QStringLiteral("Downlink (Hz):"), down);
    form->addRow(QStringLiteral("Uplink (Hz, empty for none):"), up);
    form->addRow(QStringLiteral("Mode:"), mode);
    form->addRow(QStringLiteral("Description:"), text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return;
    bool okDown = false, okUp = true;
    const qlonglong d = down->text().trimmed().toLongLong(&okDown);
    const qlonglong u = up->text().trimmed().isEmpty() ? 0 : up->text().trimmed().toLongLong(&okUp);
    Transmitter t{satellite_->CatalogueNumber(), text->text().toStdString(), okDown ? d : 0,
                  okUp ? u : 0, mode->text().trimmed().toStdString(), true};
    // The stored form checks what it keeps: only a plausible entry survives the round trip.
    const auto checked = ParseUserTransmitters(FormatUserTransmitters({t}));
    if (checked.empty()) {
        passLabel_->setText(QStringLiteral("Not added: give the frequencies in Hz, e.g. 437800000."));
        return;
    }
    settings_.userTransmitters.push_back(checked.front());
    SaveSettings();
    FillTransmitters();
}

void RadioWindow::OnCatalogueReplaced(
    const std::function<std::optional<cElementSet>(int)>& byNumber) {
    if (!satellite_) return;
    if (const auto renewed = byNumber(satellite_->CatalogueNumber())) SetSatellite(*renewed);
}

void RadioWindow::SaveSettings() {
    settings_.rotatorAddress = rotatorAddress_->text().trimmed().toStdString();
    settings_.radioAddress = radioAddress_->text().trimmed().toStdString();
    CRegistry registry;
    if (registry.OpenSettings()) SaveRadioSettings(registry, settings_);
}

void RadioWindow::Tick() {
    if (!tracking_ && context_.selectedSatellite) {
        const auto chosen = context_.selectedSatellite();
        if (chosen && (!satellite_ || chosen->CatalogueNumber() != satellite_->CatalogueNumber()))
            SetSatellite(*chosen);
    }
    if (!tracker_) {
        satelliteLabel_->setText(QStringLiteral("Satellite: choose one in the pass list"));
        return;
    }
    const TrackStep step = tracker_->Step(context_.now());
    if (!step.computed) {
        lookLabel_->setText(QStringLiteral("The orbit cannot be computed at this time."));
        return;
    }
    lookLabel_->setText(QStringLiteral("Azimuth %1°   Elevation %2°   Range %3 km   Range rate %4 km/s")
                            .arg(step.look.az, 0, 'f', 1)
                            .arg(step.look.el, 0, 'f', 1)
                            .arg(step.rangeKm, 0, 'f', 0)
                            .arg(step.rangeRateKmS, 0, 'f', 3));
    const TrackerSettings& ts = tracker_->Settings();
    QString doppler;
    if (ts.downlinkHz > 0)
        doppler += QStringLiteral("Downlink %1 (Doppler %2 Hz)")
                       .arg(Mhz(std::llround(DopplerDownlink(ts.downlinkHz + ts.offsetHz,
                                                             step.rangeRateKmS))))
                       .arg(std::llround(DopplerDownlink(ts.downlinkHz, step.rangeRateKmS) -
                                         ts.downlinkHz));
    if (ts.uplinkHz > 0)
        doppler += QStringLiteral("   Uplink %1").arg(
            Mhz(std::llround(DopplerUplink(ts.uplinkHz, step.rangeRateKmS))));
    dopplerLabel_->setText(doppler);
    if (tracker_->Aos() != 0.0)
        passLabel_->setText(QStringLiteral("%1: AOS %2, LOS %3, rotator %4%5")
                                .arg(QString::fromUtf8(TrackPhaseName(step.phase)))
                                .arg(Utc(tracker_->Aos()))
                                .arg(Utc(tracker_->Los()))
                                .arg(QString::fromStdString(RotatorModeName(tracker_->Plan().mode)))
                                .arg(tracker_->Plan().fits ? QString()
                                                           : QStringLiteral(" (does not fit its range)")));
    else
        passLabel_->setText(QStringLiteral("No pass within the next days."));

    if (!tracking_) return;
    if (tracker_->Aos() != 0.0 && tracker_->Aos() != reportedAos_) {
        reportedAos_ = tracker_->Aos();
        LogEvent("Next pass of " + satellite_->Name() + ": AOS " + FormatUtcDateTime(tracker_->Aos()) +
                     " UTC, rotator " + RotatorModeName(tracker_->Plan().mode),
                 LOG_INFORMATION);
    }
    for (Device d : {Device::ROTATOR, Device::RADIO}) {
        Link& link = LinkOf(d);
        if (link.wanted && !link.socket->IsConnected() && !link.socket->IsConnecting() &&
            --link.secondsToRetry <= 0)
            Connect(d);
    }
    if (!realTime_) {
        // Sent afresh once the time is real again.
        tracker_->RotatorNotSent();
        tracker_->RadioNotSent();
        return;
    }
    // A slow rotator still busy with the last command gets the newest one next second,
    // rather than a queue of stale ones.
    auto busy = [](HamlibSocket* socket) {
        return socket->Exchange().AwaitingReply() || socket->Exchange().Queued() > 0;
    };
    if (step.sendRotator && step.rotator) {
        if (rotator_.socket->IsConnected() && !busy(rotator_.socket)) {
            QueueRotatorPosition(rotator_.socket->Exchange(), *step.rotator);
            rotator_.socket->Pump();
        } else {
            tracker_->RotatorNotSent();
        }
    }
    if (step.sendRadio) {
        if (radio_.socket->IsConnected() && !busy(radio_.socket)) {
            QueueRadioFrequencies(radio_.socket->Exchange(), step.downlinkHz, step.uplinkHz);
            radio_.socket->Pump();
        } else {
            tracker_->RadioNotSent();
        }
    }
}

}  // namespace orvanta
