// Settings > Location: switches between the named locations kept in User Settings. The one
// chosen becomes the observer location ("Obs") and the passes are searched again for it.
#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "app/ui/main_window.h"
#include "common/event_log.h"
#include "common/registry.h"
#include "location/named_locations.h"
#include "location/rise_set_recompute.h"

namespace orvanta {

void MainWindow::AddLocationMenu(QMenu* settingsMenu) {
    QMenu* menu = settingsMenu->addMenu(QStringLiteral("&Location"));
    menu->setObjectName(QStringLiteral("locationMenu"));
    // Filled as it opens: User Settings may have changed the list since.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        CRegistry reg;
        LocationBook book;
        if (reg.OpenSettings()) book = ReadLocationBook(reg);
        if (book.locations.empty()) {
            menu->addAction(QStringLiteral("No named locations (see Settings > User...)"))
                ->setEnabled(false);
            return;
        }
        auto* group = new QActionGroup(menu);
        for (std::size_t i = 0; i < book.locations.size(); ++i) {
            QAction* action = menu->addAction(QString::fromStdString(book.locations[i].name));
            action->setCheckable(true);
            action->setChecked(int(i) == book.active);
            group->addAction(action);
            connect(action, &QAction::triggered, this, [this, i] { SwitchLocation(int(i)); });
        }
    });
}

bool MainWindow::SwitchLocation(int index) {
    CRegistry reg;
    if (!reg.OpenSettings()) return false;
    LocationBook book = ReadLocationBook(reg);
    if (index < 0 || index >= int(book.locations.size())) return false;
    book.active = index;
    if (!WriteLocationBook(reg, book))
        LogEvent("Unable to store the location! It applies until the program ends.", LOG_ERROR);
    const NamedLocation& chosen = book.locations[std::size_t(index)];
    LogEvent("Observer location: " + chosen.name, LOG_INFORMATION);
    if (chosen.observer == settings_.observer) return true;
    settings_.observer = chosen.observer;
    // As after User Settings: the Sky view's rise and set times and the passes are for the
    // old place.
    RequestRiseSetRecompute();
    DiscardPassSearch();
    StartPassSearch();
    return true;
}

}  // namespace orvanta
