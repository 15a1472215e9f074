#include "app/ui/pass_details_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/ui/pass_elevation_graph.h"
#include "app/ui/pass_polar_plot.h"
#include "astro/sun_moon.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "common/settings.h"
#include "common/time_format.h"
#include "maintenance/unzip.h"
#include "orbit/julian_date.h"
#include "radio/radio_settings.h"
#include "radio/transmitters.h"
#include "skyview/sky_bodies.h"
#include "skyview/ui/pass_chart.h"

// The transmitters table is a resource of the radio library.
static void InitRadioTable() {
    Q_INIT_RESOURCE(radio);
}

namespace orvanta {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr int kSteps[] = {1, 5, 10, 30, 60};

QString When(double jd) {
    return QString::fromStdString(FormatDateTime(cJulianDate::FromJd(jd)));
}
QString TimeOfDay(double jd) {
    return QString::fromStdString(FormatTime(cJulianDate::FromJd(jd)));
}

QString Duration(double days) {
    const long s = std::lround(std::max(0.0, days) * kSecondsPerDay);
    return s >= 3600 ? QString::asprintf("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60)
                     : QString::asprintf("%ld:%02ld", s / 60, s % 60);
}

}  // namespace

std::optional<double> FirstKnownDownlinkHz(int catalogueNumber) {
    std::vector<Transmitter> user;
    {
        CRegistry registry;
        if (registry.OpenSettings()) user = LoadRadioSettings(registry).userTransmitters;
    }
    std::vector<Transmitter> builtIn;
    InitRadioTable();
    QFile table(QStringLiteral(":/radio/transmitters.gz"));
    if (table.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = table.readAll();
        try {
            builtIn = LoadTransmitterTable(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        } catch (const CZipException&) {
            // The radio window reports a damaged table; here the Doppler is just left out.
        }
    }
    for (const Transmitter& t : TransmittersOf(catalogueNumber, builtIn, user))
        if (t.downlinkHz > 0) return static_cast<double>(t.downlinkHz);
    return std::nullopt;
}

PassDetailsWindow::PassDetailsWindow(PassDetailsInput input, QWidget* parent)
    : QWidget(parent, Qt::Window), input_(std::move(input)) {
    setObjectName(QStringLiteral("passDetails"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Pass Details - ") + QString::fromStdString(input_.name));

    header_ = new QLabel(this);
    header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    step_ = new QComboBox(this);
    for (int s : kSteps) step_->addItem(QStringLiteral("%1 s").arg(s), s);
    const int defaultStep =
        static_cast<int>(std::lround(DefaultPassDetailStep(input_.pass.aos, input_.pass.los)));
    step_->setCurrentIndex(std::max(0, step_->findData(defaultStep)));
    frequency_ = new QDoubleSpinBox(this);
    frequency_->setRange(0.0, 300000.0);
    frequency_->setDecimals(6);
    frequency_->setSuffix(QStringLiteral(" MHz"));
    frequency_->setSpecialValueText(QStringLiteral("none"));
    frequency_->setValue(input_.downlinkHz.value_or(0.0) / 1e6);

    table_ = new QTableWidget(0, 8, this);
    table_->setHorizontalHeaderLabels({"Time", "Azimuth", "Elevation", "Range (km)",
                                       "Range Rate (km/s)", "Doppler (Hz)", "Magnitude", "Sunlit"});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    pictures_ = new QTabWidget(this);
    plot_ = new PassPolarPlot(pictures_);
    graph_ = new PassElevationGraph(pictures_);
    chart_ = new PassStarChart(pictures_);
    pictures_->addTab(plot_, QStringLiteral("Sky Plot"));
    pictures_->addTab(graph_, QStringLiteral("Graph"));
    pictures_->addTab(chart_, QStringLiteral("Star Chart"));

    auto* exportButton = new QPushButton(QStringLiteral("Export..."), this);
    auto* copyButton = new QPushButton(QStringLiteral("Copy"), this);
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    connect(exportButton, &QPushButton::clicked, this, &PassDetailsWindow::Export);
    connect(copyButton, &QPushButton::clicked, this, &PassDetailsWindow::Copy);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("Step:"), this));
    options->addWidget(step_);
    options->addSpacing(12);
    options->addWidget(new QLabel(QStringLiteral("Doppler at:"), this));
    options->addWidget(frequency_);
    options->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(header_);
    left->addLayout(options);
    left->addWidget(table_, 1);
    // A splitter, so the user can trade table columns for a larger picture.
    auto* tablePane = new QWidget(this);
    left->setContentsMargins(0, 0, 0, 0);
    tablePane->setLayout(left);
    auto* body = new QSplitter(Qt::Horizontal, this);
    body->addWidget(tablePane);
    body->addWidget(pictures_);
    body->setStretchFactor(0, 1);
    body->setStretchFactor(1, 1);
    body->setChildrenCollapsible(false);
    body->setSizes({520, 480});
    auto* buttons = new QHBoxLayout;
    if (input_.showInView) {
        auto* sky = new QPushButton(QStringLiteral("Show in Sky View"), this);
        auto* earth = new QPushButton(QStringLiteral("Show in Earth View"), this);
        connect(sky, &QPushButton::clicked, this,
                [this] { input_.showInView(culmination_, true); });
        connect(earth, &QPushButton::clicked, this,
                [this] { input_.showInView(culmination_, false); });
        buttons->addWidget(sky);
        buttons->addWidget(earth);
    }
    auto* satellite = new QPushButton(QStringLiteral("Satellite Details..."), this);
    connect(satellite, &QPushButton::clicked, this,
            [this] { emit SatelliteDetailsRequested(input_.elements.CatalogueNumber()); });
    buttons->addWidget(satellite);
    buttons->addStretch();
    buttons->addWidget(exportButton);
    buttons->addWidget(copyButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(body, 1);
    layout->addLayout(buttons);
    resize(1000, 620);

    connect(step_, &QComboBox::currentIndexChanged, this, &PassDetailsWindow::Recompute);
    connect(frequency_, &QDoubleSpinBox::valueChanged, this, &PassDetailsWindow::Recompute);
    Recompute();
}

void PassDetailsWindow::SetStepSeconds(int seconds) {
    const int i = step_->findData(seconds);
    if (i >= 0) step_->setCurrentIndex(i);
}

void PassDetailsWindow::SetFrequencyHz(double hz) {
    frequency_->setValue(hz / 1e6);
}

void PassDetailsWindow::Recompute() {
    PassDetailsRequest request;
    request.observer = input_.observer;
    request.aosJd = input_.pass.aos;
    request.losJd = input_.pass.los;
    request.stepSeconds = step_->currentData().toInt();
    if (frequency_->value() > 0.0) request.frequencyHz = frequency_->value() * 1e6;
    if (!ComputePassDetails(input_.elements, request, rows_)) rows_.clear();

    // Filled with updates off and sized once: a 1 s table has thousands of cells.
    table_->setUpdatesEnabled(false);
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int i = 0; i < table_->rowCount(); ++i) {
        const PassDetailRow& r = rows_[static_cast<std::size_t>(i)];
        const QString cells[] = {
            TimeOfDay(r.time),
            QString::number(r.azimuth, 'f', 2),
            QString::number(r.elevation, 'f', 2),
            QString::number(r.rangeKm, 'f', 1),
            QString::number(r.rangeRateKmS, 'f', 3),
            r.dopplerHz ? QString::number(std::llround(*r.dopplerHz)) : QString(),
            r.magnitude ? QString::number(*r.magnitude, 'f', 1) : QString(),
            r.sunlit ? QStringLiteral("Sunlit") : QStringLiteral("Shadow")};
        for (int c = 0; c < 8; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(i, c, item);
        }
    }
    table_->resizeColumnsToContents();
    table_->setUpdatesEnabled(true);
    FillHeader();
}

void PassDetailsWindow::FillHeader() {
    const PassRecord& p = input_.pass;
    // The highest row stands in for the culmination when the search did not refine it.
    const auto top = std::max_element(rows_.begin(), rows_.end(), [](const auto& a, const auto& b) {
        return a.elevation < b.elevation;
    });
    QStringList lines;
    lines << QStringLiteral("AOS: %1    LOS: %2    Duration: %3")
                 .arg(When(p.aos), When(p.los), Duration(p.los - p.aos));
    if (top != rows_.end()) {
        const double at = p.culmination != 0.0 ? p.culmination : top->time;
        culmination_ = at;
        const double el = p.culmination != 0.0 ? p.culminationElevation : top->elevation;
        lines << QStringLiteral("Culmination: %1    Azimuth %2\u00B0    Elevation %3\u00B0")
                     .arg(When(at), QString::number(top->azimuth, 'f', 1),
                          QString::number(el, 'f', 1));
    }
    if (p.brightestTime != 0.0)
        lines << QStringLiteral("Maximum magnitude: %1 at %2")
                     .arg(QString::number(p.brightestMagnitude, 'f', 1),
                          TimeOfDay(p.brightestTime));
    if (p.HasVisibleWindow())
        lines << QStringLiteral("Visible: %1 - %2")
                     .arg(TimeOfDay(p.visibleStart), TimeOfDay(p.visibleEnd));
    const double epoch = input_.elements.Epoch().Date();
    lines << QStringLiteral("Elements epoch: %1    Age: %2 days")
                 .arg(When(epoch), QString::number(input_.now - epoch, 'f', 1));
    header_->setText(lines.join(QLatin1Char('\n')));
    FillPictures();
}

void PassDetailsWindow::FillPictures() {
    const PassRecord& p = input_.pass;
    const double visibleStart = p.HasVisibleWindow() ? p.visibleStart : 0.0;
    const double visibleEnd = p.HasVisibleWindow() ? p.visibleEnd : 0.0;
    const AstroSite site(input_.observer.latitude, input_.observer.longitude);
    double sunAz = 0, sunEl = 0, moonAz = 0, moonEl = 0, moonKm = 0;
    SunHorizontal(culmination_, site, sunAz, sunEl);
    MoonHorizontal(culmination_, site, moonAz, moonEl, moonKm);
    plot_->SetTrack(rows_, culmination_);
    plot_->SetVisibleWindow(visibleStart, visibleEnd);
    plot_->SetSunMoon(sunAz, sunEl, moonAz, moonEl, MoonPhaseAt(culmination_).illuminated);
    graph_->SetTrack(rows_, culmination_, visibleStart, visibleEnd);

    // The star chart as the Sky view would draw it, with the user's sky options.
    PassChartInput chart;
    LoadSkyStartupOptions(chart.options, ReadAllSettings());
    chart.observer = input_.observer;
    chart.name = QString::fromStdString(input_.name).trimmed().toStdString();
    chart.rows = rows_;
    chart.atJd = PassHighlightTime(p, rows_);
    chart.visibleStart = visibleStart;
    chart.visibleEnd = visibleEnd;
    chart_->SetPass(std::move(chart));
}

QString PassDetailsWindow::HeaderText() const {
    return header_->text();
}

bool PassDetailsWindow::ExportTo(const QString& path, QString* error) const {
    if (QFileInfo(path).suffix().compare(QStringLiteral("png"), Qt::CaseInsensitive) == 0) {
        if (plot_->grab().save(path, "PNG")) return true;
        if (error) *error = QStringLiteral("the image could not be written");
        return false;
    }
    const std::string text = TableCsv();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

void PassDetailsWindow::Export() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Pass Details"), QStringLiteral("pass.csv"),
        QStringLiteral("CSV files (*.csv);;PNG images (*.png)"));
    if (path.isEmpty()) return;
    QString error;
    if (!ExportTo(path, &error) && input_.prompt)
        input_.prompt->Tell("Error",
                            ("The pass could not be saved to " + path + ": " + error).toStdString(),
                            PromptIcon::Error);
}

void PassDetailsWindow::Copy() const {
    QApplication::clipboard()->setText(QString::fromStdString(TableCsv()));
}

}  // namespace orvanta
