#include "app/ui/offscreen_render.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "catalogue/element_loader.h"
#include "common/clock.h"
#include "common/time_format.h"
#include "common/ui/qt_date_time_renderer.h"
#include "earthview/ui/screenshot.h"
#include "orbit/julian_date.h"
#include "platform/directories.h"
#include "platform/time_zone.h"

namespace orvanta {

namespace {

std::map<std::string, OffscreenRenderer>& Renderers() {
    static std::map<std::string, OffscreenRenderer> renderers;
    return renderers;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "orvanta: %s\n", message.c_str());
    return 2;
}

}  // namespace

void RegisterOffscreenView(const std::string& name, OffscreenRenderer renderer) {
    Renderers()[name] = std::move(renderer);
}

std::vector<std::string> OffscreenViewNames() {
    std::vector<std::string> names;
    for (const auto& [name, renderer] : Renderers()) names.push_back(name);
    return names;
}

RenderContext LoadRenderContext(const std::filesystem::path& programDirectory,
                                const std::filesystem::path& builtInDirectory) {
    RenderContext context;
    context.programDirectory = programDirectory;
    context.settings = ReadAllSettings();
    SetDisplayTimeZone(platform::SystemTimeZone());
    SetDateTimeRenderer(std::make_shared<QtDateTimeRenderer>());
    SetDisplayUtc(context.settings.displayUtc != 0);
    InstallDefaultElementFile(programDirectory, builtInDirectory);
    platform::PrivateTempDir work;
    ElementLoadContext load;
    load.elementFile = programDirectory / ELEMENT_FILE_NAME;
    load.workDirectory = work.Path();
    LoadElementFile(load, context.catalogue, nullptr);
    if (context.settings.numberOfSats >= 1)
        context.selection =
            SelectionFromBlob(context.settings.selectedSatellites,
                              static_cast<std::uint32_t>(context.settings.numberOfSats));
    RemapSelection(context.catalogue, context.selection);
    return context;
}

bool IsRenderCommand(const QStringList& args) {
    return !args.isEmpty() && args.front() == QStringLiteral("--render");
}

int RunRenderCommand(const QStringList& args) {
    std::string view, out;
    double jd = SystemUtcJulian();
    QSize size;
    int satellite = 0, passNumber = 1;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QStringLiteral("--render") && hasValue) {
            view = args[++i].toStdString();
        } else if (a == QStringLiteral("--at") && hasValue) {
            const auto parsed = ParseIsoUtc(args[++i].toStdString());
            if (!parsed) return Fail("--at wants an instant such as 2026-12-08T12:00:00Z");
            jd = *parsed;
        } else if (a == QStringLiteral("--size") && hasValue) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            bool okW = false, okH = false;
            if (wh.size() == 2) size = QSize(wh[0].toInt(&okW), wh[1].toInt(&okH));
            if (!okW || !okH || size.width() < 1 || size.height() < 1 || size.width() > 16384 ||
                size.height() > 16384)
                return Fail("--size wants WIDTHxHEIGHT, for example 1000x600");
        } else if (a == QStringLiteral("--sat") && hasValue) {
            bool ok = false;
            satellite = args[++i].toInt(&ok);
            if (!ok || satellite <= 0) return Fail("--sat wants a catalogue number such as 25544");
        } else if (a == QStringLiteral("--pass") && hasValue) {
            bool ok = false;
            passNumber = args[++i].toInt(&ok);
            if (!ok || passNumber < 1) return Fail("--pass wants a pass number from 1");
        } else if (a == QStringLiteral("--out") && hasValue) {
            out = args[++i].toStdString();
        } else {
            return Fail("unknown or incomplete argument '" + a.toStdString() +
                        "'; usage: orvanta --render VIEW [--sat CATNR --pass K] --at ISO8601Z "
                        "--size WxH --out FILE");
        }
    }
    const auto found = Renderers().find(view);
    if (found == Renderers().end()) {
        std::string names;
        for (const std::string& n : OffscreenViewNames()) names += (names.empty() ? "" : ", ") + n;
        return Fail("no view named '" + view + "' (views: " + names + ")");
    }
    if (out.empty()) return Fail("--out FILE is missing");
    if (!size.isValid()) size = QSize(1000, 600);

    const RenderContext context =
        LoadRenderContext(platform::ProgramDirectory(), platform::BuiltInDataDirectory());
    RenderRequest request;
    request.julianDate = jd;
    request.size = size;
    request.satellite = satellite;
    request.passNumber = passNumber;
    std::string error;
    request.error = &error;
    const QImage image = found->second(context, request);
    if (!error.empty()) return Fail(error);
    if (image.isNull() || !SaveScreenshotImage(image, out, 92)) {
        std::fprintf(stderr, "orvanta: could not write %s\n", out.c_str());
        return 1;
    }
    return 0;
}

}  // namespace orvanta
