#pragma once

namespace orvanta {

class MainWindow;

// View -> "Radio & Rotator": opens (or raises) the window for the pass list's satellite.
void ShowRadioWindow(MainWindow& main);

}  // namespace orvanta
