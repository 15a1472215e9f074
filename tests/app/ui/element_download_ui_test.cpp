// "Download Keplers" from the main window against a CelesTrak stand-in on 127.0.0.1: the
// reload with six-digit numbers, the 2-hour rule, and the question after a failed load.
#include <QSignalSpy>

#include "../../catalogue/ui/stand_in_server.h"
#include "app/ui/satellite_details_window.h"
#include "catalogue/ui/element_downloader.h"
#include "earthview/ui/earth_view.h"
#include "maintenance/gzip_decoder.h"
#include "tests/support/qt_wait.h"
#include "ui_test_support.h"

namespace orvanta::testing {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Record(int number) {
    return R"({"OBJECT_NAME":"NEW )" + std::to_string(number) +
           R"(","OBJECT_ID":"2026-050A","EPOCH":"2026-05-07T12:00:00.000000",)"
           R"("MEAN_MOTION":15.2,"ECCENTRICITY":0.0011,"INCLINATION":53.0,"RA_OF_ASC_NODE":10,)"
           R"("ARG_OF_PERICENTER":20,"MEAN_ANOMALY":30,"NORAD_CAT_ID":)" +
           std::to_string(number) + "}";
}

class ElementDownloadUiTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        std::string json = ReadText(ORVANTA_TEST_DATA_DIR "/omm/celestrak-stations-2026-04.json");
        json.erase(json.rfind(']'));  // the closing ']'
        json += "," + Record(123456) + "," + Record(400000) + "]";
        server_ = std::make_unique<StandIn>([json](const std::string&) {
            return Answer{{Ok(json)}};
        });
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteString("CelesTrak URL", server_->Base().toStdString());
    }

    bool WaitForDownload(MainWindow& w) {
        QSignalSpy finished(w.Downloader(), &ElementDownloader::Finished);
        if (!w.Downloader()->Running()) return w.Downloader()->Result().ok;
        return finished.wait(30000) && finished.first().first().toBool();
    }

    std::unique_ptr<StandIn> server_;
};

TEST_F(ElementDownloadUiTest, DownloadReloadsTheCatalogueAndKeepsToTwoHours) {
    MainWindow& w = Start();
    ASSERT_TRUE(w.StartElementDownload());
    ASSERT_TRUE(WaitForDownload(w));
    EXPECT_TRUE(Logged("Kepler update complete!", LOG_SUCCESS));
    EXPECT_TRUE(Logged("1 element sets above catalogue number 339999 kept in memory only"));
    EXPECT_TRUE(Logged("30 Kepler elements loaded from file", LOG_INFORMATION));
    ASSERT_EQ(w.Catalogue().Count(), 30);
    EXPECT_EQ(w.Catalogue().records[28].catalogueNumber, 123456);
    EXPECT_EQ(FormatCatalogueItem(w.Catalogue().records[29]), "NEW 400000   (400000)");
    // The file holds every set but the one above 339999, the six-digit one as Alpha-5.
    const std::string gz = ReadText((home_ / "keplers").string());
    const auto text = GunzipBuffer(reinterpret_cast<const std::uint8_t*>(gz.data()), gz.size());
    const std::string file(text.begin(), text.end());
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 3 * 29);
    EXPECT_NE(file.find("\n1 C3456U 26050A "), std::string::npos);

    // CelesTrak's rule: the same group again within 2 hours is refused with the time.
    utc_ += 1.0 / 24;
    w.TickClock();
    EXPECT_FALSE(w.StartElementDownload());
    EXPECT_TRUE(Logged("CelesTrak allows one download of the \"active\" group every 2 hours; "
                       "the next is allowed at ",
                       LOG_WARNING));
    EXPECT_EQ(server_->requests.size(), 1u);
    utc_ += 1.0 / 24 + 1.0 / 86400;
    w.TickClock();
    ASSERT_TRUE(w.StartElementDownload());
    EXPECT_TRUE(WaitForDownload(w));
    EXPECT_EQ(server_->requests.size(), 2u);
}

TEST_F(ElementDownloadUiTest, EveryGroupKeepsItsOwnTwoHoursAcrossRestarts) {
    // "active", then "stations", then "active" again within 2 hours: the third is refused,
    // though another group came between, and after the program was started again.
    auto downloadGroup = [&](const std::string& group) {
        Close();
        CRegistry reg;
        EXPECT_TRUE(reg.OpenSettings());
        reg.WriteString("Element Group", group);
        MainWindow& w = Start();
        const bool started = w.StartElementDownload();
        if (started) {
            EXPECT_TRUE(WaitForDownload(w));
        }
        utc_ += 1.0 / 48;
        return started;
    };
    Start();
    EXPECT_TRUE(downloadGroup("active"));
    EXPECT_TRUE(downloadGroup("stations"));
    EXPECT_FALSE(downloadGroup("active"));
    EXPECT_TRUE(Logged("CelesTrak allows one download of the \"active\" group every 2 hours",
                       LOG_WARNING));
    EXPECT_FALSE(downloadGroup("stations"));
    EXPECT_EQ(server_->requests.size(), 2u);
    // A settings file from before the list: the last group's own time still counts.
    Close();
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    reg.WriteString("CelesTrak Group Downloads", "");
    reg.WriteString("CelesTrak Last Group", "visual");
    reg.WriteDouble("CelesTrak Last Download", utc_ - 1.0 / 24);
    reg.WriteString("Element Group", "visual");
    EXPECT_FALSE(Start().StartElementDownload());
    EXPECT_TRUE(Logged("the \"visual\" group every 2 hours", LOG_WARNING));
}

