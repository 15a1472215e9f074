#pragma once
// Display dates and times in the user's locale: its short date format and its time format
// with seconds.
#include "common/time_format.h"

namespace orvanta {

class QtDateTimeRenderer : public IDateTimeRenderer {
public:
    std::string ShortDate(const CalendarFields& local) const override;
    std::string TimeOfDay(const CalendarFields& local) const override;
};

}  // namespace orvanta
