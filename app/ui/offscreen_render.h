#pragma once
// `orvanta --render <view> --at ISO8601Z --size WxH --out FILE`: a view drawn off-screen for
// the user's settings and selection at one instant, written as an image file (passchart
// also takes --sat CATNR and --pass K: the K-th pass of that satellite after the instant). Each view
// registers a renderer under its name; main() registers them all before running the command.
#include <QImage>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/ui/render_context.h"

namespace orvanta {

using OffscreenRenderer = std::function<QImage(const RenderContext&, const RenderRequest&)>;

// Registers (or replaces) the renderer for a view name such as "earthview".
void RegisterOffscreenView(const std::string& name, OffscreenRenderer renderer);
// Registered names, sorted.
std::vector<std::string> OffscreenViewNames();

// Reads the settings from the installed settings store, installs the built-in element file
// when the program directory has none, loads the catalogue and maps the selection; sets the
// display time zone for the time texts.
RenderContext LoadRenderContext(const std::filesystem::path& programDirectory,
                                const std::filesystem::path& builtInDirectory);

// True when the arguments (without the program name) ask for --render.
bool IsRenderCommand(const QStringList& args);

// Runs the command: 0 when the image was written; 2 with a message on stderr for bad
// arguments, an unknown view or a satellite or pass the view cannot find; 1 when the file could not be written. Needs a
// QGuiApplication.
int RunRenderCommand(const QStringList& args);

}  // namespace orvanta
