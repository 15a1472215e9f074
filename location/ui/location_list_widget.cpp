#include "location/ui/location_list_widget.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/prompt.h"
#include "common/registry.h"

namespace orvanta {

LocationListWidget::LocationListWidget(QWidget* parent, IPrompt& prompt,
                                       std::function<std::optional<ObserverLocation>()> readFields,
                                       std::function<void(const ObserverLocation&)> showFields,
                                       LocationNameAsker ask)
    : QGroupBox(QStringLiteral("Named Locations"), parent),
      prompt_(prompt),
      readFields_(std::move(readFields)),
      showFields_(std::move(showFields)),
      ask_(std::move(ask)) {
    CRegistry reg;
    if (reg.OpenSettings()) book_ = ReadLocationBook(reg);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("locationList"));
    // Four rows: the dialog keeps its size, longer lists scroll.
    list_->setMaximumHeight(list_->fontMetrics().height() * 4 + 8);
    auto* buttons = new QVBoxLayout;
    const std::pair<const char*, void (LocationListWidget::*)()> actions[] = {
        {"&Add...", &LocationListWidget::Add},
        {"Re&name...", &LocationListWidget::Rename},
        {"Re&move", &LocationListWidget::Remove},
        {"Make Ac&tive", &LocationListWidget::MakeActive}};
    for (const auto& [text, slot] : actions) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* row = new QHBoxLayout(this);
    row->addWidget(list_, 1);
    row->addLayout(buttons);
    connect(list_, &QListWidget::itemDoubleClicked, this, &LocationListWidget::MakeActive);
    Refill(book_.active);
}

void LocationListWidget::Refill(int select) {
    list_->clear();
    for (std::size_t i = 0; i < book_.locations.size(); ++i) {
        QString text = QString::fromStdString(book_.locations[i].name);
        if (int(i) == book_.active) text += QStringLiteral(" (active)");
        list_->addItem(text);
    }
    if (select >= 0 && select < list_->count()) list_->setCurrentRow(select);
}

std::optional<std::string> LocationListWidget::AskName(const std::string& initial) {
    const std::string label = "Name of the location (up to 40 characters):";
    if (ask_) return ask_(label, initial);
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, QStringLiteral("Location"), QString::fromStdString(label),
                              QLineEdit::Normal, QString::fromStdString(initial), &ok);
    if (!ok) return std::nullopt;
    return text.trimmed().toStdString();
}

bool LocationListWidget::Refused(LocationEditError error) {
    if (error == LocationEditError::None) return false;
    prompt_.Tell("Error", LocationEditErrorText(error), PromptIcon::Error);
    return true;
}

void LocationListWidget::Add() {
    const std::optional<ObserverLocation> place = readFields_();
    if (!place) return;
    const std::optional<std::string> name = AskName("");
    if (!name || Refused(AddLocation(book_, *name, *place))) return;
    // The first entry is the place in use already.
    if (!book_.Active()) book_.active = int(book_.locations.size()) - 1;
    changed_ = true;
    Refill(int(book_.locations.size()) - 1);
}

void LocationListWidget::Rename() {
    const int row = list_->currentRow();
    if (row < 0) return;
    const std::optional<std::string> name = AskName(book_.locations[std::size_t(row)].name);
    if (!name || Refused(RenameLocation(book_, row, *name))) return;
    changed_ = true;
    Refill(row);
}

void LocationListWidget::Remove() {
    const int row = list_->currentRow();
    if (Refused(RemoveLocation(book_, row))) return;
    changed_ = true;
    Refill(std::min(row, list_->count() - 2));
}

void LocationListWidget::MakeActive() {
    const int row = list_->currentRow();
    if (row < 0) return;
    book_.active = row;
    changed_ = true;
    // The fields show the place; OK makes it the observer location.
    showFields_(book_.locations[std::size_t(row)].observer);
    Refill(row);
}

bool LocationListWidget::Store(const ObserverLocation& activePlace) {
    if (book_.Active()) book_.locations[std::size_t(book_.active)].observer = activePlace;
    if (!changed_ && !book_.Active()) return true;
    CRegistry reg;
    return reg.OpenSettings() && WriteLocationBook(reg, book_);
}

}  // namespace orvanta
