// The snapshot reads the settings file once and never writes: not the folder, not a copy of a
// damaged file. Its values follow the file's encodings and the key table's defaults.
#include "TestMain.h"

#include "app/AppPaths.h"
#include "settings/SettingsSnapshot.h"

#include <QDir>
#include <QFile>

namespace {

void writeSettingsFile(const QByteArray& aContents)
{
    QDir().mkpath(AppPaths::corvoFolder());
    QFile file(SettingsSnapshot::filePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aContents);
}

} // namespace

class TestSettingsSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::corvoFolder()).removeRecursively(); }

    void readingWritesNothing()
    {
        const SettingsSnapshot missing = SettingsSnapshot::read();
        QCOMPARE(missing.state(), SettingsSnapshot::State::Missing);
        QVERIFY(!QFileInfo::exists(AppPaths::corvoFolder()));

        const QByteArray broken = "<settings><device><id>keep</id></dev";
        writeSettingsFile(broken);
        const SettingsSnapshot damaged = SettingsSnapshot::read();
        QCOMPARE(damaged.state(), SettingsSnapshot::State::Damaged);
        QVERIFY(!damaged.problem().isEmpty());
        QVERIFY(!damaged.isConfigured("keep")); // nothing of a damaged file is trusted
        QCOMPARE(QDir(AppPaths::corvoFolder()).entryList(QDir::Files), QStringList{"corvo.xml"});
        QFile file(SettingsSnapshot::filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), broken);

        writeSettingsFile("");
        QCOMPARE(SettingsSnapshot::read().state(), SettingsSnapshot::State::Read);
    }

    void absentValuesReadAsTheTableSays()
    {
        writeSettingsFile("<settings><device><id>p</id><cache>c</cache></device></settings>");
        const SettingsSnapshot snapshot = SettingsSnapshot::read();
        QCOMPARE(snapshot.formatVersion(), 1); // written before the version was recorded
        for (const PhoneSettings& phone : {snapshot.phone("p"), snapshot.phone("nobody")}) {
            for (const SettingKey* key : SettingKeys::kAll) {
                const QString fallback = QString::fromLatin1(key->fallback);
                if (key->scope == SettingScope::Global)
                    QCOMPARE(snapshot.text(*key), fallback);
                else
                    QCOMPARE(phone.text(*key), fallback);
            }
        }
        QVERIFY(snapshot.phone("p").forceArtworkSync());
        QVERIFY(!snapshot.phone("p").convertAacToMp3());
        QCOMPARE(snapshot.phone("p").cacheFileName(), QString("c"));
        QVERIFY(!snapshot.isConfigured("nobody"));
        bool whole = true;
        int podcastSetting = 5;
        QStringList playlists;
        QStringList podcasts;
        QCOMPARE(snapshot.phone("nobody").getConfig(whole, podcastSetting, playlists, podcasts),
                 PhoneSettings::kNoSuchDevice);
    }

    void valuesFollowTheFileEncodings()
    {
        writeSettingsFile(
            "<settings version=\"1\">\n<itunes-library>/a.xml</itunes-library>\n"
            "<itunes-library>/b.xml</itunes-library>\n"
            "<device><id>x</id><name>First</name><convert-to-mp3>True</convert-to-mp3>"
            "<copy-notes>true</copy-notes><number-of-episodes-to-sync>abc"
            "</number-of-episodes-to-sync><force-album-art-sync>false</force-album-art-sync>"
            "<playlist>###DONT-SYNC-MUSIC###</playlist><podcast-sync-setting>2"
            "</podcast-sync-setting><podcast>News</podcast><podcast>Tech</podcast>"
            "<list name=\"photo_folders\"><entry key=\"/p\" value=\"P\"/><entry/></list>"
            "<phone-folder>/media/x</phone-folder></device>\n"
            "<device><id>y</id><cache>cy</cache><playlist>Rock</playlist>"
            "<playlist>Jazz</playlist></device>\n"
            "<device><id>x</id><name>Second</name><cache>cx</cache></device>\n</settings>\n");
        const SettingsSnapshot snapshot = SettingsSnapshot::read();
        QCOMPARE(snapshot.iTunesLibraryPath(), QString("/a.xml")); // the first of a key counts
        const PhoneSettings x = snapshot.phone("x");
        QCOMPARE(x.name(), QString("First")); // the first of two elements of one id counts
        QVERIFY(!x.convertAacToMp3());        // only exactly "true" is true
        QVERIFY(x.copyNotes());
        QCOMPARE(x.numberOfEpisodesToSync(), 0);
        QVERIFY(!x.forceArtworkSync());
        QVERIFY(x.enableArtworkSync());
        QVERIFY(!x.syncEntireLibrary()); // the marker: no music
        QVERIFY(x.playlists().isEmpty());
        QCOMPARE(x.podcasts(), (QStringList{"News", "Tech"}));
        QCOMPARE(x.podcastSyncSetting(), 2);
        QCOMPARE(x.list("photo_folders"),
                 (PhoneSettings::Entries{{"/p", "P"}, {QString(), QString()}}));
        QVERIFY(x.list("other").isEmpty());
        QCOMPARE(x.lineNumber(), 4);

        const PhoneSettings y = snapshot.phone("y");
        QVERIFY(!y.syncEntireLibrary());
        QCOMPARE(y.playlists(), (QStringList{"Rock", "Jazz"}));
        QCOMPARE(y.podcasts(), QStringList{QString()});
        QCOMPARE(y.lineNumber(), 5);
        QCOMPARE(snapshot.usedCacheFileNames(), (QStringList{"cx", "cy"}));
        QCOMPARE(snapshot.phoneFolders(), (QList<QPair<QString, QString>>{{"x", "/media/x"}}));
        QCOMPARE(snapshot.phones().size(), 3);
    }
};

PELLMAR_TEST_MAIN(TestSettingsSnapshot)
#include "test_settings_snapshot.moc"
