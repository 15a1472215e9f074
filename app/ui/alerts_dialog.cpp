#include "app/ui/alerts_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orvanta {

AlertsDialog::AlertsDialog(QWidget* parent, const PassAlertSettings& settings,
                           const std::vector<std::pair<std::int32_t, std::string>>& satellites,
                           bool trayAvailable)
    : QDialog(parent), initial_(settings) {
    setWindowTitle(QStringLiteral("Alerts"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Alert before the passes of:"), this));
    list_ = new QListWidget(this);
    for (const auto& [number, name] : satellites) {
        auto* item = new QListWidgetItem(
            QString::fromStdString(name).trimmed() + QStringLiteral("  (%1)").arg(number), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(settings.satellites.count(number) ? Qt::Checked : Qt::Unchecked);
        numbers_.push_back(number);
    }
    // Check boxes as tall as the text touched row to row, and a selection of a few dozen
    // satellites showed through a slit of a dozen rows.
    list_->setSpacing(1);
    list_->setMinimumHeight(16 * (fontMetrics().height() + 4));
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 40);
    layout->addWidget(list_);

    auto* form = new QFormLayout;
    minutes_ = new QSpinBox(this);
    minutes_->setRange(0, kMaxAlertMinutes);
    minutes_->setSuffix(QStringLiteral(" min"));
    minutes_->setValue(settings.leadMinutes);
    minutes_->setToolTip(QStringLiteral("0: only when the satellite rises"));
    form->addRow(QStringLiteral("Alert before AOS:"), minutes_);
    layout->addLayout(form);
    visibleOnly_ = new QCheckBox(QStringLiteral("Visible passes only"), this);
    visibleOnly_->setChecked(settings.visibleOnly);
    sound_ = new QCheckBox(QStringLiteral("Sound"), this);
    sound_->setChecked(settings.sound);
    closeToTray_ = new QCheckBox(QStringLiteral("Close to tray (keep running for alerts)"), this);
    closeToTray_->setChecked(settings.closeToTray && trayAvailable);
    closeToTray_->setEnabled(trayAvailable);
    if (!trayAvailable) closeToTray_->setToolTip(QStringLiteral("The desktop has no tray."));
    layout->addWidget(visibleOnly_);
    layout->addWidget(sound_);
    layout->addWidget(closeToTray_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

PassAlertSettings AlertsDialog::Result() const {
    PassAlertSettings s = initial_;
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        if (list_->item(static_cast<int>(i))->checkState() == Qt::Checked)
            s.satellites.insert(numbers_[i]);
        else
            s.satellites.erase(numbers_[i]);
    }
    s.leadMinutes = minutes_->value();
    s.visibleOnly = visibleOnly_->isChecked();
    s.sound = sound_->isChecked();
    // Without a tray the stored choice stays for a desktop that has one.
    if (closeToTray_->isEnabled()) s.closeToTray = closeToTray_->isChecked();
    return s;
}

}  // namespace orvanta
