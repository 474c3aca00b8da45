// Choosing the library: where the libraries of this computer are found (a private HOME laid
// out as the programs that own them leave it) and how the choice is kept in the settings.
#include "TestMain.h"

#include "library/LibraryFinder.h"
#include "library/LibrarySetting.h"
#include "library/LibraryXmlBuilder.h"
#include "library/MusicFolderBuilder.h"
#include "library/PlayerDatabaseFiles.h"
#include "library/RhythmboxFiles.h"
#include "settings/SettingsSnapshot.h"
#include "settings/SyncSettings.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

void touch(const QString& aPath)
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList described(const QList<FoundLibrary>& aFound, const QString& aHome)
{
    QStringList lines;
    for (const FoundLibrary& library : aFound)
        lines << LibraryKind::id(library.mKind) + QLatin1Char(' ')
                     + QString(library.mPath).replace(aHome, QStringLiteral("~"));
    return lines;
}

} // namespace

class TestLibraryChoice : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* mHome = nullptr;
    QByteArray mRealHome;

private slots:
    void init()
    {
        mRealHome = qgetenv("HOME");
        mHome = new QTemporaryDir;
        qputenv("HOME", mHome->path().toUtf8());
        qputenv("USER", "u");
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_MUSIC_DIR",
                                 "PELLMAR_ITUNES_LIBRARY", "WINEPREFIX"})
            qunsetenv(name);
    }

    void cleanup()
    {
        qputenv("HOME", mRealHome);
        delete mHome;
    }

    void findsEveryKindInItsOrder()
    {
        const QString home = mHome->path();
        // Laid out in the reverse of the order expected, so the order is the finder's own.
        touch(home + "/.config/Clementine/clementine.db");
        touch(home + "/.local/share/strawberry/strawberry/strawberry.db");
        touch(home + "/.local/share/rhythmbox/rhythmdb.xml");
        touch(home + "/Music/Artist/Album/01 Song.MP3");
        touch(home + "/.wine/drive_c/users/u/Music/iTunes/iTunes Library.xml");
        touch(home + "/Music/iTunes/iTunes Music Library.xml");

        const QStringList expected{
            "itunes ~/Music/iTunes/iTunes Music Library.xml",
            "itunes ~/.wine/drive_c/users/u/Music/iTunes/iTunes Library.xml",
            "folder ~/Music",
            "rhythmbox ~/.local/share/rhythmbox/rhythmdb.xml",
            "strawberry ~/.local/share/strawberry/strawberry/strawberry.db",
            // The default XDG config folder is ~/.config: listed once.
            "clementine ~/.config/Clementine/clementine.db",
        };
        QCOMPARE(described(LibraryFinder::find(), home), expected);
    }

    void followsTheXdgFoldersAndSkipsWhatIsNotThere()
    {
        const QString home = mHome->path();
        QVERIFY(LibraryFinder::find().isEmpty());

        // A music folder with no audio, only a picture and a link that loops, is no library.
        touch(home + "/Music/cover.jpg");
        QVERIFY(QFile::link(home + "/Music", home + "/Music/loop"));
        touch(home + "/.local/share/rhythmbox/rhythmdb.xml");
        qputenv("XDG_DATA_HOME", QByteArray(home.toUtf8() + "/data"));
        qputenv("XDG_CONFIG_HOME", QByteArray(home.toUtf8() + "/conf"));
        touch(home + "/data/rhythmbox/rhythmdb.xml");
        touch(home + "/conf/Clementine/clementine.db");
        touch(home + "/.config/Clementine/clementine.db");
        // A folder where a file is expected is not a library.
        QDir().mkpath(home + "/data/strawberry/strawberry/strawberry.db");

        const QStringList expected{
            "rhythmbox ~/data/rhythmbox/rhythmdb.xml",
            "clementine ~/conf/Clementine/clementine.db",
            "clementine ~/.config/Clementine/clementine.db",
        };
        QCOMPARE(described(LibraryFinder::find(), home), expected);

        // The library named in the environment comes first, and the same file is not listed twice.
        touch(home + "/Music/iTunes/iTunes Library.xml");
        qputenv("PELLMAR_ITUNES_LIBRARY", QByteArray(home.toUtf8() + "/Music/iTunes/../iTunes/iTunes Library.xml"));
        const QList<FoundLibrary> found = LibraryFinder::find();
        QCOMPARE(found.size(), 4);
        QCOMPARE(found.first().mKind, LibraryKind::ITunes);
        QCOMPARE(found.first().mPath, home + "/Music/iTunes/iTunes Library.xml");
    }

    void settingsKeepTheKindBesideThePath()
    {
        // A file from before other kinds existed names an iTunes library.
        const LibrarySetting old = LibrarySetting::read(SettingsSnapshot::fromBytes(
            "<settings><itunes-library>/m/iTunes Library.xml</itunes-library></settings>"));
        QCOMPARE(old.mKind, LibraryKind::ITunes);
        QCOMPARE(old.mPath, QStringLiteral("/m/iTunes Library.xml"));
        QVERIFY(LibrarySetting::read(SettingsSnapshot::fromBytes("<settings/>")).isEmpty());

        LibrarySetting::store(LibraryKind::Rhythmbox, QStringLiteral("/h/rhythmdb.xml"));
        QFile file(SettingsSnapshot::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY2(written.contains("<itunes-library>/h/rhythmdb.xml</itunes-library>"), written);
        QVERIFY2(written.contains("<library-kind>rhythmbox</library-kind>"), written);
        LibrarySetting stored = LibrarySetting::read();
        QCOMPARE(stored.mKind, LibraryKind::Rhythmbox);
        QCOMPARE(stored.mPath, QStringLiteral("/h/rhythmdb.xml"));

        // Choosing again replaces both values; forgetting leaves no kind behind.
        LibrarySetting::store(LibraryKind::Folder, QStringLiteral("/h/Music"));
        stored = LibrarySetting::read();
        QCOMPARE(stored.mKind, LibraryKind::Folder);
        QCOMPARE(stored.mPath, QStringLiteral("/h/Music"));
        LibrarySetting::store(LibraryKind::Folder, QString());
        QVERIFY(LibrarySetting::read().isEmpty());
        QVERIFY(SettingsSnapshot::read().text(SettingKeys::kLibraryKind).isEmpty());
    }

    void recognisesEachKindByWhatThePathIs()
    {
        QTemporaryDir dir;
        const QString root = dir.path();
        MusicFolderBuilder music(root + QStringLiteral("/Music"));
        MusicFolderBuilder::Tags tags;
        tags.mTitle = QStringLiteral("One");
        const QString track = music.addTrack(QStringLiteral("A/01 One.mp3"), tags);
        QVERIFY2(!track.isEmpty(), qPrintable(music.error()));

        LibraryXmlBuilder itunes;
        LibraryXmlBuilder::TrackSpec spec;
        spec.mName = QStringLiteral("One");
        spec.mLocation = LibraryXmlBuilder::macUrl(track);
        itunes.addTrack(spec);
        itunes.addMasterPlaylist();
        // Named as a library exported from the Music app may be.
        const QString xml = root + QStringLiteral("/Library.xml");
        QVERIFY(itunes.write(xml));

        RhythmboxFiles rhythmbox;
        RhythmboxFiles::Song song;
        song.mTitle = QStringLiteral("One");
        song.mPath = track;
        rhythmbox.addSong(song);
        const QString rhythmdb = rhythmbox.write(root + QStringLiteral("/rhythmbox"));

        PlayerDatabaseFiles::Song row;
        row.mTitle = QStringLiteral("One");
        row.mPath = track;
        const QString strawberry = root + QStringLiteral("/strawberry.db");
        // A copy of Clementine's database under another name is known by its tables.
        const QString clementine = root + QStringLiteral("/copy of the player.db");
        {
            PlayerDatabaseFiles strawberryDb(strawberry, PlayerDatabaseFiles::Layout::Strawberry);
            strawberryDb.addSong(row);
            PlayerDatabaseFiles clementineDb(clementine, PlayerDatabaseFiles::Layout::Clementine);
            clementineDb.addSong(row);
        }

        const QList<QPair<QString, LibraryKind::Kind>> expected{
            {music.root(), LibraryKind::Folder}, {xml, LibraryKind::ITunes},
            {rhythmdb, LibraryKind::Rhythmbox}, {strawberry, LibraryKind::Strawberry},
            {clementine, LibraryKind::Clementine}};
        for (const auto& [path, kind] : expected) {
            QCOMPARE(LibraryKind::name(LibrarySetting::kindOf(path)), LibraryKind::name(kind));
            QCOMPARE(LibraryFinder::trackCount(path), 1);
        }
        // Something that is no library of any kind cannot be counted.
        QCOMPARE(LibraryFinder::trackCount(track), -1);
    }

    void theFirstRunKeepsTheLibraryItFoundByItself()
    {
        const QString home = mHome->path();
        const QString music = home + QStringLiteral("/Music");
        QDir().mkpath(music);
        QFile::remove(SettingsSnapshot::filePath());
        // No settings file yet: the setup wizard's first run must still come.
        LibrarySetting::keepFirstPick(music);
        QVERIFY(!QFile::exists(SettingsSnapshot::filePath()));

        SyncSettings settings;
        settings.load();
        settings.save();
        // iTunes's usual places are found again on every start; they are not kept.
        const QString itunes = home + QStringLiteral("/Music/iTunes/iTunes Library.xml");
        LibrarySetting::keepFirstPick(itunes);
        QVERIFY(LibrarySetting::read().isEmpty());
        LibrarySetting::keepFirstPick(music);
        LibrarySetting stored = LibrarySetting::read();
        QCOMPARE(stored.mKind, LibraryKind::Folder);
        QCOMPARE(stored.mPath, music);
        // A choice once made stays.
        LibrarySetting::keepFirstPick(home + QStringLiteral("/Other"));
        QCOMPARE(LibrarySetting::read().mPath, music);
        QFile::remove(SettingsSnapshot::filePath());
    }
};

PELLMAR_TEST_MAIN(TestLibraryChoice)
#include "test_library_choice.moc"
