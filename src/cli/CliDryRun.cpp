#include "cli/CliDryRun.h"

#include "app/DebugLog.h"
#include "cli/CliCommand.h"
#include "cli/CliRunObserver.h"
#include "sync/SyncPlan.h"

#include <QLocale>
#include <QTextStream>

namespace {

QString bytes(qint64 aBytes)
{
    return QLocale::c().formattedDataSize(qMax<qint64>(0, aBytes));
}

// "Would copy 2 tracks (1.5 MiB):" as the heading of a list; a full stop when it is empty.
QString heading(const QString& aWhat, qsizetype aCount, const char* aOne, const char* aMany,
                const QString& aAfter = QString())
{
    return aWhat + QLatin1Char(' ') + QString::number(aCount) + QLatin1Char(' ')
           + QLatin1String(aCount == 1 ? aOne : aMany) + aAfter
           + QLatin1Char(aCount == 0 ? '.' : ':');
}

// A device id ("\Music\Artist\Album\file.mp3") as a path below the phone's root.
QString phonePath(const QString& aDeviceId)
{
    QString path = aDeviceId;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return path;
}

} // namespace

int CliDryRun::print(const SyncPlan& aPlan, bool aMtp, QTextStream& aOut)
{
    LogScope scope("CliDryRun::print");
    const SyncPlan& plan = aPlan;
    aOut << "Dry run: nothing on the phone, in the track cache or in the settings changes.\n";
    if (plan.mOutcome == SyncState::NoSettings || plan.mOutcome == SyncState::NotConfigured) {
        aOut << "The phone is not set up; run 'pellmar-sync setup' first.\n";
        return CliExit::kNotConfigured;
    }
    if (plan.mCacheUnusable)
        aOut << "The phone's track cache cannot be read: a run would clear it and copy no "
                "music; the run after it would check every track again.\n";
    if (plan.mLibraryReadFailed)
        aOut << "The iTunes library could not be read: a run would change nothing on the "
                "phone.\n";
    if (plan.mOutcome != SyncState::Finished)
        return CliExit::kError;

    if (!plan.mBackupPath.isEmpty())
        aOut << "Would first move the chosen data of the backup " << plan.mBackupPath
             << " to the phone.\n";
    qint64 copyBytes = 0;
    for (const Track& track : plan.mToCopy)
        copyBytes += track.localSize();
    aOut << heading(QStringLiteral("Would copy"), plan.mToCopy.size(), "track", "tracks",
                    QStringLiteral(" (%1)").arg(bytes(copyBytes)))
         << "\n";
    for (const Track& track : plan.mToCopy)
        aOut << "  " << track.path() << " (" << bytes(track.localSize()) << ")\n";
    CliRunObserver::printDrmTracks(aOut, plan.mDrmTracks);
    aOut << heading(QStringLiteral("Would delete"), plan.mToDelete.size(), "track", "tracks",
                    QStringLiteral(" from the phone"))
         << "\n";
    for (const Track& track : plan.mToDelete)
        aOut << "  " << phonePath(track.deviceId()) << "\n";
    if (!plan.mToDelete.isEmpty())
        aOut << "A run asks before it deletes; without a terminal only --yes lets it.\n";
    aOut << heading(QStringLiteral("Would write"), plan.mPlaylistsToWrite.size(), "playlist",
                    "playlists", QStringLiteral(" (each only if it changed)"))
         << "\n";
    for (const QString& name : plan.mPlaylistsToWrite)
        aOut << "  " << name << "\n";
    // A folder phone keeps a playlist that is no longer chosen as an empty file, so that the
    // phone's own copy of it empties too; an MTP phone loses it.
    aOut << heading(QLatin1String(aMtp ? "Would remove" : "Would empty"),
                    plan.mPlaylistFilesToClear.size(), "playlist", "playlists",
                    QStringLiteral(" no longer chosen"))
         << "\n";
    for (const QString& file : plan.mPlaylistFilesToClear)
        aOut << "  " << file << "\n";
    if (plan.mRefreshAlbumArt)
        aOut << "Would send the album art of the tracks on the phone again.\n";
    aOut << "Space: " << bytes(plan.mSpaceNeeded) << " needed, " << bytes(plan.mFreeSpace)
         << " free: ";
    if (plan.mSpaceShort)
        aOut << "not enough (" << bytes(plan.mSpaceNeeded - plan.mFreeSpace)
             << " short); a run would ask whether to go on.\n";
    else
        aOut << "enough.\n";
    return CliExit::kDone;
}
