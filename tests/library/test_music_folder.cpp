// A folder of real tagged audio files (ffmpeg tones tagged with TagLib) read as a library.
#include "TestMain.h"
#include "library/MusicFolderBuilder.h"

#include "library/folder/FolderScanIndex.h"
#include "library/folder/MusicFolderSource.h"

#include <QTemporaryDir>

namespace {

const LibraryTrack* trackNamed(const LibraryContent& aContent, const QString& aName)
{
    for (const LibraryTrack& track : aContent.tracks())
        if (track.mName == aName)
            return &track;
    return nullptr;
}

QStringList namesOf(const LibraryContent& aContent, const QList<qint32>& aIndexes)
{
    QStringList names;
    for (const qint32 index : aIndexes)
        names << aContent.tracks().at(size_t(index)).mName;
    return names;
}

const LibraryPlaylist* playlistNamed(const std::vector<LibraryPlaylist>& aList, const QString& aName)
{
    for (const LibraryPlaylist& playlist : aList)
        if (playlist.mName == aName)
            return &playlist;
    return nullptr;
}

MusicFolderBuilder::Tags tags(const QString& aTitle, const QString& aArtist = QStringLiteral("Tone Band"),
                              const QString& aAlbum = QStringLiteral("Tones"), int aTrack = 1)
{
    MusicFolderBuilder::Tags result;
    result.mTitle = aTitle;
    result.mArtist = aArtist;
    result.mAlbum = aAlbum;
    result.mTrack = aTrack;
    return result;
}

bool anyLineHas(const QStringList& aLines, const QString& aText)
{
    for (const QString& line : aLines)
        if (line.contains(aText))
            return true;
    return false;
}

} // namespace

class TestMusicFolder : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

