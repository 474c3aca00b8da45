// Whole runs from a music folder (real tagged files, .m3u playlists, a Podcasts folder) onto the
// phone, compared file by file with the tree the phone must hold.
#include "TestMain.h"
#include "app/AppPaths.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "library/LibraryFactory.h"
#include "library/MusicFolderBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using Playlists = QList<QPair<QString, QStringList>>;

// The fixture's media folder as a music folder: each track a tagged tone.
class FolderLibrary
{
public:
    explicit FolderLibrary(EngineFixture& aFixture) : mFixture(aFixture), mScratch(mScratchDir.path()) {}

    EngineFixture::TrackFile& add(const QString& aName, const QString& aArtist,
                                  const QString& aAlbum, int aNumber, const QString& aFileName)
    {
        return mFixture.addTrack(aName, aArtist, aAlbum, aNumber, aFileName,
                                 tagged(aFileName, aName, aArtist, aAlbum, aNumber));
    }

    // An episode below "Podcasts/<show>/", dated by its file's time.
    EngineFixture::TrackFile& episode(const QString& aShow, const QString& aName, int aNumber,
                                      const QDateTime& aDate)
    {
        EngineFixture::TrackFile& episode = mFixture.addEpisode(aShow, aName, aNumber, aDate);
        const QString path = mFixture.mediaPath(episode.mRelativePath);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(tagged(QStringLiteral("episode.mp3"), aName, aShow, aShow, aNumber));
        file.close();
        if (file.open(QIODevice::ReadWrite))
            file.setFileTime(aDate, QFileDevice::FileModificationTime);
        return episode;
    }

    void playlist(const QString& aRelativePath, const QByteArray& aContent)
    {
        MusicFolderBuilder(mFixture.mediaPath(QString())).writeFile(aRelativePath, aContent);
    }

    void choose() { LibraryFactory::setChosenPath(QDir::cleanPath(mFixture.mediaPath(QString()))); }

private:
    QByteArray tagged(const QString& aFileName, const QString& aName, const QString& aArtist,
                      const QString& aAlbum, int aNumber)
    {
        MusicFolderBuilder::Tags tags;
        tags.mTitle = aName;
        tags.mArtist = aArtist;
        tags.mAlbum = aAlbum;
        tags.mTrack = aNumber;
        const QString path = mScratch.addTrack(QStringLiteral("%1/%2").arg(++mCount).arg(aFileName), tags);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    EngineFixture& mFixture;
    QTemporaryDir mScratchDir;
    MusicFolderBuilder mScratch;
    int mCount = 0;
};

} // namespace

class TestSyncFromFolder : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::corvoFolder()).removeRecursively(); }

    // Playlists in each entry form, a podcast limited to its newest episodes; a second run
    // finds the same tracks (the same ids) and copies nothing.
    void playlistsAndPodcastsReachThePhone()
    {
        EngineFixture fixture;
        FolderLibrary library(fixture);
        library.add("Morning", "Ada", "First Light", 1, "01 Morning.mp3");
        library.add("Noon", "Ada", "First Light", 2, "02 Noon.m4a");
        library.add("Low", "Ben", "Waves", 1, "01 Low.flac");
        library.add("Unlisted", "Ben", "Waves", 2, "02 Unlisted.mp3");
        for (int i = 1; i <= 3; ++i)
            library.episode("Daily", QStringLiteral("Day %1").arg(i), i,
                            QDateTime(QDate(2024, 1, 10 + i), QTime(8, 0), Qt::UTC));
        library.playlist("Lists/Road.m3u8", "#EXTM3U\n../Ben/Waves/01 Low.flac\n../Ada/First Light/01 Morning.mp3\n");
        library.playlist("Mix.m3u", "C:\\Users\\ann\\Music\\Ada\\First Light\\02 Noon.m4a\r\nBen\\Waves\\01 Low.flac\r\nmissing.mp3\r\n");
        library.choose();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {"Road", "Mix"};
        configuration.mPodcastSetting = 2;
        configuration.mPodcasts = {"Daily"};
        configuration.mEpisodes = 2;
        fixture.configure(configuration);

        const EngineFixture::Result first = fixture.run();
        QCOMPARE(first.finalState(), SyncState::Finished);
        const QStringList road = {"Low", "Morning"};
        const QStringList mix = {"Noon", "Low"};
        // The newest first, as the phone lists episodes.
        const QStringList newest = {"Day 3", "Day 2"};
        const Playlists playlists{{"Road", road}, {"Mix", mix}, {"Daily", newest}};
        const QStringList onPhone = {"Day 2", "Day 3", "Low", "Morning", "Noon"};
        PELLMAR_COMPARE_TREE(fixture.expectedTree(onPhone, playlists), fixture.phoneRoot());

        const EngineFixture::Result second = fixture.run();
        QCOMPARE(second.finalState(), SyncState::Finished);
        QCOMPARE(second.mCopied, 0);
        QCOMPARE(second.mDeleted, 0);
        PELLMAR_COMPARE_TREE(fixture.expectedTree(onPhone, playlists), fixture.phoneRoot());
    }
};

PELLMAR_TEST_MAIN(TestSyncFromFolder)
#include "test_sync_from_folder.moc"
