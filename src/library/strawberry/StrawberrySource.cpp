#include "library/strawberry/StrawberrySource.h"

#include "app/DebugLog.h"
#include "library/EmbeddedArtworkReader.h"
#include "library/FilesStamp.h"
#include "library/PlayerTrackFiles.h"
#include "library/TrackIdentity.h"
#include "library/strawberry/PlayerDatabaseConnection.h"
#include "library/strawberry/PlayerDatabaseLayout.h"
#include "library/strawberry/PlayerDatabaseReader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

namespace {

// Pause between attempts at a locked database, beside SQLite's own wait in each.
constexpr int kLockedPauseMs = 150;

bool isSqliteFile(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

} // namespace

StrawberrySource::StrawberrySource(const QString& aDatabasePath, Player aPlayer)
    : mDatabasePath(aDatabasePath)
    , mPlayer(aPlayer)
{
}

bool StrawberrySource::recognises(const QString& aPath, Player* aPlayer)
{
    if (!isSqliteFile(aPath))
        return false;
    PlayerDatabaseConnection connection(aPath);
    PlayerDatabaseLayout layout;
    Player player = Player::Strawberry;
    if (connection.open() && layout.inspect(connection.database())) {
        if (layout.player() == PlayerDatabaseLayout::Player::None)
            return false;
        if (layout.player() == PlayerDatabaseLayout::Player::Clementine)
            player = Player::Clementine;
    } else {
        // Locked by the running player: its tables cannot be seen now, the name still tells.
        const QString name = QFileInfo(aPath).fileName();
        if (name.compare(QStringLiteral("clementine.db"), Qt::CaseInsensitive) == 0)
            player = Player::Clementine;
        else if (name.compare(QStringLiteral("strawberry.db"), Qt::CaseInsensitive) != 0)
            return false;
    }
    if (aPlayer)
        *aPlayer = player;
    return true;
}

QString StrawberrySource::kindName() const
{
    return mPlayer == Player::Clementine ? QStringLiteral("Clementine")
                                         : QStringLiteral("Strawberry");
}

QString StrawberrySource::location() const
{
    return mDatabasePath;
}

QStringList StrawberrySource::watchedPaths() const
{
    // In write-ahead-log mode the player's writes land in the "-wal" file first.
    return {mDatabasePath, mDatabasePath + QStringLiteral("-wal"),
            QFileInfo(mDatabasePath).absolutePath()};
}

QString StrawberrySource::stamp() const
{
    return FilesStamp::of({mDatabasePath, mDatabasePath + QStringLiteral("-wal")});
}

LibraryRead StrawberrySource::read()
{
    LogScope scope("StrawberrySource::read");
    QMutexLocker lock(&mMutex);
    const QString now = stamp();
    if (!mLastStamp.isEmpty() && now == mLastStamp) {
        logMessage("Player database unchanged since the last read");
        return mLastRead;
    }
    LibraryRead result = readDatabase();
    // A busy database is read again next time even when its files look unchanged.
    if (result.mError.mKind == LibraryReadError::Kind::Busy) {
        mLastStamp.clear();
        return result;
    }
    mLastRead = result;
    mLastStamp = now;
    return result;
}

LibraryRead StrawberrySource::readDatabase()
{
    for (int attempt = 1;; ++attempt) {
        bool busy = false;
        LibraryRead result = readOnce(busy);
        if (!busy)
            return result;
        logValue("Player database locked, attempt", attempt);
        if (attempt >= kLockedAttempts) {
            result.mError = {LibraryReadError::Kind::Busy,
                             QStringLiteral("the %1 database %2 is locked by the running player "
                                            "(%3); try again in a moment")
                                 .arg(kindName(), mDatabasePath, result.mError.mReason)};
            logMessage(result.mError.mReason);
            return result;
        }
        QThread::msleep(kLockedPauseMs);
    }
}

LibraryRead StrawberrySource::readOnce(bool& aBusy)
{
    LibraryRead result;
    const auto unusable = [&](const QString& aWhy) {
        result.mError = {LibraryReadError::Kind::Unusable,
                         QStringLiteral("the %1 database %2 cannot be read: %3")
                             .arg(kindName(), mDatabasePath, aWhy)};
        logMessage(result.mError.mReason);
        return result;
    };
    const auto failed = [&](const QSqlError& aError) {
        if (PlayerDatabaseConnection::isBusy(aError)) {
            aBusy = true;
            result.mError = {LibraryReadError::Kind::Busy, aError.text()};
            return result;
        }
        return unusable(aError.text());
    };
    if (!QFileInfo(mDatabasePath).isFile())
        return unusable(QStringLiteral("no such file"));
    if (!isSqliteFile(mDatabasePath))
        return unusable(QStringLiteral("not an SQLite database"));

    PlayerDatabaseConnection connection(mDatabasePath);
    if (!connection.open())
        return failed(connection.error());
    PlayerDatabaseLayout layout;
    if (!layout.inspect(connection.database()))
        return failed(layout.error());
    if (layout.player() == PlayerDatabaseLayout::Player::None)
        return unusable(QStringLiteral("it has no song table of Strawberry or Clementine"));
    PlayerDatabaseReader reader(connection.database(), layout);
    if (!reader.read())
        return failed(reader.error());

    std::vector<LibraryTrack> tracks = reader.takeTracks();
    QStringList keys;
    keys.reserve(qsizetype(tracks.size()));
    for (const LibraryTrack& track : tracks)
        keys.append(PlayerTrackFiles::identityKey(track.mLocation));
    const QList<quint64> ids = TrackIdentity::assign(keys);
    mArtHints.clear();
    for (size_t i = 0; i < tracks.size(); ++i) {
        tracks[i].mPersistentId = ids[qsizetype(i)];
        mArtHints.insert(tracks[i].mPersistentId, reader.artHints()[qsizetype(i)]);
    }
    result.mWarnings = reader.warnings();
    result.mContent = std::make_shared<const LibraryContent>(
        std::move(tracks), reader.collection(), reader.takePlaylists(), reader.takePodcasts(),
        reader.unsupportedPlaylists());
    return result;
}

QString StrawberrySource::filePath(const LibraryTrack& aTrack) const
{
    return PlayerTrackFiles::localPath(aTrack.mLocation);
}

LibraryArtwork StrawberrySource::artwork(const LibraryTrack& aTrack) const
{
    PlayerArtHint hint;
    {
        QMutexLocker lock(&mMutex);
        hint = mArtHints.value(aTrack.mPersistentId);
    }
    if (hint.mUnset)
        return {};
    const QString path = filePath(aTrack);
    // The player's own order: a cover chosen by hand, the embedded picture, one it found.
    LibraryArtwork artwork = PlayerTrackFiles::imageFile(hint.mManualPath);
    if (artwork.mFormat == LibraryArtwork::None && !path.isEmpty())
        artwork = EmbeddedArtworkReader::artworkOf(path);
    if (artwork.mFormat == LibraryArtwork::None)
        artwork = PlayerTrackFiles::imageFile(hint.mAutomaticPath);
    return artwork;
}
