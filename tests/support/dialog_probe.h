#pragma once
// Looking into a dialog from a test: its named controls, the texts it shows, its F1 help,
// and a picture of it when ORVANTA_SCREENSHOT_DIR asks for one.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QStringList>
#include <QWidget>
#include <cstdlib>

namespace orvanta::testing {

// The child with this object name; a test failure when there is none.
template <class T>
T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

inline QStringList ComboItems(const QComboBox* box) {
    QStringList l;
    for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
    return l;
}

// Every label's and button's text.
inline QStringList ShownTexts(const QWidget& w) {
    QStringList texts;
    for (auto* l : w.findChildren<QLabel*>()) texts << l->text();
    for (auto* b : w.findChildren<QAbstractButton*>()) texts << b->text();
    return texts;
}

// Clicks the button with this text; a test failure when there is none.
inline void ClickButton(QWidget& w, const QString& text) {
    for (auto* b : w.findChildren<QAbstractButton*>())
        if (b->text() == text) return b->click();
    ADD_FAILURE() << "no button " << text.toStdString();
}

// F1 asks once for the help page of this context.
template <class Dialog>
void ExpectHelpOnF1(Dialog& d, int context) {
    QSignalSpy help(&d, &Dialog::helpRequested);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&d, &f1);
    ASSERT_EQ(help.count(), 1);
    EXPECT_EQ(help.at(0).at(0).toInt(), context);
}

// Saves a picture of the shown widget as fileName in $ORVANTA_SCREENSHOT_DIR, when set.
inline void SaveScreenshotIfAsked(QWidget& w, const char* fileName) {
    const char* dir = std::getenv("ORVANTA_SCREENSHOT_DIR");
    if (!dir) return;
    w.show();
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(QDir(dir).filePath(QLatin1String(fileName))));
}

}  // namespace orvanta::testing
