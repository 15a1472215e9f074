// orvanta-cli download: fetches fresh element sets as the program does and writes them as
// a gzip-compressed three-line element file.
#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/download_times.h"
#include "catalogue/element_sources.h"
#include "catalogue/ui/element_downloader.h"
#include "cli/command.h"
#include "cli/net_commands.h"
#include "common/clock.h"
#include "orbit/julian_date.h"
#include "platform/directories.h"

namespace orvanta::cli {

namespace {

constexpr const char* kUsage = kDownloadUsage;

int Usage(const std::string& why) {
    return UsageError("download: " + why + " (usage: " + kUsage + ")");
}

// "http://host:port" into host and port for the element server's own exchange.
bool SplitHostPort(const std::string& url, LegacyServerConfig& legacy) {
    std::string rest = url;
    if (rest.rfind("http://", 0) == 0) rest = rest.substr(7);
    rest = rest.substr(0, rest.find('/'));
    const std::size_t colon = rest.rfind(':');
    if (colon != std::string::npos) {
        const int port = std::atoi(rest.c_str() + colon + 1);
        if (port <= 0 || port > 65535) return false;
        legacy.port = static_cast<std::uint16_t>(port);
        rest = rest.substr(0, colon);
    }
    if (rest.empty()) return false;
    legacy.host = rest;
    legacy.headerHost = rest;
    return true;
}

int RunDownload(const std::vector<std::string>& args) {
    ElementDownloadRequest request;
    std::string baseUrl, out;
    bool havePassword = false;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 == args.size() || args[i + 1].empty()) return false;
            into = args[++i];
            return true;
        };
        std::string v;
        if (a == "--source") {
            if (!value(v)) return Usage("--source needs a value");
            const auto source = ParseElementSource(v);
            if (!source) return Usage("unknown source '" + v + "'");
            request.source = *source;
        } else if (a == "--group") {
            if (!value(request.group) || !IsElementGroup(request.group))
                return Usage("--group needs a group name of letters, digits, '-' and '_'");
        } else if (a == "--format") {
            if (!value(request.format) || !IsElementFormat(request.format))
                return Usage("--format must be json, csv or 3le");
        } else if (a == "--base-url") {
            if (!value(baseUrl)) return Usage("--base-url needs a URL");
        } else if (a == "--user") {
            if (!value(request.user)) return Usage("--user needs a name");
        } else if (a == "--password") {
            if (!value(request.password)) return Usage("--password needs a value");
            havePassword = true;
        } else if (a == "--force") {
            force = true;
        } else if (a == "--out") {
            if (!value(out)) return Usage("--out needs a path");
        } else {
            return Usage("unexpected argument '" + a + "'");
        }
    }
    if (out.empty()) return Usage("--out FILE is required");
    if (!havePassword)
        if (const char* env = std::getenv("ORVANTA_SPACETRACK_PASSWORD")) request.password = env;
    if (request.source != ElementSource::CelesTrak &&
        (request.user.empty() || request.password.empty()))
        return Usage("this source needs --user and --password (or ORVANTA_SPACETRACK_PASSWORD)");
    if (!baseUrl.empty()) {
        std::string why;
        switch (request.source) {
            case ElementSource::CelesTrak:
                if (!AcceptableBaseUrl(baseUrl, why)) return Usage(why);
                request.celesTrakUrl = baseUrl;
                break;
            case ElementSource::SpaceTrack:
                if (!AcceptableBaseUrl(baseUrl, why)) return Usage(why);
                request.spaceTrackUrl = baseUrl;
                break;
            case ElementSource::Legacy:
                if (!SplitHostPort(baseUrl, request.legacy))
                    return Usage("--base-url for the legacy server is http://HOST[:PORT]");
                break;
        }
    }
    request.target = out;

    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "orvanta-cli";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The services' rate rules hold for scripts too; the times live beside the program's
    // element file, apart from the window's settings.
    const std::filesystem::path stateFile =
        platform::ProgramDirectory() / DOWNLOAD_STATE_FILE_NAME;
    const double utcNow = SystemUtcJulian();
    DownloadTimes times = LoadDownloadState(stateFile);
    if (!force) {
        std::string refusal;
        if (auto next = NextRetryAfterNoAnswer(times, utcNow))
            refusal = NoAnswerRefusal(FormatIsoUtcSeconds(*next));
        else if (auto next = NextAllowedFor(times, request.source, request.group, utcNow))
            refusal = RateRuleRefusal(request.source, request.group, FormatIsoUtcSeconds(*next));
        if (!refusal.empty()) {
            std::cerr << "orvanta-cli: download: " << refusal << " (--force to ask anyway)\n";
            return 4;
        }
    }
    auto keepTimes = [&] {
        std::string stateError;
        if (!SaveDownloadState(stateFile, times, utcNow, stateError))
            std::cerr << "orvanta-cli: download: the time of this download was not kept: "
                      << stateError << "\n";
    };

    ElementDownloader downloader;
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&downloader, &ElementDownloader::Finished, &loop, [&](bool success) {
        ok = success;
        loop.quit();
    });
    // A request the service answered counts whatever the answer, as the services count it;
    // kept at once, so a run that is stopped still counts.
    QObject::connect(&downloader, &ElementDownloader::Answered, &loop, [&] {
        NoteDownload(times, request.source, request.group, utcNow);
        keepTimes();
    });
    if (!downloader.Start(request)) {
        std::cerr << "orvanta-cli: download: " << downloader.LastError().toStdString() << "\n";
        return 3;
    }
    if (downloader.Running()) loop.exec();
    if (!ok) {
        // Refused, unresolved or timed out: the next may try again after a minute.
        if (!downloader.ServiceAnswered()) {
            NoteNoAnswer(times, utcNow);
            keepTimes();
        }
        std::cerr << "orvanta-cli: download: " << downloader.LastError().toStdString();
        if (downloader.Result().damaged) std::cerr << " (the file is damaged or cut short)";
        std::cerr << "\n";
        return 3;
    }
    std::cerr << downloader.Result().written << " element sets written to " << out << "\n";
    return 0;
}

constexpr const char* kHelp =
    "Fetches fresh element sets as the program does and writes them as a gzip-compressed\n"
    "three-line element file. The services' rate rules are kept in the program directory's\n"
    "download-times file; a download they do not allow yet is refused with exit 4.\n"
    "\n"
    "Options:\n"
    "  --source celestrak|spacetrack|legacy   where from (default: celestrak)\n"
    "  --group NAME            CelesTrak group (default: active)\n"
    "  --format json|csv|3le   format asked for (default: json)\n"
    "  --base-url URL          the service's address (default: https://celestrak.org,\n"
    "                          https://www.space-track.org, for legacy\n"
    "                          http://www.space-track.org:80)\n"
    "  --user U                account name, for spacetrack and legacy\n"
    "  --password P            password (default: $ORVANTA_SPACETRACK_PASSWORD)\n"
    "  --force                 ask even when the rate rules say wait\n"
    "  --out FILE              the element file written (required)\n"
    "Exit 0 written, 2 bad arguments, 3 the download failed, 4 the rate rules say wait.\n"
    "\n"
    "Example:\n"
    "  orvanta-cli download --group stations --format csv --out stations.gz\n";

}  // namespace

ORVANTA_CLI_COMMAND(kDownloadCommand, "download", kUsage, kHelp, RunDownload);

}  // namespace orvanta::cli
