// Synchronisation benchmark: a generated library of 20,000 small tracks synchronised into an
// empty phone folder, compared with "cp -r" of the same files, and a second synchronisation with
// nothing to do, compared with "rsync -a" into an up-to-date copy.
#include "BenchLibrary.h"
#include "BenchSync.h"

#include "app/AppPaths.h"
#include "device/UsbMSDevice.h"
#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"
#include "library/itunes/FolderListingCache.h"
#include "library/itunes/ITunesXmlCache.h"
#include "settings/SyncSettings.h"
#include "tracks/SyncState.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kTracks = 20000;
constexpr int kFileSize = 8 * 1024;
constexpr int kAlbums = 200;
constexpr int kPlaylists = 20;
// The copies are timed in rounds and the best of each contender counts. How long a file system
// takes to create files varies from one moment to the next: an ext4 volume without a journal
// skips inodes freed in the last minutes, and once one contender has taken the fresh inodes of a
// block group, the other scans past the freed ones for every file it creates. So the contenders
// take turns at going first.
constexpr int kRounds = 5;

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

using SyncOutcome = BenchSync::Outcome;

SyncOutcome runSync(MusicLibrary& aLibrary, const QString& aPhoneRoot)
{
    UsbMSDevice phone(aPhoneRoot, QStringLiteral("Bench Phone"), true);
    settleDisk();
    return BenchSync::run(aLibrary, phone);
}

double peakMemoryMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
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
    LibraryFactory::setChosenPath(BenchLibrary::libraryFile(source));

    // One phone per round, each configured as the wizard would and starting empty.
    QStringList phoneRoots;
    for (int round = 0; round < kRounds; ++round) {
        const QString phoneRoot = work.path() + QStringLiteral("/phone%1").arg(round);
        QDir().mkpath(phoneRoot);
        UsbMSDevice phone(phoneRoot, QStringLiteral("Bench Phone"), true);
        // A phone's id is made from the clock's milliseconds: one phone per millisecond.
        QThread::msleep(3);
        phone.SetConfigured();
        SyncSettings settings;
        settings.load();
        settings.setConfig(phone.UniqueDeviceId(), phone.FriendlyName(), true, {}, 0, {});
        settings.setEnableArtworkSync(phone.UniqueDeviceId(), true);
        settings.setForceArtworkSync(phone.UniqueDeviceId(), false);
        settings.save();
        phoneRoots << phoneRoot;
    }

    double cpSeconds = -1;
    SyncOutcome first;
    for (int round = 0; round < kRounds; ++round) {
        const auto copy = [&] {
            return runPeer(QStringLiteral("cp"),
                           {QStringLiteral("-r"), BenchLibrary::musicFolder(source),
                            work.path() + QStringLiteral("/cp-copy%1").arg(round)});
        };
        const auto synchronise = [&] {
            // Every first sync reads the library file afresh, as the first one of a process does.
            ITunesXmlCache::clear();
            FolderListingCache::instance().clear();
            MusicLibrary freshLibrary;
            return runSync(freshLibrary, phoneRoots.at(round));
        };
        double cp = -1;
        SyncOutcome sync;
        if (round % 2 == 0) {
            cp = copy();
            sync = synchronise();
        } else {
            sync = synchronise();
            cp = copy();
        }
        std::printf("round %d: cp -r %.3f s, first sync %.3f s\n", round + 1, cp, sync.seconds);
        std::fflush(stdout);
        if (cp >= 0 && (cpSeconds < 0 || cp < cpSeconds))
            cpSeconds = cp;
        // A round whose sync failed counts as the outcome, so that the failure is seen.
        if (round == 0 || sync.finalState != SyncState::Finished || sync.notCopied != 0
            || (first.finalState == SyncState::Finished && first.notCopied == 0
                && sync.seconds < first.seconds))
            first = sync;
    }

    const QString rsyncTarget = work.path() + QStringLiteral("/rsync-copy");
    runPeer(QStringLiteral("rsync"), {QStringLiteral("-a"), BenchLibrary::musicFolder(source),
                                      rsyncTarget});
    const double rsyncSeconds =
        runPeer(QStringLiteral("rsync"),
                {QStringLiteral("-a"), BenchLibrary::musicFolder(source), rsyncTarget});
    // The second sync of the same program, with the library it has already read.
    MusicLibrary library;
    runSync(library, phoneRoots.first());
    const SyncOutcome second = runSync(library, phoneRoots.first());
    const double peak = peakMemoryMb();

    std::printf("cp -r (best):     %8.3f s\n", cpSeconds);
    std::printf("first sync (best):%8.3f s  (final state %d, not copied %d)\n", first.seconds,
                first.finalState, first.notCopied);
    std::printf("rsync -a (no-op): %8.3f s\n", rsyncSeconds);
    std::printf("second sync:      %8.3f s  (final state %d, not copied %d)\n", second.seconds,
                second.finalState, second.notCopied);
    std::printf("peak memory:      %8.1f MB\n", peak);
    std::printf("(each contender starts after a sync(2), so none pays for another's writes)\n");

    const bool valid = first.finalState == SyncState::Finished && first.notCopied == 0
                       && second.finalState == SyncState::Finished;
    if (!valid)
        std::printf("The synchronisations did not complete; the ratios are not meaningful.\n");
    BenchSync::target("first_sync_vs_cp", valid && cpSeconds > 0 ? first.seconds / cpSeconds : -1, 1.5);
    BenchSync::target("noop_sync_vs_rsync", valid && rsyncSeconds > 0 ? second.seconds / rsyncSeconds : -1,
           1.0);
    BenchSync::target("sync_peak_memory_mb", peak, 250);
    return 0;
}
