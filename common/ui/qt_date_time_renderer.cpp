#include "common/ui/qt_date_time_renderer.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace orvanta {

std::string QtDateTimeRenderer::ShortDate(const CalendarFields& f) const {
    return QLocale::system()
        .toString(QDate(f.year, f.month, f.day), QLocale::ShortFormat)
        .toStdString();
}

std::string QtDateTimeRenderer::TimeOfDay(const CalendarFields& f) const {
    // The long format is the one with seconds; the zone it may carry ("t") would be the
    // zone of today, not of the instant shown, so it is dropped.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.simplified();
    return QLocale::system().toString(QTime(f.hour, f.minute, f.second), format).toStdString();
}

}  // namespace orvanta
