// Synchronisation benchmark: a generated library of 20,000 small tracks synchronised into an
// empty phone folder, compared with "cp -r" of the same files, and a second synchronisation with
// nothing to do, compared with "rsync -a" into an up-to-date copy.
#include "BenchLibrary.h"

#include "app/AppPaths.h"
#include "device/UsbMSDevice.h"
#include "library/LocalMusicLibrary.h"
#include "settings/SyncSettings.h"
#include "sync/MusicSync.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kTracks = 20000;
constexpr int kFileSize = 8 * 1024;
constexpr int kAlbums = 200;
constexpr int kPlaylists = 20;

// Writes still pending from the contender before must not be paid for by the next one.
void settleDisk()
{
    ::sync();
}

double runPeer(const QString& aProgram, const QStringList& aArguments)
{
    settleDisk();
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(aProgram, aArguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(aProgram),
                     process.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

struct SyncOutcome
{
    double seconds = 0;
    int finalState = -1;
    int notCopied = 0;
};

SyncOutcome runSync(LocalMusicLibrary& aLibrary, const QString& aPhoneRoot)
{
    UsbMSDevice phone(aPhoneRoot, QStringLiteral("Bench Phone"), true);
    MusicSync sync(&aLibrary, &phone, nullptr);
    SyncOutcome outcome;
    // Nothing is to be deleted in either run; a question would mean a fault in the bench.
    QObject::connect(&sync, &MusicSync::ConfirmDeleteTracks, &sync,
                     [&sync]() { sync.SetDeleteConfirmed(false); }, Qt::DirectConnection);
    settleDisk();
    QElapsedTimer timer;
    timer.start();
    sync.RunInCallingThread(false);
    outcome.seconds = timer.nsecsElapsed() / 1e9;
    outcome.finalState = sync.State();
    outcome.notCopied = int(sync.GetNonCopiedTracks().size());
    return outcome;
}

double peakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void target(const char* aName, double aMeasured, double aGoal)
{
    std::printf("TARGET %s %.3f %.1f %s\n", aName, aMeasured, aGoal,
                aMeasured >= 0 && aMeasured <= aGoal ? "PASS" : "FAIL");
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    // A private application data folder: the bench must not touch the user's settings.
    qputenv("HOME", work.path().toUtf8());
    AppPaths::setApplicationDataPath(work.path());
    QCoreApplication app(argc, argv);

    const QString source = work.path() + QStringLiteral("/source");
    std::printf("Generating %d tracks of %d bytes in %d albums, %d playlists...\n", kTracks,
                kFileSize, kAlbums, kPlaylists);
    std::fflush(stdout);
    if (!BenchLibrary::generate(source, kTracks, kFileSize, kAlbums, kPlaylists)) {
        std::fprintf(stderr, "could not generate the library\n");
        return 1;
    }
    LocalMusicLibrary::setLibraryPath(BenchLibrary::libraryFile(source));

    const QString phoneRoot = work.path() + QStringLiteral("/phone");
    QDir().mkpath(phoneRoot);
    QString phoneId;
    {
        UsbMSDevice phone(phoneRoot, QStringLiteral("Bench Phone"), true);
        phone.SetConfigured();
        phoneId = phone.UniqueDeviceId();
        SyncSettings settings;
        settings.load();
        settings.setConfig(phoneId, phone.FriendlyName(), true, {}, 0, {});
        settings.setEnableArtworkSync(phoneId, true);
        settings.setForceArtworkSync(phoneId, false);
        settings.save();
    }

    // Peers first, so that every contender reads the source from a warm page cache.
    const double cpSeconds = runPeer(QStringLiteral("cp"),
                                     {QStringLiteral("-r"), BenchLibrary::musicFolder(source),
                                      work.path() + QStringLiteral("/cp-copy")});
    const QString rsyncTarget = work.path() + QStringLiteral("/rsync-copy");
    runPeer(QStringLiteral("rsync"), {QStringLiteral("-a"), BenchLibrary::musicFolder(source),
                                      rsyncTarget});
    const double rsyncSeconds =
        runPeer(QStringLiteral("rsync"),
                {QStringLiteral("-a"), BenchLibrary::musicFolder(source), rsyncTarget});

    LocalMusicLibrary library;
    const SyncOutcome first = runSync(library, phoneRoot);
    const SyncOutcome second = runSync(library, phoneRoot);
    const double peak = peakMemoryMb();

    std::printf("cp -r:            %8.3f s\n", cpSeconds);
    std::printf("first sync:       %8.3f s  (final state %d, not copied %d)\n", first.seconds,
                first.finalState, first.notCopied);
    std::printf("rsync -a (no-op): %8.3f s\n", rsyncSeconds);
    std::printf("second sync:      %8.3f s  (final state %d, not copied %d)\n", second.seconds,
                second.finalState, second.notCopied);
    std::printf("peak memory:      %8.1f MB\n", peak);
    std::printf("(each contender starts after a sync(2), so none pays for another's writes)\n");

    const bool valid = first.finalState == MusicSync::kStateFinished && first.notCopied == 0
                       && second.finalState == MusicSync::kStateFinished;
    if (!valid)
        std::printf("The synchronisations did not complete; the ratios are not meaningful.\n");
    target("first_sync_vs_cp", valid && cpSeconds > 0 ? first.seconds / cpSeconds : -1, 1.5);
    target("noop_sync_vs_rsync", valid && rsyncSeconds > 0 ? second.seconds / rsyncSeconds : -1,
           1.0);
    target("sync_peak_memory_mb", peak, 250);
    return 0;
}
