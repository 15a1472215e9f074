#include "location/ui/gps_receiver.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QSerialPortInfo>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "common/prompt.h"
#include "location/serial_port_name.h"
#include "location/ui/serial_port.h"

namespace orvanta {

namespace {

std::string Format(const char* format, const std::string& text) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, text.c_str());
    return buf;
}

}  // namespace

namespace {

std::function<std::vector<SerialPortEntry>()>& PortSource() {
    static std::function<std::vector<SerialPortEntry>()> source;
    return source;
}

void SortPorts(std::vector<SerialPortEntry>& ports) {
    // QCollator's numeric mode does nothing in the C locale, so the order is our own.
    std::stable_sort(ports.begin(), ports.end(),
                     [](const SerialPortEntry& a, const SerialPortEntry& b) {
                         return PortNameLess(a.name.toStdString(), b.name.toStdString());
                     });
}

}  // namespace

std::vector<SerialPortEntry> RealSerialPorts() {
    std::vector<SerialPortEntry> ports;
    if (PortSource()) {
        ports = PortSource()();
    } else {
        for (const auto& info : QSerialPortInfo::availablePorts())
            ports.push_back({info.portName(), info.systemLocation()});
        if (kNativePortNaming == PortNaming::Posix) {
            // USB receivers the system's list may miss (no udev in a container, say).
            const QDir dev(QStringLiteral("/dev"));
            for (const QString& name :
                 dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                               QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
                const QString path = dev.filePath(name);
                auto same = [&](const SerialPortEntry& p) { return p.systemLocation == path; };
                if (std::none_of(ports.begin(), ports.end(), same)) ports.push_back({name, path});
            }
        }
    }
    SortPorts(ports);
    return ports;
}

void SetSerialPortSource(std::function<std::vector<SerialPortEntry>()> source) {
    PortSource() = std::move(source);
}

std::string GpsPortDevice(const std::string& portSetting) {
    std::vector<std::string> locations;
    for (const auto& p : RealSerialPorts()) locations.push_back(p.systemLocation.toStdString());
    return ResolvePortDevice(portSetting, locations);
}

void EnumerateSerialPorts(QComboBox* list, const std::string& currentPort) {
    FillSerialPortList(list, RealSerialPorts(), currentPort);
}

void FillSerialPortList(QComboBox* list, std::vector<SerialPortEntry> ports,
                        const std::string& currentPort) {
    SortPorts(ports);
    std::vector<std::string> locations;
    for (const auto& p : ports) locations.push_back(p.systemLocation.toStdString());
    const std::string device = ResolvePortDevice(currentPort, locations);
    int selected = -1;
    for (const auto& port : ports) {
        list->addItem(port.name);
        if (selected >= 0) continue;
        const std::string location = port.systemLocation.toStdString();
        if ((!device.empty() && location == device) ||
            PortMatchesSetting(port.name.toStdString(), location, currentPort))
            selected = list->count() - 1;
    }
    // A combo box selects its first item by itself; a port the setting does not name must
    // not look chosen.
    list->setCurrentIndex(selected);
}

