// Folder listings shared between track location resolvers: a listing is reused only while its
// folder is unchanged, and files that come, go or move are seen by the next lookup.
#include "TestMain.h"

#include "library/itunes/FolderListingCache.h"
#include "library/itunes/TrackLocationResolver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

void touch(const QString& aPath)
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// A folder last changed long ago, whose listing the cache may keep.
void settle(const QString& aFolder, qint64 aSeconds = 1000000000)
{
    const timespec times[2] = {{aSeconds, 0}, {aSeconds, 0}};
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(aFolder).constData(), times, 0) == 0);
}

QString url(const QString& aPath)
{
    return QStringLiteral("file://") + aPath;
}

} // namespace

class TestLibraryFolderCache : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mAlbum;

    // A resolver as each library operation makes one.
    QString resolve(const QString& aName)
    {
        TrackLocationResolver resolver(mDir.path() + "/Library.xml", QString());
        return resolver.resolve(url(mAlbum + u'/' + aName));
    }

private slots:
    void init()
    {
        FolderListingCache::instance().clear();
        mAlbum = mDir.path() + QStringLiteral("/Music/Album");
        QDir(mDir.path() + "/Music").removeRecursively();
        touch(mAlbum + "/Track.mp3");
        settle(mAlbum);
    }

    void resolversShareTheListingOfAnUnchangedFolder()
    {
        FolderListingCache& cache = FolderListingCache::instance();
        QCOMPARE(resolve("track.MP3"), mAlbum + "/Track.mp3");
        const qint64 reads = cache.readCount();
        QCOMPARE(resolve("TRACK.mp3"), mAlbum + "/Track.mp3");
        QCOMPARE(resolve("Track.mp3"), mAlbum + "/Track.mp3");
        QCOMPARE(cache.readCount(), reads);

        // A folder changed a moment ago may change again within the same time stamp: its
        // listing answers once and is read again next time.
        touch(mAlbum + "/Other.mp3");
        QCOMPARE(resolve("other.mp3"), mAlbum + "/Other.mp3");
        QCOMPARE(resolve("other.mp3"), mAlbum + "/Other.mp3");
        QCOMPARE(cache.readCount(), reads + 2);
    }

    void filesThatComeAndGoAreSeenByTheNextLookup()
    {
        TrackLocationResolver longLived(mDir.path() + "/Library.xml", QString());
        QCOMPARE(resolve("Track.mp3"), mAlbum + "/Track.mp3");
        QCOMPARE(longLived.resolve(url(mAlbum + "/track.mp3")), mAlbum + "/Track.mp3");
        // Missing: the answer is the location as written.
        QCOMPARE(resolve("new.MP3"), mAlbum + "/new.MP3");

        touch(mAlbum + "/New.mp3");
        settle(mAlbum, 1000000100);
        QCOMPARE(resolve("new.MP3"), mAlbum + "/New.mp3");
        // A resolver that listed the folder before also finds it.
        QCOMPARE(longLived.resolve(url(mAlbum + "/new.MP3")), mAlbum + "/New.mp3");

        QVERIFY(QFile::remove(mAlbum + "/Track.mp3"));
        settle(mAlbum, 1000000200);
        QCOMPARE(resolve("track.MP3"), mAlbum + "/track.MP3");

        // Renamed, with the folder's time set back to what it was: the change time tells.
        QVERIFY(QFile::rename(mAlbum + "/New.mp3", mAlbum + "/Renamed.mp3"));
        settle(mAlbum, 1000000200);
        QCOMPARE(resolve("RENAMED.mp3"), mAlbum + "/Renamed.mp3");
        QCOMPARE(resolve("new.MP3"), mAlbum + "/new.MP3");
    }

    void folderRemovedAndMadeAgain()
    {
        QCOMPARE(resolve("track.mp3"), mAlbum + "/Track.mp3");
        QVERIFY(QDir(mAlbum).removeRecursively());
        QVERIFY(!FolderListingCache::instance().current(mAlbum));
        QCOMPARE(resolve("track.mp3"), mAlbum + "/track.mp3");

        // Same path, same time stamp, other contents.
        touch(mAlbum + "/Again.mp3");
        settle(mAlbum);
        QCOMPARE(resolve("track.mp3"), mAlbum + "/track.mp3");
        QCOMPARE(resolve("AGAIN.mp3"), mAlbum + "/Again.mp3");
        const auto listing = FolderListingCache::instance().current(mAlbum);
        QVERIFY(listing);
        QCOMPARE(listing->mNames, QSet<QString>({"Again.mp3"}));
    }

    void namesInEitherUnicodeFormAndLinks()
    {
        const QString composed = QString::fromUtf8("Caf\xC3\xA9.mp3");
        const QString decomposed = composed.normalized(QString::NormalizationForm_D);
        touch(mAlbum + u'/' + decomposed);
        QVERIFY(QFile::link(mAlbum + "/Track.mp3", mAlbum + "/Link.mp3"));
        settle(mAlbum);
        QCOMPARE(resolve(composed), mAlbum + u'/' + decomposed);
        QCOMPARE(resolve(decomposed), mAlbum + u'/' + decomposed);
        QCOMPARE(resolve("Link.mp3"), mAlbum + "/Link.mp3");

        // A link whose target is gone names no file: the real file in the other form wins.
        const QString other = mDir.path() + "/Music/Other";
        const QString song = QString::fromUtf8("S\xC3\xB6ng.mp3");
        touch(other + u'/' + song.normalized(QString::NormalizationForm_D));
        QVERIFY(QFile::link(other + "/Gone.mp3", other + u'/' + song));
        settle(other);
        TrackLocationResolver resolver(mDir.path() + "/Library.xml", QString());
        QCOMPARE(resolver.resolve(url(other + u'/' + song)),
                 other + u'/' + song.normalized(QString::NormalizationForm_D));

        // The folder itself is no name a listing holds: the file system judges it.
        QCOMPARE(resolve(QString()), mAlbum + u'/');
    }

    void keepsABoundedNumberOfFolders()
    {
        FolderListingCache& cache = FolderListingCache::instance();
        const QString root = mDir.path() + "/Many";
        for (int i = 0; i <= FolderListingCache::kMaxFolders; ++i) {
            const QString folder = root + u'/' + QString::number(i);
            QVERIFY(QDir().mkpath(folder));
            settle(folder);
            QVERIFY(cache.current(folder));
            QVERIFY(cache.folderCount() <= FolderListingCache::kMaxFolders);
        }
        QVERIFY(cache.folderCount() >= 1);
        QVERIFY(QDir(root).removeRecursively());
    }
};

PELLMAR_TEST_MAIN(TestLibraryFolderCache)
#include "test_library_folder_cache.moc"
