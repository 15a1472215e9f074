#pragma once
// The named locations in User Settings: a short list with Add (the place in the fields),
// Rename, Remove and Make Active. It edits a copy; the dialog's OK stores it.
#include <QGroupBox>
#include <functional>
#include <optional>
#include <string>

#include "location/named_locations.h"

class QListWidget;
class QPushButton;

namespace orvanta {

class IPrompt;

// Asks for a location name (label, text to start from); nothing when cancelled.
using LocationNameAsker =
    std::function<std::optional<std::string>(const std::string& label, const std::string& initial)>;

class LocationListWidget : public QGroupBox {
    Q_OBJECT
public:
    // readFields: the place typed in the dialog, nothing (after telling why) when it does
    // not read; showFields: puts a place into the fields. ask null: a Qt input dialog.
    LocationListWidget(QWidget* parent, IPrompt& prompt,
                       std::function<std::optional<ObserverLocation>()> readFields,
                       std::function<void(const ObserverLocation&)> showFields,
                       LocationNameAsker ask = {});

    const LocationBook& Book() const { return book_; }
    // The dialog's OK: the active entry takes the place stored as "Obs", then the list is
    // written (only when there is one to write). False when the write failed.
    bool Store(const ObserverLocation& activePlace);

    void Add();
    void Rename();
    void Remove();
    void MakeActive();

private:
    void Refill(int select);
    std::optional<std::string> AskName(const std::string& initial);
    bool Refused(LocationEditError error);

    IPrompt& prompt_;
    std::function<std::optional<ObserverLocation>()> readFields_;
    std::function<void(const ObserverLocation&)> showFields_;
    LocationNameAsker ask_;
    LocationBook book_;
    bool changed_ = false;
    QListWidget* list_ = nullptr;
};

}  // namespace orvanta
