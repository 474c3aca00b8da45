// Album art of real audio files (made with ffmpeg) through the library file backend.
#include "TestMain.h"
#include "library/LibraryXmlBuilder.h"

#include "app/AppPaths.h"
#include "app/HelperLookup.h"
#include "library/EmbeddedArtworkReader.h"
#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"
#include "tracks/Track.h"
#include "tracks/TrackList.h"

#include <QProcess>
#include <QTemporaryDir>

class TestLibraryArtwork : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mFfmpeg;
    QString mLibraryPath;
    QList<Track> mTracks;

    bool ffmpeg(const QStringList& aArguments)
    {
        QProcess process;
        process.start(mFfmpeg, QStringList{"-v", "error", "-y"} + aArguments);
        return process.waitForFinished(30000) && process.exitCode() == 0;
    }

    QByteArray contents(const QString& aPath)
    {
        QFile file(aPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString cover(const QString& aExtension, const char* aColour)
    {
        const QString path = mDir.path() + "/cover." + aExtension;
        if (!QFileInfo::exists(path))
            ffmpeg({"-f", "lavfi", "-i", QString("color=c=%1:s=32x32").arg(aColour), "-frames:v", "1", path});
        return path;
    }

    // A short tone; with a cover when aCover is not empty.
    QString tone(const QString& aPath, const QString& aCover)
    {
        QDir().mkpath(QFileInfo(aPath).absolutePath());
        QStringList args{"-f", "lavfi", "-i", "sine=frequency=440:duration=0.2"};
        if (!aCover.isEmpty())
            args << "-i" << aCover << "-map" << "0:a" << "-map" << "1:v" << "-c:v" << "copy";
        if (aPath.endsWith(".m4a"))
            args << "-c:a" << "aac";
        else
            args << "-c:a" << "libmp3lame" << "-id3v2_version" << "3";
        if (!aCover.isEmpty())
            args << "-disposition:v" << "attached_pic";
        args << aPath;
        return ffmpeg(args) ? aPath : QString();
    }

private slots:
    void initTestCase()
    {
        mFfmpeg = HelperLookup::find("ffmpeg/ffmpeg", "ffmpeg");
        QVERIFY2(!mFfmpeg.isEmpty(), "ffmpeg is needed");
        const QString media = mDir.path() + "/media/";
        struct Made { QString name, album, path; };
        const QList<Made> made = {
            {"Jpeg", "A", tone(media + "a/jpeg.mp3", cover("jpg", "red"))},
            {"Png", "B", tone(media + "b/png.mp3", cover("png", "blue"))},
            {"Bmp", "C", tone(media + "c/bmp.mp3", cover("bmp", "green"))},
            {"Mp4", "D", tone(media + "d/cover.m4a", cover("jpg", "red"))},
            {"Bare", "E", tone(media + "e/bare.mp3", QString())},
            {"Next", "E", tone(media + "e/next.mp3", cover("jpg", "red"))},
            {"Beside", "F", tone(media + "f/beside.mp3", QString())},
        };
        QVERIFY(QFile::copy(cover("png", "blue"), media + "f/Folder.PNG"));
        LibraryXmlBuilder builder(LibraryXmlBuilder::Style::MacOS);
        QList<qint64> ids;
        for (const Made& m : made) {
            QVERIFY2(!m.path.isEmpty(), qPrintable(m.name));
            LibraryXmlBuilder::TrackSpec trackFields;
            trackFields.mName = m.name;
            trackFields.mAlbum = m.album;
            trackFields.mArtist = "Tone Band";
            trackFields.mLocation = LibraryXmlBuilder::linuxUrl(m.path);
            ids << builder.addTrack(trackFields);
        }
        builder.addMasterPlaylist();
        LibraryXmlBuilder::PlaylistSpec music;
        music.mName = "Music";
        music.mDistinguishedKind = 4;
        music.mFlags = {"Music"};
        music.mTrackIds = ids;
        builder.addPlaylist(music);
        mLibraryPath = mDir.path() + "/iTunes Library.xml";
        QVERIFY(builder.write(mLibraryPath));
        LibraryFactory::setChosenPath(mLibraryPath);
        // The tracks as a run has them: with the library's persistent ids.
        MusicLibrary library;
        TrackList tracks;
        TrackList drm;
        PlaylistEntry entry;
        qint64 size = 0;
        QCOMPARE(library.tracks(QString(), tracks, size, false, drm, entry, false), 0);
        for (int i = 0; i < tracks.count(); ++i)
            mTracks << tracks.at(i);
        QCOMPARE(mTracks.size(), made.size());
    }

    void embeddedPicturesAreRead()
    {
        const auto jpeg = EmbeddedArtworkReader::read(mTracks[0].path());
        QCOMPARE(jpeg.size(), 1);
        QCOMPARE(jpeg[0].mFormat, LibraryArtwork::Jpeg);
        QCOMPARE(jpeg[0].mData, contents(cover("jpg", "red")));
        QCOMPARE(EmbeddedArtworkReader::read(mTracks[3].path()).value(0).mFormat, LibraryArtwork::Jpeg);
        QVERIFY(EmbeddedArtworkReader::read(mTracks[4].path()).isEmpty());
        QVERIFY(EmbeddedArtworkReader::read(mDir.path() + "/nothing.mp3").isEmpty());
        QVERIFY(EmbeddedArtworkReader::read(mLibraryPath).isEmpty());
        QCOMPARE(EmbeddedArtworkReader::formatOf("GIF89a and more", "image/jpeg"), LibraryArtwork::None);
        // A cover file beside a track without an embedded picture; any case of its name.
        const LibraryArtwork beside = EmbeddedArtworkReader::artworkOf(mTracks[6].path());
        QCOMPARE(beside.mFormat, LibraryArtwork::Png);
        QCOMPARE(beside.mData, contents(cover("png", "blue")));
        // A media file named "cover" is no picture.
        QCOMPARE(EmbeddedArtworkReader::coverBeside(mTracks[3].path()).mFormat, LibraryArtwork::None);
    }

    void artworkIsSavedInItsFormat()
    {
        MusicLibrary library;
        const QString corvo = AppPaths::corvoFolder();
        const QString jpeg = library.artworkFile(mTracks[0]);
        QCOMPARE(jpeg, corvo + "/temp_art.jpg");
        QCOMPARE(contents(jpeg), contents(cover("jpg", "red")));
        QCOMPARE(library.artworkFile(mTracks[1]), corvo + "/temp_art.png");
        QCOMPARE(contents(corvo + "/temp_art.png"), contents(cover("png", "blue")));
        QCOMPARE(library.artworkFile(mTracks[2]), corvo + "/temp_art.bmp");
        QCOMPARE(contents(corvo + "/temp_art.bmp"), contents(cover("bmp", "green")));
        QCOMPARE(library.artworkFile(mTracks[3]), corvo + "/temp_art.jpg");
        QCOMPARE(contents(corvo + "/temp_art.jpg"), contents(cover("jpg", "red")));
        QCOMPARE(library.artworkFile(mTracks[6]), corvo + "/temp_art.png");
    }

    void foldersWithoutArtAreRemembered()
    {
        MusicLibrary library;
        QCOMPARE(library.artworkFile(mTracks[4]), QString());
        // Same folder: not looked up again, although this file has a cover.
        QCOMPARE(library.artworkFile(mTracks[5]), QString());
        MusicLibrary fresh;
        QCOMPARE(fresh.artworkFile(mTracks[5]), AppPaths::corvoFolder() + "/temp_art.jpg");

        // A track that is not in the library (a cached one, without a library id) is not
        // remembered.
        Track stranger("Next", "E", "Tone Band", 1, mTracks[5].path(), true, false, false, {});
        MusicLibrary third;
        QCOMPARE(third.artworkFile(stranger), QString());
        QCOMPARE(third.artworkFile(mTracks[5]), AppPaths::corvoFolder() + "/temp_art.jpg");
    }
};

PELLMAR_TEST_MAIN(TestLibraryArtwork)
#include "test_library_artwork.moc"