CaptureResult CaptureGgaSentence(SerialPort& port, const CaptureOptions& options) {
    CaptureResult result;
    if (!port.IsOpen()) {
        result.status = CaptureStatus::PortError;
        return result;
    }
    GgaCapture capture;
    QEventLoop loop;
    bool finished = false;
    auto finish = [&](CaptureStatus status) {
        if (finished) return;
        finished = true;
        result.status = status;
        loop.quit();
    };
    auto drain = [&] {
        char buf[512];
        int n;
        while (!finished && (n = port.Read(buf, sizeof buf)) > 0)
            if (capture.Feed(std::string_view(buf, static_cast<std::size_t>(n)))) {
                result.capturedAt = std::chrono::steady_clock::now();
                finish(CaptureStatus::Captured);
            }
    };

    QSerialPort& device = port.Device();
    QObject::connect(&device, &QSerialPort::readyRead, &loop, drain);
    QObject::connect(&device, &QSerialPort::errorOccurred, &loop,
                     [&](QSerialPort::SerialPortError error) {
                         if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
                             finish(CaptureStatus::PortError);
                     });
    // Polling as well: a notification lost between the open and the loop must not cost
    // the reading.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, drain);
    poll.start(100);
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] { finish(CaptureStatus::TimedOut); });
    timeout.start(std::max(0, options.timeoutMs));

    // Shown only when the wait is noticeable, so a receiver that answers at once causes no
    // flicker.
    QPointer<QDialog> progress;
    QTimer showProgress;
    if (options.progressParent) {
        progress = new QDialog(options.progressParent);
        progress->setObjectName(QStringLiteral("gpsWaitDialog"));
        progress->setWindowTitle(QStringLiteral("GPS"));
        progress->setWindowModality(Qt::WindowModal);
        auto* layout = new QVBoxLayout(progress);
        layout->addWidget(new QLabel(
            QStringLiteral("Waiting for GPS data on %1...").arg(options.portLabel), progress));
        auto* bar = new QProgressBar(progress);
        bar->setRange(0, 0);
        layout->addWidget(bar);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, progress);
        layout->addWidget(buttons);
        QObject::connect(buttons, &QDialogButtonBox::rejected, progress, &QDialog::reject);
        QObject::connect(progress, &QDialog::rejected, &loop,
                         [&] { finish(CaptureStatus::Cancelled); });
        showProgress.setSingleShot(true);
        QObject::connect(&showProgress, &QTimer::timeout, &loop, [&] {
            if (progress && !finished) progress->show();
        });
        showProgress.start(400);
    }

    drain();
    if (!finished) loop.exec();
    poll.stop();
    timeout.stop();
    showProgress.stop();
    if (progress) {
        QObject::disconnect(progress, nullptr, &loop, nullptr);
        delete progress.data();
    }
    QObject::disconnect(&device, nullptr, &loop, nullptr);

    if (result.status == CaptureStatus::Captured) {
        result.sentence = capture.Sentence();
        result.fix = capture.Fix();
    }
    return result;
}

bool ReadGpsPosition(const std::string& portSetting, IPrompt& prompt, ObserverLocation& location,
                     const GpsReadingOptions& options) {
    // Every message names the device that is read, not the setting it came from.
    const std::string device = GpsPortDevice(portSetting);
    if (device.empty()) {
        prompt.Tell("Error", kNoSerialPort, PromptIcon::Error);
        return false;
    }
    SerialPort port;
    if (!port.Open(device, kGpsBaudRate)) {
        prompt.Tell("Error", Format(kUnableToOpenPort, device), PromptIcon::Error);
        return false;
    }
    CaptureOptions capture = options.capture;
    if (capture.portLabel.isEmpty()) capture.portLabel = QString::fromStdString(device);
    CaptureResult r = CaptureGgaSentence(port, capture);
    std::string portError = port.ErrorText();
    port.Close();

    switch (r.status) {
        case CaptureStatus::Captured:
            break;
        case CaptureStatus::Cancelled:
            return false;
        case CaptureStatus::TimedOut: {
            char buf[512];
            std::snprintf(buf, sizeof buf, kNoGpsData, device.c_str(),
                          (capture.timeoutMs + 999) / 1000);
            prompt.Tell("Error", buf, PromptIcon::Error);
            return false;
        }
        case CaptureStatus::PortError: {
            char buf[768];
            std::snprintf(buf, sizeof buf, kGpsPortFailed, device.c_str(), portError.c_str());
            prompt.Tell("Error", buf, PromptIcon::Error);
            return false;
        }
    }

    const GgaFix& fix = r.fix;
    if (fix.fixQuality == 0 || !fix.hasPosition) {
        prompt.Tell("Error", kInvalidFix, PromptIcon::Error);
        return false;
    }
    if (HdopNeedsConfirmation(fix)) {
        char buf[512];
        std::snprintf(buf, sizeof buf, kHdopQuestion, fix.hdop);
        if (prompt.Ask("Warning", buf, PromptButtons::YesNo, PromptIcon::Warning) !=
            PromptAnswer::Yes)
            return false;
    }
    location.latitude = fix.latitude;
    location.longitude = fix.longitude;
    if (fix.hasAltitude) location.altitudeMetres = fix.altitudeMetres;
    if (options.positionTaken) options.positionTaken(location);
    prompt.Tell("Information", kPositionUpdated, PromptIcon::Information);
    return true;
}

}  // namespace orvanta
