#pragma once
// A main window in a temporary program directory with its own settings file, a fixed
// clock and a scripted prompt.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/ui/event_log_view.h"
#include "app/ui/main_window.h"
#include "catalogue/element_file.h"
#include "catalogue/pass_search_gate.h"
#include "common/event_log.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "common/settings_records.h"
#include "platform/settings_store.h"

namespace orvanta::testing {

// 2026-05-08 00:00:00 UTC, half a day after the fixture's element epochs.
inline constexpr double kStartJd = 2461168.5;

// The window's action with this text (menu items included), or null.
inline QAction* FindAction(QWidget* window, const QString& text) {
    for (QAction* a : window->findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

inline void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_app_ui";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(dir_.isValid());
        home_ = std::filesystem::path(dir_.path().toStdString());
        SetSettingsStore(platform::OpenFileSettingsStore(home_ / "Orvanta.reg"));
        WriteElementFile(home_ / "keplers");
        // No test reaches a real element service: every address is a closed local port.
        {
            CRegistry reg;
            ASSERT_TRUE(reg.OpenSettings());
            reg.WriteString("CelesTrak URL", "http://127.0.0.1:9");
            reg.WriteString("Space-Track URL", "http://127.0.0.1:9");
            reg.WriteString("Element Server Host", "127.0.0.1");
            reg.WriteDword("Element Server Port", 9);
        }
        TakeQueuedEvents();
    }
    void TearDown() override {
        window_.reset();
        SetSettingsStore(nullptr);
    }

    static void WriteElementFile(const std::filesystem::path& to) {
        std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/app_ui/satellites.tle",
                         std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string s = text.str();
        gzFile gz = gzopen(to.string().c_str(), "wb");
        gzwrite(gz, s.data(), static_cast<unsigned>(s.size()));
        gzclose(gz);
        // Written half a day before the test's "now", so the age line reads 12 hours.
        using namespace std::chrono;
        const auto written =
            sys_seconds(seconds(static_cast<long long>((kStartJd - 0.5 - 2440587.5) * 86400)));
        std::filesystem::last_write_time(to, file_clock::from_sys(written));
    }

    MainWindowEnvironment Environment() {
        MainWindowEnvironment env;
        env.programDirectory = home_;
        env.builtInDirectory = home_;
        env.prompt = &prompt_;
        env.utcSource = [this] { return utc_; };
        env.monotonicSource = [this] { return (utc_ - kStartJd - wallJumpDays_) * 86400.0; };
        env.processorCount = processors_;
        env.shiftCtrlHeld = [this] { return shiftCtrl_; };
        env.startClockTimer = false;
        env.startNetworkChecks = false;
        env.searchGate = gate_;
        return env;
    }

    MainWindow& Start() {
        window_.reset();
        window_ = std::make_unique<MainWindow>(Environment());
        window_->show();
        QApplication::processEvents();
        window_->EventLog()->Model()->Drain();
        return *window_;
    }

    // Closes the window as the user would and destroys it.
    void Close() {
        window_->close();
        window_.reset();
    }

    // Greenwich, 46 m.
    void WriteObserver(double lat = 51.4779, double lon = -0.0015, int altitude = 46) {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteRecord24("Obs", SerializeObserver({altitude, lat, lon}));
    }

    void WriteSelection(const std::vector<int>& numbers) {
        std::vector<SelectedSat> sel;
        for (int n : numbers) {
            SelectedSat s;
            s.catalogueNumber = n;
            sel.push_back(s);
        }
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteBinary("Selected Satellites", SelectionToBlob(sel));
        reg.WriteDword("Number of Sats", static_cast<std::int32_t>(sel.size()));
    }

    void WriteDword(const std::string& name, int value) {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteDword(name, value);
    }

    // Every message of the event log view, newest first.
    std::vector<std::string> LogLines() {
        EventLogModel* m = window_->EventLog()->Model();
        m->Drain();
        std::vector<std::string> out;
        for (int r = 0; r < m->rowCount(); ++r) out.push_back(m->Message(r).toStdString());
        return out;
    }
    bool Logged(const std::string& part, int level = -1) {
        EventLogModel* m = window_->EventLog()->Model();
        m->Drain();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->Message(r).toStdString().find(part) != std::string::npos &&
                (level < 0 || m->Level(r) == level))
                return true;
        return false;
    }

    QTemporaryDir dir_;
    std::filesystem::path home_;
    ScriptedPrompt prompt_;
    double utc_ = kStartJd;
    double wallJumpDays_ = 0;  // system clock set by hand: wall time moved, monotonic not
    int processors_ = 2;
    bool shiftCtrl_ = false;
    // Open unless a test closes it to hold its searches running.
    std::shared_ptr<PassSearchGate> gate_ = std::make_shared<PassSearchGate>();
    std::unique_ptr<MainWindow> window_;
};

}  // namespace orvanta::testing
