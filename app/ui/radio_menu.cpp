#include "app/ui/radio_menu.h"

#include "app/ui/main_window.h"
#include "catalogue/ui/pass_list_model.h"
#include "radio/ui/radio_window.h"

namespace orvanta {

namespace {

// The satellite of the pass list's current row: row -> pass record -> selection entry ->
// catalogue record.
std::optional<cElementSet> SelectedSatellite(const MainWindow& main) {
    const QModelIndex current = main.PassList()->currentIndex();
    if (!current.isValid()) return std::nullopt;
    const PassListModel* model = main.PassList()->Model();
    if (current.row() >= model->rowCount()) return std::nullopt;
    const int record = model->RecordIndex(current.row());
    const auto& table = main.PassTable();
    if (record < 0 || record >= static_cast<int>(table.size())) return std::nullopt;
    const int slot = table[static_cast<std::size_t>(record)].satellite;
    const auto& selection = main.Selection();
    if (slot < 0 || slot >= static_cast<int>(selection.size())) return std::nullopt;
    const KeplerRecord* k = main.Catalogue().At(selection[static_cast<std::size_t>(slot)].catalogueIndex);
    if (!k) return std::nullopt;
    return cElementSet(std::string(k->DisplayName()), std::string(k->Line1()), std::string(k->Line2()));
}

}  // namespace

void ShowRadioWindow(MainWindow& main) {
    auto* window = main.findChild<RadioWindow*>();
    if (!window) {
        RadioWindowContext context;
        context.now = [&main] { return main.Now(); };
        context.observer = [&main] { return main.CurrentSettings().observer; };
        context.selectedSatellite = [&main] { return SelectedSatellite(main); };
        window = new RadioWindow(std::move(context), &main);
    }
    window->SetRealTime(main.ProgramClock().IsRealTime());
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace orvanta
