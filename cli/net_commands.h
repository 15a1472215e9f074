#pragma once
// The commands that need Qt (its network and HTTPS) live in a second executable,
// orvanta-cli-net, so that every other command starts without loading Qt's libraries (a
// third of the start-up of a short run). orvanta-cli lists them and hands them over.
namespace orvanta::cli {

inline constexpr const char* kNetHelperName = "orvanta-cli-net";

inline constexpr const char* kCheckUpdateUsage = "check-update --base-url URL";
inline constexpr const char* kDownloadUsage =
    "download [--source celestrak|spacetrack|legacy] [--group NAME] [--format json|csv|3le] "
    "[--base-url URL] [--user U --password P] [--force] --out FILE";
inline constexpr const char* kTimeOffsetUsage = "time-offset --server HOST[:PORT] [--timeout S]";

}  // namespace orvanta::cli
