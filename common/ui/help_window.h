#pragma once
// The in-app help: HTML pages built into the program, shown in one browser window that
// each window opens at its own topic (F1) and the Help menu at the contents page.
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

class QToolButton;

namespace orvanta {

// Help topics by the context numbers the windows pass.
enum HelpContext : int {
    HELP_DEFAULT_TOPIC = 0,
    HELP_SYSTEM_SETTINGS = 50,
    HELP_SATELLITE_SETTINGS = 60,
    HELP_MAIN_WINDOW = 80,
    HELP_EARTH_VIEW = 90,
    HELP_SKY_VIEW = 100,
    HELP_USER_SETTINGS = 120,
    HELP_HOST_MONITOR = 130,
    HELP_RADIO_WINDOW = 140,
};

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // The page of a context number; unknown numbers give the contents page.
    static QUrl PageForContext(int context);

    // The shared help window, created on first use. It is a top-level window without a
    // parent, so a modal dialog that asks for help does not block it, and it does not keep
    // the program running once the main window has closed.
    static HelpWindow* Instance();
    // Opens (or raises) the shared window at the page of the context.
    static void ShowContext(int context);
    // Closes the shared window, if any (the main window does this when it closes).
    static void CloseShared();

    void OpenPage(const QUrl& page);
    QUrl CurrentPage() const { return browser_->source(); }
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
};

}  // namespace orvanta
