// orvanta: the desktop program.
#include <QApplication>

#include "app/main_window.h"
#include "app/registry.h"
#include "platform/settings_store.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvanta"));
    QApplication::setOrganizationName(QStringLiteral("Quorrin"));
    orvanta::SetSettingsStore(orvanta::platform::OpenUserSettingsStore());

    orvanta::MainWindow window;
    window.show();
    return app.exec();
}