TEST_F(ElementDownloadUiTest, ADownloadReplacesThePassesAndOrbitsOfTheOldSets) {
    WriteObserver();
    WriteSelection({25544});
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    ASSERT_FALSE(w.PassTable().empty());
    const double oldAos = w.PassTable().front().aos;
    w.OpenEarthView();
    EarthView* earth = w.EarthViewWindow();
    ASSERT_TRUE(earth);
    earth->UpdateSatPositions(false);
    const GeoPoint oldAt = earth->Records().at(0).now;
    SatelliteDetailsWindow* details = w.OpenSatelliteDetails(25544);
    ASSERT_TRUE(details);
    const QString oldEpoch = details->Value("Elements epoch");

    ASSERT_TRUE(w.StartElementDownload());
    ASSERT_TRUE(WaitForDownload(w));
    // The fixture's stations sets date from April: how old they are is said at once.
    EXPECT_TRUE(Logged("The new element sets are ", LOG_ERROR));
    ASSERT_TRUE(w.WaitForSearch(60000));
    ASSERT_FALSE(w.PassTable().empty());
    const double newAos = w.PassTable().front().aos;
    EXPECT_NE(newAos, oldAos);
    // The new orbits are built off the window thread: compare once they are there.
    ASSERT_TRUE(WaitFor([&] {
        earth->Tick();
        return earth->Records().at(0).computed;
    }));
    EXPECT_NE(earth->Records().at(0).now.lon, oldAt.lon);
    EXPECT_NE(details->Value("Elements epoch"), oldEpoch) << oldEpoch.toStdString();

    // The same passes as a fresh start from the downloaded file.
    Close();
    MainWindow& again = Start();
    ASSERT_TRUE(again.WaitForSearch(60000));
    ASSERT_FALSE(again.PassTable().empty());
    EXPECT_NEAR(again.PassTable().front().aos, newAos, 1.0 / 86400);
}

TEST_F(ElementDownloadUiTest, AFailedConnectionIsToldFromTheMenuAndHoldsOnlyAMinute) {
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteString("CelesTrak URL", "http://127.0.0.1:9");
    }
    MainWindow& w = Start();
    QAction* menu = FindAction(&w, QStringLiteral("&Download Keplers..."));
    ASSERT_TRUE(menu);
    menu->trigger();
    EXPECT_FALSE(WaitForDownload(w));
    ASSERT_EQ(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].icon, PromptIcon::Error);
    EXPECT_NE(prompt_.asked[0].text.find("Address tried: http://127.0.0.1:9"), std::string::npos)
        << prompt_.asked[0].text;
    EXPECT_TRUE(w.StatusText().startsWith(QStringLiteral("Element download failed: ")))
        << w.StatusText().toStdString();

    // Nothing reached the service: a minute's pause, then an unattended retry, log-only.
    EXPECT_FALSE(w.StartElementDownload());
    EXPECT_TRUE(Logged("The last download attempt reached no element service", LOG_WARNING));
    utc_ += 61.0 / 86400;
    w.TickClock();
    ASSERT_TRUE(w.StartElementDownload());
    EXPECT_FALSE(WaitForDownload(w));
    EXPECT_EQ(prompt_.asked.size(), 1u);

    // The service back after a restart: no 2-hour block was kept.
    Close();
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteString("CelesTrak URL", server_->Base().toStdString());
    }
    utc_ += 61.0 / 86400;
    ASSERT_TRUE(Start().StartElementDownload());
    EXPECT_TRUE(WaitForDownload(*window_));
}

TEST_F(ElementDownloadUiTest, YesAfterAFailedLoadStartsTheDownload) {
    std::ofstream(home_ / "keplers", std::ios::binary | std::ios::trunc) << "not gzip";
    prompt_.answers = {PromptAnswer::Yes, PromptAnswer::Ok};
    MainWindow& w = Start();
    EXPECT_TRUE(Logged("kepler error: "));
    EXPECT_EQ(w.Catalogue().Count(), 0);
    // The download starts once the settings are read, right after start-up.
    QApplication::processEvents();
    ASSERT_TRUE(WaitForDownload(w));
    EXPECT_EQ(w.Catalogue().Count(), 30);
    EXPECT_EQ(server_->requests.size(), 1u);
}

}  // namespace
}  // namespace orvanta::testing
