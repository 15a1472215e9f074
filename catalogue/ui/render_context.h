#pragma once
// What a view draws from when it draws off-screen (`orvanta --render`, tests, bug reports):
// the user's settings, the catalogue and the selection mapped onto it, at one instant and
// size. The views take these; the program shell fills them and runs the command.
#include <QSize>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "common/settings.h"

namespace orvanta {

// What a renderer may draw from: the user's settings, the catalogue of the program
// directory's element file and the selection mapped onto it.
struct RenderContext {
    Settings settings;
    KeplerCatalogue catalogue;
    std::vector<SelectedSat> selection;
    std::filesystem::path programDirectory;
};

struct RenderRequest {
    double julianDate = 0.0;  // UTC
    QSize size;               // the view's map or chart area in pixels
    int satellite = 0;        // catalogue number (--sat), 0 when not given
    int passNumber = 1;       // which pass after the instant (--pass), from 1
    // Where a renderer that cannot draw what was asked (no such satellite or pass) says
    // why; it then returns a null image.
    std::string* error = nullptr;
};

}  // namespace orvanta
