#pragma once

#include <string>

#include "common/settings_records.h"

class QWidget;

namespace orvanta {

// The window's state and normal (not maximised) rectangle, as the stored placement values keep them.
WindowPlacement CurrentPlacement(const QWidget& window);

// Puts the window where the named placement value says, unless that place is on no attached
// screen any more (the window would be out of reach); maximises it when it was maximised.
void RestoreWindowPlacement(QWidget& window, const std::string& valueName);

}  // namespace orvanta
