// The named locations in User Settings: added from the fields, renamed, made active, and
// stored with "Obs" on OK only.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <deque>

#include "common/prompt.h"
#include "common/registry.h"
#include "location/ui/user_settings_dialog.h"
#include "platform/settings_store.h"
#include "tests/support/dialog_probe.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class LocationListTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsStore(platform::MakeMemorySettingsStore());
        options.timeZoneName = [] { return std::pair<std::string, bool>("UTC", true); };
        options.cityListData = std::string();  // no city list needed
        options.askLocationName = [this](const std::string&, const std::string&) {
            std::optional<std::string> name;
            if (!names.empty()) name = names.front(), names.pop_front();
            return name;
        };
        settings.observer = {520, 48.1374, 11.5755};
    }
    void TearDown() override { SetSettingsStore(nullptr); }

    void Type(UserSettingsDialog& d, const char* lat, const char* lon, const char* alt) {
        Child<QLineEdit>(d, "latitudeEdit")->setText(lat);
        Child<QLineEdit>(d, "longitudeEdit")->setText(lon);
        Child<QLineEdit>(d, "altitudeEdit")->setText(alt);
    }

    Settings settings;
    ScriptedPrompt prompt;
    UserSettingsOptions options;
    std::deque<std::optional<std::string>> names;
};

}  // namespace

TEST_F(LocationListTest, AddRenameMakeActiveAndOkStoresTheListWithObs) {
    {
        UserSettingsDialog d(nullptr, settings, prompt, options);
        LocationListWidget* locations = d.Locations();
        auto* list = Child<QListWidget>(d, "locationList");
        names = {"Home", "Club station", "home", "\tBad", "Club"};
        locations->Add();  // the first becomes the active one
        Type(d, "53.5511", "9.9937", "10");
        locations->Add();
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(0)->text(), "Home (active)");
        locations->Rename();  // "home" is taken
        locations->Rename();  // a tab is no name
        ASSERT_EQ(prompt.asked.size(), 2u);
        EXPECT_EQ(prompt.asked[0].text, LocationEditErrorText(LocationEditError::DuplicateName));
        EXPECT_EQ(prompt.asked[1].text, LocationEditErrorText(LocationEditError::BadName));
        locations->Rename();
        EXPECT_EQ(list->item(1)->text(), "Club");

        // Making Home active again shows its place; nothing is stored before OK.
        list->setCurrentRow(0);
        locations->MakeActive();
        EXPECT_EQ(Child<QLineEdit>(d, "latitudeEdit")->text(), "48.137400");
        list->setCurrentRow(1);
        locations->MakeActive();
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        EXPECT_EQ(reg.ValueSize(kLocationsValue), 0u);

        QSignalSpy moved(&d, &UserSettingsDialog::locationChanged);
        ClickButton(d, "OK");
        EXPECT_EQ(moved.count(), 1);
        const LocationBook book = ReadLocationBook(reg);
        ASSERT_EQ(book.locations.size(), 2u);
        EXPECT_EQ(book.active, 1);
        EXPECT_EQ(book.locations[1].observer, (ObserverLocation{10, 53.5511, 9.9937}));
        EXPECT_EQ(settings.observer, book.locations[1].observer);
    }
    // Opened again, the list shows the active one; removing it leaves none active.
    UserSettingsDialog d(nullptr, settings, prompt, options);
    auto* list = Child<QListWidget>(d, "locationList");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "Club (active)");
    list->setCurrentRow(1);
    d.Locations()->Remove();
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(d.Locations()->Book().active, -1);
}
