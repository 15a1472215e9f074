// Settings > Location: switches between the named locations kept in User Settings. The one
// chosen becomes the observer location ("Obs") and the passes are searched again for it.
// Its "Mutual Visibility With" list keeps only the passes another of them sees too.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <map>
#include <memory>
#include <tuple>

#include "app/ui/main_window.h"
#include "catalogue/mutual_visibility.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/event_log.h"
#include "common/registry.h"
#include "location/named_locations.h"
#include "location/rise_set_recompute.h"

namespace orvanta {

namespace {

// Keeps the passes the other site sees too. Each pass is worked out once: a fill of the list
// after every tick or settings change asks again.
PassListModel::RowFilter MutualFilter(const ObserverLocation& there) {
    using Key = std::tuple<int, double, double, double, double>;
    auto known = std::make_shared<std::map<Key, bool>>();
    return [there, known](const PassRecord& r, const PassListContext& context) {
        const KeplerRecord* sat = PassSatellite(r, context);
        if (!sat) return false;
        const Key key{sat->catalogueNumber, r.aos, r.los, context.observer.latitude,
                      context.observer.longitude};
        auto it = known->find(key);
        if (it == known->end()) {
            PassSearchSatellite s;
            s.name = std::string(sat->Name());
            s.line1 = sat->line1;
            s.line2 = sat->line2;
            s.catalogueNumber = sat->catalogueNumber;
            it = known->emplace(key, PassSeenFromBoth(s, r, context.observer, there)).first;
        }
        return it->second;
    };
}

}  // namespace

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
        menu->addSeparator();
        QMenu* mutual = menu->addMenu(QStringLiteral("&Mutual Visibility With"));
        mutual->setObjectName(QStringLiteral("mutualMenu"));
        auto* choices = new QActionGroup(mutual);
        QAction* off = mutual->addAction(QStringLiteral("Off"));
        off->setCheckable(true);
        off->setChecked(mutualWith_.empty());
        choices->addAction(off);
        connect(off, &QAction::triggered, this, [this] { ShowMutualPasses({}, {}); });
        for (std::size_t i = 0; i < book.locations.size(); ++i) {
            if (int(i) == book.active) continue;
            const NamedLocation& other = book.locations[i];
            QAction* action = mutual->addAction(QString::fromStdString(other.name));
            action->setCheckable(true);
            action->setChecked(other.name == mutualWith_);
            choices->addAction(action);
            connect(action, &QAction::triggered, this,
                    [this, other] { ShowMutualPasses(other.name, other.observer); });
        }
    });
}

void MainWindow::ShowMutualPasses(const std::string& name, const ObserverLocation& there) {
    mutualWith_ = name;
    passList_->Model()->SetRowFilter(name.empty() ? PassListModel::RowFilter{}
                                                  : MutualFilter(there));
    FillPassList();
    LogEvent(name.empty() ? std::string("Pass list: every pass")
                          : "Pass list: only passes also above the horizon at " + name,
             LOG_INFORMATION);
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
