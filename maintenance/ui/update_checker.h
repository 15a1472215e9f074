#pragma once
// The update check against the vendor's web server: silent at start-up (event log only)
// or at the user's request (message boxes, the download's progress in the status bar,
// unpacking, the swap and the restart question). Asynchronous; never blocks the window.
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "maintenance/update_check.h"

class QFile;
class QNetworkReply;

namespace orvanta {

class IPrompt;

// Only an update that comes entirely over HTTPS may replace the program: a plain-HTTP
// download lets anyone on the way run code as the user. This machine (localhost, 127.0.0.1,
// ::1) is trusted (tests, local mirrors). The version file is held to the same rule. The
// address must pass the core's strict reading too (IsSecureServerUrl), and both readings
// must name the same host. why (when given) says what was wrong.
bool IsTrustedUpdateUrl(const QUrl& url, std::string* why = nullptr);

struct UpdateCheckerEnvironment {
    QString baseUrl;                      // "Update URL"; the version file lies beneath it
    std::filesystem::path executable;     // the program to replace; empty: the running one
    IPrompt* prompt = nullptr;            // boxes of the interactive check (caption "Orvanta Update")
    std::function<void(const QString&)> setStatus;  // status bar, part 1; empty text: idle
    std::function<void(int)> showProgress;          // download bar, 0 ... 100 (created on first use)
    std::function<void()> hideProgress;
    std::function<void()> removeSearchProgress;     // the pass search's bar gives way
    std::function<void()> requestClose;             // posts a close to the main window
    std::function<bool(const std::filesystem::path&)> directoryWritable;  // null: the system's answer
    int transferTimeoutMs = 60000;                  // a stalled transfer counts as failed
};

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(UpdateCheckerEnvironment environment, QObject* parent = nullptr);
    ~UpdateChecker() override;

    // CheckForUpdatesSilently: one line in the event log.
    void CheckSilently();
    // CheckForUpdatesInteractive: asks, downloads, replaces the program, asks to restart.
    void CheckInteractively();
    bool Running() const { return running_; }

    QUrl VersionUrl() const;
    const UpdatePaths& Paths() const { return paths_; }
    void SetBaseUrl(const QString& baseUrl) { env_.baseUrl = baseUrl; }

    // The running program and its arguments as they were at start, for the restart after
    // an update (by then the file at the program's path is the new one).
    static void RememberProgram();
    static bool StartProgramAgain(
        const std::function<bool(const QString&, const QStringList&)>& start = {});

signals:
    // After every check, whatever its end.
    void finished();

private:
    // True when the "Update URL" names no real server (see IsReservedExampleHost).
    bool NoServer() const;
    // failure: why a fetch that is not ok failed (empty when nobody knows).
    using FetchDone = std::function<void(bool ok, const QByteArray& body, const QUrl& finalUrl,
                                         const std::string& failure)>;
    void Fetch(FetchDone done);
    void Interactive(bool ok, const QByteArray& body, const QUrl& finalUrl,
                     const std::string& failure);
    void Download(const VersionFile& file);
    void Downloaded(bool complete);
    void End();
    void Warn(const std::string& text);
    void Status(const QString& text);

    UpdateCheckerEnvironment env_;
    UpdatePaths paths_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    std::unique_ptr<QFile> file_;
    bool running_ = false;
    bool downloadBegun_ = false;
    bool downloadComplete_ = false;
};

}  // namespace orvanta
