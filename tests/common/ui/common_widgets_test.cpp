// The widgets every window shares, on the offscreen platform: the help window and its
// pages, the link label and the message boxes behind the prompt interface.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <map>

#include "common/prompt.h"
#include "common/ui/help_window.h"
#include "common/ui/hyperlink_label.h"
#include "common/ui/qt_prompt.h"

using namespace orvanta;

namespace {

// One application for the whole run; the tests run on the offscreen platform.
QApplication& App() {
    static int argc = 1;
    static char name[] = "test_common_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// ---- help --------------------------------------------------------------------------

TEST(HelpPages, EveryContextHasAPageAndEveryLinkLeadsSomewhere) {
    App();
    HelpWindow w;
    const std::map<int, QString> pages = {
        {HELP_DEFAULT_TOPIC, "index.html"},
        {HELP_MAIN_WINDOW, "main_window.html"},
        {HELP_SATELLITE_SETTINGS, "satellite_settings.html"},
        {HELP_USER_SETTINGS, "user_settings.html"},
        {HELP_SYSTEM_SETTINGS, "system_settings.html"},
        {HELP_EARTH_VIEW, "earth_view.html"},
        {HELP_SKY_VIEW, "sky_view.html"},
        {HELP_HOST_MONITOR, "host_monitor.html"},
        {HELP_RADIO_WINDOW, "radio_window.html"},
        {12345, "index.html"},
    };
    for (const auto& [context, page] : pages)
        EXPECT_EQ(HelpWindow::PageForContext(context).fileName(), page) << context;

    // Walk every page reachable from the contents; each must exist, have a title and link
    // only to pages that exist (or to the web).
    QStringList todo{"index.html"}, seen;
    const QRegularExpression href(R"(href="([^"#]+))");
    while (!todo.isEmpty()) {
        const QString page = todo.takeFirst();
        if (seen.contains(page)) continue;
        seen << page;
        QFile f(":/help/" + page);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains("<title>")) << page.toStdString();
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (!target.startsWith("http")) todo << target;
        }
    }
    EXPECT_GE(seen.size(), 11);
    for (const auto& [context, page] : pages) EXPECT_TRUE(seen.contains(page)) << context;
}

TEST(HelpWindow, OpensAtTheContextPageAndFollowsLinks) {
    App();
    HelpWindow::ShowContext(HELP_SATELLITE_SETTINGS);
    HelpWindow* w = HelpWindow::Instance();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->CurrentPage().fileName(), "satellite_settings.html");
    EXPECT_TRUE(w->Browser()->toPlainText().contains("Number of passes to look ahead"));
    EXPECT_TRUE(w->windowTitle().contains("Satellite settings"));
    // Same window for the next request.
    HelpWindow::ShowContext(HELP_SKY_VIEW);
    EXPECT_EQ(HelpWindow::Instance(), w);
    EXPECT_EQ(w->CurrentPage().fileName(), "sky_view.html");
    w->Browser()->setSource(QUrl("earth_view.html"));
    EXPECT_TRUE(w->Browser()->toPlainText().contains("radio horizon"));
    EXPECT_FALSE(w->testAttribute(Qt::WA_QuitOnClose));
    HelpWindow::CloseShared();
    QApplication::processEvents();
}

// ---- link label and message boxes ------------------------------------------------

TEST(HyperlinkLabel, LooksLikeALinkAndClicksOnlyWhenReleasedOverIt) {
    App();
    HyperlinkLabel link("Click here");
    link.resize(120, 20);
    link.show();
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 192));
    EXPECT_FALSE(link.IsUnderlined());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&link, &enter);
    EXPECT_TRUE(link.IsUnderlined());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.IsUnderlined());

    QSignalSpy clicked(&link, &HyperlinkLabel::clicked);
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    // Pressed, then released outside: no click. Right button: no click.
    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(500, 10));
    QTest::mouseClick(&link, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicked.count(), 1);
    // Plain text: markup is shown, not interpreted.
    HyperlinkLabel odd("<b>x</b>");
    EXPECT_EQ(odd.textFormat(), Qt::PlainText);
}

// Answers the next message box from inside its event loop and remembers how it looked.
struct BoxSeen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};
void AnswerNextBox(BoxSeen& seen, QMessageBox::StandardButton press, bool escape = false) {
    QTimer::singleShot(0, [&seen, press, escape] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(press)->click();
    });
}

TEST(QtPrompt, ShowsCaptionIconAndButtonsAndReturnsTheAnswer) {
    App();
    QtPrompt prompt;
    BoxSeen seen;
    AnswerNextBox(seen, QMessageBox::No);
    EXPECT_EQ(prompt.Ask("Question", "Sure?", PromptButtons::YesNo, PromptIcon::Question),
              PromptAnswer::No);
    EXPECT_EQ(seen.title, "Question");
    EXPECT_EQ(seen.text, "Sure?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    AnswerNextBox(seen, QMessageBox::Ok);
    prompt.Tell("Error", "Number of passes is not numerical!", PromptIcon::Error);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);

    AnswerNextBox(seen, QMessageBox::Retry);
    EXPECT_EQ(prompt.Ask("Woops...", "x", PromptButtons::RetryCancel, PromptIcon::Warning),
              PromptAnswer::Retry);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);

    // Escape is the cautious answer.
    AnswerNextBox(seen, QMessageBox::NoButton, true);
    EXPECT_EQ(prompt.Ask("Question", "x", PromptButtons::YesNoCancel, PromptIcon::Question),
              PromptAnswer::Cancel);
}

}  // namespace