private slots:
    void everyFormatGivesItsTags_data()
    {
        QTest::addColumn<QString>("extension");
        for (const char* extension : {"mp3", "m4a", "flac", "ogg", "opus", "wav", "aiff", "wma"})
            QTest::newRow(extension) << QString::fromLatin1(extension);
    }

    void everyFormatGivesItsTags()
    {
        QFETCH(QString, extension);
        const QString root = mDir.path() + "/formats-" + extension;
        MusicFolderBuilder builder(root);
        MusicFolderBuilder::Tags full = tags("Süße Töne", "Artist Ä", "Album Ω", 7);
        full.mAlbumArtist = "Various";
        full.mComposer = "Composer";
        full.mGenre = "Ambient";
        full.mDisc = 2;
        full.mYear = 1999;
        full.mCompilation = extension != "wma";
        QVERIFY2(!builder.addTrack("Artist/Album/07 track." + extension, full).isEmpty(),
                 qPrintable(builder.error()));

        MusicFolderSource source(root);
        const LibraryRead read = source.read();
        QVERIFY2(read.mWarnings.isEmpty(), qPrintable(read.mWarnings.join('\n')));
        QCOMPARE(read.mContent->tracks().size(), size_t(1));
        const LibraryTrack& track = read.mContent->tracks().front();
        QCOMPARE(track.mName, full.mTitle);
        QCOMPARE(track.mArtist, full.mArtist);
        QCOMPARE(track.mAlbum, full.mAlbum);
        QCOMPARE(track.mAlbumArtist, full.mAlbumArtist);
        QCOMPARE(track.mComposer, full.mComposer);
        QCOMPARE(track.mGenre, full.mGenre);
        QCOMPARE(track.mTrackNumber, 7);
        QCOMPARE(track.mDiscNumber, 2);
        QCOMPARE(track.mYear, 1999);
        QCOMPARE(track.mCompilation, full.mCompilation);
        QVERIFY2(track.mDurationMs >= 400 && track.mDurationMs <= 700, qPrintable(QString::number(track.mDurationMs)));
        QCOMPARE(track.mSize, QFileInfo(root + "/Artist/Album/07 track." + extension).size());
        QCOMPARE(source.filePath(track), root + "/Artist/Album/07 track." + extension);
        QVERIFY(track.mPersistentId != 0);
        QCOMPARE(read.mContent->wholeLibrary(), QList<qint32>{0});
    }

    void fileWithoutTagsIsNamedAfterItsFile()
    {
        MusicFolderBuilder builder(mDir.path() + "/untagged");
        QVERIFY(!builder.addUntagged("Loose/03 - Night Drive.mp3").isEmpty());
        QVERIFY(!builder.addUntagged("Loose/b.flac").isEmpty());
        const LibraryRead read = MusicFolderSource(builder.root()).read();
        QVERIFY(read.mWarnings.isEmpty());
        QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()),
                 QStringList({"03 - Night Drive", "b"}));
        QCOMPARE(read.mContent->tracks().front().mArtist, QString());
    }

    void artworkIsEmbeddedElseTheCoverFileBesideIt()
    {
        MusicFolderBuilder builder(mDir.path() + "/art");
        const QByteArray red = MusicFolderBuilder::jpeg("red");
        const QByteArray blue = MusicFolderBuilder::jpeg("blue");
        QVERIFY(!red.isEmpty() && !blue.isEmpty());
        MusicFolderBuilder::Tags embedded = tags("Embedded");
        embedded.mJpeg = red;
        QVERIFY(!builder.addTrack("A/embedded.m4a", embedded).isEmpty());
        QVERIFY(!builder.addTrack("A/plain.mp3", tags("Beside A")).isEmpty());
        builder.writeFile("A/Folder.JPG", blue);
        QVERIFY(!builder.addTrack("B/plain.mp3", tags("Bare")).isEmpty());
        builder.writeFile("B/cover.jpg", "not a picture");

        MusicFolderSource source(builder.root());
        const LibraryRead read = source.read();
        const LibraryArtwork first = source.artwork(*trackNamed(*read.mContent, "Embedded"));
        QCOMPARE(first.mFormat, LibraryArtwork::Jpeg);
        QCOMPARE(first.mData, red);
        const LibraryArtwork beside = source.artwork(*trackNamed(*read.mContent, "Beside A"));
        QCOMPARE(beside.mData, blue);
        QCOMPARE(source.artwork(*trackNamed(*read.mContent, "Bare")).mFormat, LibraryArtwork::None);
    }

    void playlistsResolveEveryEntryForm()
    {
        const QString root = mDir.path() + "/playlists";
        MusicFolderBuilder builder(root);
        QVERIFY(!builder.addTrack("Band/Album/01 One.mp3", tags("One", "Band", "Album", 1)).isEmpty());
        QVERIFY(!builder.addTrack("Band/Album/02 Two.flac", tags("Two", "Band", "Album", 2)).isEmpty());
        QVERIFY(!builder.addTrack("Other/Été.ogg", tags("Three")).isEmpty());
        builder.writeFile("Band/Album/notes.txt", "not audio");
        QTemporaryDir outside;
        MusicFolderBuilder(outside.path()).addUntagged("far.mp3");

        builder.writeFile("Lists/mixed.m3u8",
                          ("#EXTM3U\n#EXTINF:1,One\n../Band/Album/01 One.mp3\r\n"
                           + root + "/Band/Album/02 Two.flac\n"
                           "file://" + QUrl::toPercentEncoding(root + "/Other/Été.ogg", "/") + "\n"
                           "C:\\Users\\bob\\Music\\Band\\Album\\01 One.mp3\n"
                           "..\\other\\ÉTÉ.ogg\n"
                           "file:///C:/Music/Band/Album/02%20Two.flac\n"
                           "../Band/Album/missing.mp3\n"
                           "../../" + QFileInfo(outside.path()).fileName() + "/far.mp3\n"
                           + outside.path() + "/far.mp3\n"
                           "../Band/Album/notes.txt\n"
                           "http://radio.example/stream\n").toUtf8());
        // Windows-1252, as older players wrote .m3u files.
        builder.writeFile("latin.m3u", QByteArray("Other\\\xC9t\xE9.ogg\r\n"));
        builder.writeFile("Band/list.pls",
                          "[playlist]\nNumberOfEntries=3\nFile2=Album/01 One.mp3\nTitle2=x\n"
                          "File1=Album/02 Two.flac\nFile3=/etc/passwd\n");

        MusicFolderSource source(root);
        const LibraryRead read = source.read();
        const LibraryContent& content = *read.mContent;
        QCOMPARE(content.playlists().size(), size_t(3));
        QCOMPARE(namesOf(content, playlistNamed(content.playlists(), "mixed")->mTrackIndexes),
                 QStringList({"One", "Two", "Three", "One", "Three", "Two"}));
        QCOMPARE(namesOf(content, playlistNamed(content.playlists(), "latin")->mTrackIndexes),
                 QStringList{"Three"});
        QCOMPARE(namesOf(content, playlistNamed(content.playlists(), "list")->mTrackIndexes),
                 QStringList({"Two", "One"}));
        // Skipped entries are told, but the read is whole: no track is missing.
        QVERIFY(!read.mIncomplete);
        QVERIFY(anyLineHas(read.mWarnings, "missing.mp3\" skipped: file is missing"));
        QVERIFY(anyLineHas(read.mWarnings, "/far.mp3\" skipped: outside the music folder"));
        QVERIFY(anyLineHas(read.mWarnings, "/etc/passwd\" skipped: outside the music folder"));
        QVERIFY(anyLineHas(read.mWarnings, "notes.txt\" skipped: not an audio file"));
        QCOMPARE(read.mWarnings.size(), 6);
        QVERIFY(source.watchedPaths().contains(root + "/Band/Album"));
        QVERIFY(source.watchedPaths().contains(root + "/Lists/mixed.m3u8"));
    }

    void podcastShowsHoldTheirEpisodesByFileDate()
    {
        MusicFolderBuilder builder(mDir.path() + "/podcasts");
        QVERIFY(!builder.addTrack("Music/song.mp3", tags("Song")).isEmpty());
        QVERIFY(!builder.addTrack("Podcasts/Daily News/b-first.mp3", tags("Monday", "News Co", "")).isEmpty());
        QVERIFY(!builder.addTrack("Podcasts/Daily News/a-second.mp3", tags("Tuesday", "News Co", "")).isEmpty());
        QVERIFY(!builder.addTrack("Podcasts/Tech Talk/e1.m4a", tags("Episode 1", "Tech", "Tech Talk")).isEmpty());
        const QDateTime monday(QDate(2024, 3, 4), QTime(8, 0), Qt::UTC);
        QVERIFY(builder.setModified("Podcasts/Daily News/b-first.mp3", monday));
        QVERIFY(builder.setModified("Podcasts/Daily News/a-second.mp3", monday.addDays(1)));

        const LibraryRead read = MusicFolderSource(builder.root()).read();
        const LibraryContent& content = *read.mContent;
        QCOMPARE(namesOf(content, content.wholeLibrary()), QStringList{"Song"});
        QCOMPARE(content.podcasts().size(), size_t(2));
        QCOMPARE(content.podcasts()[0].mName, QStringLiteral("Daily News"));
        QCOMPARE(namesOf(content, content.podcasts()[0].mTrackIndexes), QStringList({"Monday", "Tuesday"}));
        QCOMPARE(content.podcasts()[1].mName, QStringLiteral("Tech Talk"));
        const LibraryTrack* monday1 = trackNamed(content, "Monday");
        QVERIFY(monday1->mPodcast);
        QCOMPARE(monday1->mAlbum, QStringLiteral("Daily News"));
        QVERIFY(qAbs(monday1->mDateAdded - (45355.0 + 8.0 / 24.0)) < 1e-6);
    }

    // Ids, playlists and order survive a rescan (in this process and from the index in the next);
    // a moved file is a new track while the others keep theirs.
    void idsAreStableAcrossRescansAndMovesMakeNewTracks()
    {
        MusicFolderBuilder builder(mDir.path() + "/stable");
        for (int i = 0; i < 6; ++i)
            QVERIFY(!builder.addTrack(QString("Artist %1/Album/%2.mp3").arg(i % 2).arg(i), tags(QString("T%1").arg(i))).isEmpty());
        builder.writeFile("all.m3u", "Artist 1/Album/5.mp3\nArtist 0/Album/0.mp3\n");
        const auto snapshot = [](const LibraryRead& aRead) {
            QStringList lines;
            for (const LibraryTrack& track : aRead.mContent->tracks())
                lines << track.mName + ' ' + QString::number(track.mPersistentId, 16);
            lines << namesOf(*aRead.mContent, aRead.mContent->playlists().at(0).mTrackIndexes);
            return lines;
        };
        MusicFolderSource source(builder.root());
        const LibraryRead first = source.read();
        const LibraryRead again = source.read();
        QCOMPARE(again.mContent, first.mContent);
        QCOMPARE(snapshot(MusicFolderSource(builder.root()).read()), snapshot(first));

        QVERIFY(QDir(builder.root()).rename("Artist 0/Album/2.mp3", "Artist 1/Album/2.mp3"));
        const LibraryRead moved = source.read();
        const quint64 before = trackNamed(*first.mContent, "T2")->mPersistentId;
        QVERIFY(trackNamed(*moved.mContent, "T2")->mPersistentId != before);
        for (const QString name : {"T0", "T1", "T3", "T4", "T5"})
            QCOMPARE(trackNamed(*moved.mContent, name)->mPersistentId,
                     trackNamed(*first.mContent, name)->mPersistentId);
    }

    // The next process trusts the index for files whose size and time are unchanged (here one
    // is overwritten with noise and its time put back: if it were read, it would be unreadable)
    // and reads a changed file again.
    void rescanReadsOnlyChangedFiles()
    {
        MusicFolderBuilder builder(mDir.path() + "/rescan");
        const QString kept = builder.addTrack("kept.mp3", tags("Kept"));
        const QString edited = builder.addTrack("edited.flac", tags("Before"));
        QVERIFY(!kept.isEmpty() && !edited.isEmpty());
        const QDateTime keptTime(QDate(2023, 5, 6), QTime(7, 8, 9), Qt::UTC);
        QVERIFY(builder.setModified("kept.mp3", keptTime));
        QVERIFY(!MusicFolderSource(builder.root()).read().mIncomplete);

        {
            QFile file(kept);
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.write(QByteArray(file.size(), 'x'));
        }
        QVERIFY(builder.setModified("kept.mp3", keptTime));
        QVERIFY(MusicFolderBuilder::writeTags(edited, tags("After")));
        QVERIFY(builder.setModified("edited.flac", QDateTime::currentDateTimeUtc().addSecs(5)));

        const LibraryRead read = MusicFolderSource(builder.root()).read();
        QVERIFY(!read.mIncomplete);
        QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()), QStringList({"After", "Kept"}));
    }

    void damagedIndexIsIgnoredAndRebuilt()
    {
        MusicFolderBuilder builder(mDir.path() + "/damaged-index");
        QVERIFY(!builder.addTrack("a.mp3", tags("A")).isEmpty());
        QVERIFY(!builder.addTrack("b.mp3", tags("B")).isEmpty());
        const LibraryRead first = MusicFolderSource(builder.root()).read();
        const QString indexPath = FolderScanIndex::indexPathFor(builder.root());
        QFile index(indexPath);
        QVERIFY(index.open(QIODevice::ReadWrite));
        QByteArray bytes = index.readAll();
        QVERIFY(bytes.size() > 40);
        for (const qsizetype at : {qsizetype(30), bytes.size() / 2, bytes.size() - 3})
            bytes[at] = char(bytes[at] ^ 0x5A);
        index.seek(0);
        index.write(bytes);
        index.close();

        FolderScanIndex damaged(builder.root());
        QVERIFY(!damaged.load());
        const LibraryRead read = MusicFolderSource(builder.root()).read();
        QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()), QStringList({"A", "B"}));
        QCOMPARE(read.mContent->tracks().front().mPersistentId, first.mContent->tracks().front().mPersistentId);
        FolderScanIndex rebuilt(builder.root());
        QVERIFY(rebuilt.load());
        QCOMPARE(rebuilt.size(), 2);

        index.open(QIODevice::WriteOnly | QIODevice::Truncate);
        index.write(bytes.left(17));
        index.close();
        QCOMPARE(MusicFolderSource(builder.root()).read().mContent->tracks().size(), size_t(2));
    }

    void damagedFilesLeaveTheRestOfTheLibrary()
    {
        MusicFolderBuilder builder(mDir.path() + "/damaged-files");
        QVERIFY(!builder.addTrack("good.mp3", tags("Good")).isEmpty());
        const QString cut = builder.addTrack("cut.flac", tags("Cut"));
        QVERIFY(!cut.isEmpty());
        QVERIFY(QFile::resize(cut, 20));
        builder.writeFile("noise.m4a", QByteArray(5000, '\x01'));
        builder.writeFile("empty.ogg", QByteArray());

        const LibraryRead read = MusicFolderSource(builder.root()).read();
        QVERIFY(read.mError.mKind == LibraryReadError::Kind::None);
        QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()), QStringList{"Good"});
        QVERIFY(read.mIncomplete);
        QVERIFY(anyLineHas(read.mWarnings, "cut.flac: cannot be read"));
        QVERIFY(anyLineHas(read.mWarnings, "noise.m4a: cannot be read"));
        QVERIFY(anyLineHas(read.mWarnings, "empty.ogg: cannot be read"));
        // Known from the index next time, and still told.
        const LibraryRead again = MusicFolderSource(builder.root()).read();
        QVERIFY(again.mIncomplete);
        QCOMPARE(again.mWarnings.size(), 3);
    }

    // Tags from broken taggers: invalid UTF-8 in an ID3v2.4 frame, a lone surrogate in a UTF-16
    // one. The tracks stay, with what could be decoded (or their file's name), and it is told.
    void brokenTagEncodingsKeepTheTrack()
    {
        MusicFolderBuilder builder(mDir.path() + "/encodings");
        const QString tone = builder.addUntagged("tone.mp3");
        QVERIFY(!tone.isEmpty());
        QFile toneFile(tone);
        QVERIFY(toneFile.open(QIODevice::ReadOnly));
        const QByteArray audio = toneFile.readAll();
        const auto id3 = [&](char aVersion, const QByteArray& aFrameId, const QByteArray& aBody) {
            const auto size = [](qsizetype aSize, bool aSyncSafe) {
                QByteArray bytes(4, 0);
                for (int i = 0; i < 4; ++i)
                    bytes[3 - i] = char(aSyncSafe ? (aSize >> (7 * i)) & 0x7F : (aSize >> (8 * i)) & 0xFF);
                return bytes;
            };
            const QByteArray frame = aFrameId + size(aBody.size(), aVersion == 4) + QByteArray(2, 0) + aBody;
            return QByteArray("ID3") + aVersion + '\0' + '\0' + size(frame.size(), true) + frame + audio;
        };
        builder.writeFile("utf8.mp3", id3(4, "TIT2", QByteArray("\x03" "Bad \xC3\x28 name", 14)));
        builder.writeFile("utf16.mp3", id3(3, "TPE1", QByteArray("\x01\xFF\xFE" "A\0\x00\xD8" "B\0", 9)));

        const LibraryRead read = MusicFolderSource(builder.root()).read();
        QStringList seen;
        for (const LibraryTrack& track : read.mContent->tracks())
            seen << track.mName + '|' + track.mArtist;
        QCOMPARE(seen, QStringList({"tone|", "utf16|AB", "utf8|"}));
        QVERIFY(!read.mIncomplete);
        QVERIFY(anyLineHas(read.mWarnings, "utf16.mp3: some tag text could not be decoded"));
        QVERIFY(anyLineHas(read.mWarnings, "utf8.mp3: some tag text could not be decoded"));
    }

    void loopsOfLinksEndAndListEachFileOnce()
    {
        MusicFolderBuilder builder(mDir.path() + "/loops");
        QVERIFY(!builder.addTrack("A/song.mp3", tags("Song")).isEmpty());
        QVERIFY(QFile::link(builder.root(), builder.root() + "/A/back-to-root"));
        QVERIFY(QFile::link("../A", builder.root() + "/A/again"));
        QVERIFY(QFile::link("self", builder.root() + "/self"));
        QVERIFY(QFile::link(builder.root() + "/A/song.mp3", builder.root() + "/link.mp3"));
        const LibraryRead read = MusicFolderSource(builder.root()).read();
        QCOMPARE(namesOf(*read.mContent, read.mContent->wholeLibrary()), QStringList{"Song"});
        QVERIFY(!read.mIncomplete);
        QVERIFY(anyLineHas(read.mWarnings, "self: cannot be read"));
    }

    void missingFolderIsAnError()
    {
        const LibraryRead read = MusicFolderSource(mDir.path() + "/nowhere").read();
        QVERIFY(!read.mContent);
        QVERIFY(read.mError.mKind == LibraryReadError::Kind::Unusable);
        QVERIFY(read.mError.mReason.contains("nowhere"));
    }
};

PELLMAR_TEST_MAIN(TestMusicFolder)
#include "test_music_folder.moc"
