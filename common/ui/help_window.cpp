#include "common/ui/help_window.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

// The pages live in a static library; their resource must be registered by hand, and the
// macro only works outside a namespace.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace orvanta {

namespace {

QPointer<HelpWindow>& SharedWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

const char* PageName(int context) {
    switch (context) {
        case HELP_MAIN_WINDOW:
            return "main_window.html";
        case HELP_SATELLITE_SETTINGS:
            return "satellite_settings.html";
        case HELP_USER_SETTINGS:
            return "user_settings.html";
        case HELP_SYSTEM_SETTINGS:
            return "system_settings.html";
        case HELP_EARTH_VIEW:
            return "earth_view.html";
        case HELP_SKY_VIEW:
            return "sky_view.html";
        case HELP_HOST_MONITOR:
            return "host_monitor.html";
        case HELP_RADIO_WINDOW:
            return "radio_window.html";
        default:
            return "index.html";
    }
}

}  // namespace

QUrl HelpWindow::PageForContext(int context) {
    return QUrl(QStringLiteral("qrc:/help/") + QLatin1String(PageName(context)));
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    InitHelpResources();
    setWindowTitle(tr("Orvanta Help"));
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* contents = new QToolButton(this);
    contents->setText(tr("&Contents"));
    back_ = new QToolButton(this);
    back_->setText(tr("&Back"));
    back_->setEnabled(false);
    forward_ = new QToolButton(this);
    forward_->setText(tr("&Forward"));
    forward_->setEnabled(false);

    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    // Pages link to each other; links to the web go to the user's browser.
    browser_->setOpenExternalLinks(true);

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);

    connect(contents, &QToolButton::clicked, this,
            [this] { OpenPage(PageForContext(HELP_DEFAULT_TOPIC)); });
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Orvanta Help") : tr("Orvanta Help - %1").arg(title));
    });

    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    resize(640, 560);
}

void HelpWindow::OpenPage(const QUrl& page) {
    browser_->setSource(page);
}

HelpWindow* HelpWindow::Instance() {
    QPointer<HelpWindow>& window = SharedWindow();
    if (!window) {
        window = new HelpWindow(nullptr);
        window->setAttribute(Qt::WA_DeleteOnClose);
        // Nothing else owns it: it goes with the application, before the event loop ends.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         window.data(), [] { delete SharedWindow().data(); });
    }
    return window;
}

void HelpWindow::ShowContext(int context) {
    HelpWindow* window = Instance();
    window->OpenPage(PageForContext(context));
    window->show();
    window->raise();
    window->activateWindow();
}

void HelpWindow::CloseShared() {
    if (QPointer<HelpWindow>& window = SharedWindow()) window->close();
}

}  // namespace orvanta
