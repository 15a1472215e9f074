#pragma once
// The silent update check, waited for: for the command line. Runs a local event loop
// (creating the Qt application object when the program has none).
#include <string>

#include "maintenance/update_check.h"

namespace orvanta {

UpdateCheckLine CheckForUpdateOnce(const std::string& baseUrl, int timeoutMs = 30000);

}  // namespace orvanta
