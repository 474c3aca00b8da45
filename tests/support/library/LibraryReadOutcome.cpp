#include "library/LibraryReadOutcome.h"

#include "library/LibraryXmlBuilder.h"
#include "library/itunes/LibraryXmlReader.h"

#include <QFile>

QByteArray LibraryReadOutcome::sampleLibrary(int aTracks, const QString& aNameSuffix)
{
    LibraryXmlBuilder builder(LibraryXmlBuilder::Style::Windows);
    builder.setMusicFolder("file://localhost/C:/Users/bob/Music/iTunes/iTunes%20Media/");
    for (int i = 0; i < aTracks; ++i) {
        LibraryXmlBuilder::TrackSpec trackFields;
        trackFields.mName = QStringLiteral("Song %1 & \"more\"%2").arg(i).arg(aNameSuffix);
        trackFields.mArtist = QStringLiteral("Artist %1 Ænima").arg(i % 7);
        trackFields.mAlbumArtist = trackFields.mArtist;
        trackFields.mAlbum = QStringLiteral("Album %1").arg(i % 11);
        trackFields.mTrackNumber = 1 + i % 12;
        trackFields.mSize = 1000000 + i;
        trackFields.mCompilation = i % 5 == 0;
        trackFields.mPodcast = i % 9 == 0;
        trackFields.mDateAdded = QDateTime(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC).addSecs(i * 3600);
        if (i % 13 != 0)
            trackFields.mLocation = LibraryXmlBuilder::windowsUrl(
                QStringLiteral("C:/Users/bob/Music/iTunes/iTunes Media/Music/A/B/%1.mp3").arg(i));
        builder.addTrack(trackFields);
    }
    const QList<qint64> ids = builder.trackIds();
    builder.addMasterPlaylist();
    LibraryXmlBuilder::PlaylistSpec music;
    music.mName = "Music";
    music.mDistinguishedKind = 4;
    music.mTrackIds = ids;
    builder.addPlaylist(music);
    LibraryXmlBuilder::PlaylistSpec mix;
    mix.mName = "Mix";
    for (int i = 0; i < ids.size(); i += 3)
        mix.mTrackIds << ids.at(i) << 999999;
    builder.addPlaylist(mix);
    return builder.toXml();
}

namespace {

LibraryReadOutcome readWith(const QString& aPath, bool aSerially)
{
    QFile file(aPath);
    LibraryReadOutcome outcome;
    if (!file.open(QIODevice::ReadOnly))
        return outcome;
    LibraryXmlReader reader;
    outcome.ok = aSerially ? reader.read(&file) : reader.readFile(file);
    outcome.parallel = reader.readInParallel();
    outcome.scanned = reader.readByScan();
    outcome.error = reader.errorString();
    outcome.content = reader.takeContent();
    outcome.musicFolder = reader.musicFolder();
    return outcome;
}

} // namespace

LibraryReadOutcome LibraryReadOutcome::readSerially(const QString& aPath)
{
    return readWith(aPath, true);
}

LibraryReadOutcome LibraryReadOutcome::readFile(const QString& aPath)
{
    return readWith(aPath, false);
}

QByteArray LibraryReadOutcome::damaged(const QByteArray& aSample, QRandomGenerator& aRandom,
                                       bool aAroundMiddle, const QList<QByteArray>& aInsertions)
{
    QByteArray data = aSample;
    for (int edits = 1 + int(aRandom.bounded(3)); edits > 0; --edits) {
        const int at = aAroundMiddle
                           ? data.size() * 9 / 20 + int(aRandom.bounded(data.size() * 3 / 20))
                           : int(aRandom.bounded(data.size()));
        switch (aRandom.bounded(4)) {
        case 0: data[at] = char(aRandom.bounded(256)); break;
        case 1: data.remove(at, int(aRandom.bounded(40))); break;
        default: {
            const QByteArray& insertion = aInsertions.at(int(aRandom.bounded(aInsertions.size())));
            data.insert(at, insertion.isEmpty() ? QByteArray(1, '\0') : insertion);
            break;
        }
        }
    }
    return data;
}

QString LibraryReadOutcome::difference(const LibraryReadOutcome& aSerial,
                                       const LibraryReadOutcome& aSplit)
{
    if (aSerial.ok != aSplit.ok || aSerial.error != aSplit.error)
        return QStringLiteral("result %1 '%2' against %3 '%4'")
            .arg(aSerial.ok).arg(aSerial.error).arg(aSplit.ok).arg(aSplit.error);
    if (!aSerial.ok)
        return QString();
    const LibraryContent& a = *aSerial.content;
    const LibraryContent& b = *aSplit.content;
    if (aSerial.musicFolder != aSplit.musicFolder)
        return QStringLiteral("music folder");
    if (a.tracks().size() != b.tracks().size())
        return QStringLiteral("%1 tracks against %2").arg(a.tracks().size()).arg(b.tracks().size());
    for (size_t i = 0; i < a.tracks().size(); ++i) {
        const LibraryTrack& x = a.tracks()[i];
        const LibraryTrack& y = b.tracks()[i];
        if (x.mPersistentId != y.mPersistentId || x.mName != y.mName || x.mArtist != y.mArtist
            || x.mAlbumArtist != y.mAlbumArtist || x.mAlbum != y.mAlbum
            || x.mComposer != y.mComposer || x.mGenre != y.mGenre || x.mLocation != y.mLocation
            || x.mSize != y.mSize || x.mTrackNumber != y.mTrackNumber
            || x.mDiscNumber != y.mDiscNumber || x.mYear != y.mYear
            || x.mDurationMs != y.mDurationMs || x.mDateAdded != y.mDateAdded
            || x.mCompilation != y.mCompilation || x.mPodcast != y.mPodcast
            || x.mProtected != y.mProtected || x.mRemote != y.mRemote
            || x.mName.isNull() != y.mName.isNull())
            return QStringLiteral("track %1 (%2)").arg(i).arg(x.mName);
    }
    if (a.wholeLibrary() != b.wholeLibrary())
        return QStringLiteral("whole library");
    const auto samePlaylists = [](const std::vector<LibraryPlaylist>& aX,
                                  const std::vector<LibraryPlaylist>& aY) {
        if (aX.size() != aY.size())
            return false;
        for (size_t i = 0; i < aX.size(); ++i) {
            if (aX[i].mName != aY[i].mName || aX[i].mTrackIndexes != aY[i].mTrackIndexes)
                return false;
        }
        return true;
    };
    if (!samePlaylists(a.playlists(), b.playlists()))
        return QStringLiteral("playlists");
    if (!samePlaylists(a.podcasts(), b.podcasts()))
        return QStringLiteral("podcasts");
    return QString();
}
