#include "TestMain.h"

#include "app/AppPaths.h"
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

void writeSettingsFile(const QByteArray& aContents)
{
    QDir().mkpath(AppPaths::corvoFolder());
    QFile file(SyncSettings::settingsFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aContents);
}

QByteArray readSettingsFile()
{
    QFile file(SyncSettings::settingsFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString cacheName(int aN)
{
    return AppPaths::corvoFolder() + QStringLiteral("/mcache") + QString::number(aN);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(AppPaths::corvoFolder()).removeRecursively();
    }

    void missingFileReadsAsDefaults()
    {
        SyncSettings settings;
        QCOMPARE(settings.load(), SyncSettings::kCantOpen);
        QVERIFY(!QFileInfo::exists(AppPaths::corvoFolder())); // only saving makes it
        // Setters on an unknown phone do nothing.
        settings.setCopyNotes(QStringLiteral("p1"), true);
        QVERIFY(!settings.snapshot().isConfigured(QStringLiteral("p1")));
        QCOMPARE(settings.snapshot().phone(QStringLiteral("p1")).copyNotes(), false);
    }

    void musicModesRoundTrip()
    {
        const QString id = QStringLiteral("phone");
        {
            SyncSettings settings;
            settings.load();
            QCOMPARE(settings.setConfig(id, QStringLiteral("Pixel"), true, {}, 0, {}), 0);
        }
        SyncSettings settings;
        QCOMPARE(settings.load(), 0);
        bool whole = false;
        int podcastSetting = -1;
        QStringList playlists, podcasts;
        QCOMPARE(SettingsSnapshot::read().phone(id).getConfig(whole, podcastSetting, playlists,
                                                              podcasts),
                 0);
        QVERIFY(whole);
        QCOMPARE(playlists, QStringList{QString()}); // whole library: one empty entry
        QCOMPARE(podcasts, QStringList{QString()});
        QCOMPARE(podcastSetting, 0);

        // No music: the marker, read back as an empty list.
        settings.setConfig(id, QStringLiteral("Pixel"), false, {}, 2,
                           {QStringLiteral("News"), QStringLiteral("Tech")});
        QVERIFY(readSettingsFile().contains("<playlist>###DONT-SYNC-MUSIC###</playlist>"));
        playlists.clear();
        podcasts.clear();
        SettingsSnapshot::read().phone(id).getConfig(whole, podcastSetting, playlists, podcasts);
        QVERIFY(!whole);
        QVERIFY(playlists.isEmpty());
        QCOMPARE(podcastSetting, 2);
        QCOMPARE(podcasts, (QStringList{QStringLiteral("News"), QStringLiteral("Tech")}));

        // Chosen playlists, in order; podcasts are written only for setting 2.
        settings.setConfig(id, QStringLiteral("Pixel"), false,
                           {QStringLiteral("Rock"), QStringLiteral("Jazz & Blues")}, 1,
                           {QStringLiteral("News")});
        playlists.clear();
        podcasts.clear();
        SettingsSnapshot::read().phone(id).getConfig(whole, podcastSetting, playlists, podcasts);
        QVERIFY(!whole);
        QCOMPARE(playlists, (QStringList{QStringLiteral("Rock"), QStringLiteral("Jazz & Blues")}));
        QCOMPARE(podcasts, QStringList{QString()});
        QCOMPARE(podcastSetting, 1);
    }

    void fileLayoutIsStable()
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(QStringLiteral("zsmhd"), QStringLiteral("Phone"), false,
                           {QStringLiteral("Mix")}, 2, {QStringLiteral("Cast")});
        settings.setSkipUpdateMessage(QStringLiteral("2.1"));
        QCOMPARE(settings.save(), 0);
        const QByteArray expected = "<settings version=\"1\">\n<device>\n<id>zsmhd</id>\n<name>Phone</name>\n<cache>"
                                    + cacheName(0).toUtf8()
                                    + "</cache>\n<playlist>Mix</playlist>\n<podcast>Cast</podcast>\n"
                                      "<podcast-sync-setting>2</podcast-sync-setting>\n</device>\n"
                                      "<dont-display-message>2.1</dont-display-message>\n</settings>\n";
        QCOMPARE(readSettingsFile(), expected);
    }

    void setConfigKeepsWarningsAndDropsOtherValues()
    {
        const QString id = QStringLiteral("p");
        SyncSettings settings;
        settings.load();
        settings.setConfig(id, QStringLiteral("A"), true, {}, 0, {});
        settings.setDeleteWithoutWarning(id, true);
        settings.setSkipDrmWarning(id, true);
        settings.setConvertAacToMp3(id, true);
        settings.setNumberOfEpisodesToSync(id, 5);
        settings.setPhoneFolder(id, QStringLiteral("/media/phone"));
        settings.save();
        const QString cacheBefore = settings.snapshot().phone(id).cacheFileName();

        settings.load();
        settings.setConfig(id, QStringLiteral("B"), true, {}, 0, {});
        const PhoneSettings phone = SettingsSnapshot::read().phone(id);
        QVERIFY(phone.deleteWithoutWarning());
        QVERIFY(phone.skipDrmWarning());
        QVERIFY(!phone.convertAacToMp3());
        QCOMPARE(phone.numberOfEpisodesToSync(), 0);
        // Where the phone is stays known, after the values setConfig writes.
        QCOMPARE(phone.phoneFolder(), QStringLiteral("/media/phone"));
        QVERIFY(readSettingsFile().contains(
            "<podcast-sync-setting>0</podcast-sync-setting>\n<phone-folder>/media/phone</phone-folder>\n</device>"));
        QCOMPARE(phone.cacheFileName(), cacheBefore); // the phone keeps its cache
        QCOMPARE(phone.name(), QStringLiteral("B"));
    }

    void duplicateDeviceElements()
    {
        writeSettingsFile("<settings>\n<device><id>d</id><name>first</name><cache>c1</cache></device>\n"
                          "<device><id>other</id><cache>c2</cache></device>\n"
                          "<device><id>d</id><name>second</name><cache>c3</cache></device>\n"
                          "</settings>\n");
        SyncSettings settings;
        settings.load();
        const QString id = QStringLiteral("d");
        settings.setConfig(id, QStringLiteral("renamed"), true, {}, 0, {});
        // Only the first was replaced; the second is now the first in the file.
        const PhoneSettings phone = SettingsSnapshot::read().phone(id);
        QCOMPARE(phone.name(), QStringLiteral("second"));
        QCOMPARE(phone.cacheFileName(), QStringLiteral("c3"));
    }

    void uniqueCacheNames()
    {
        writeSettingsFile(("<settings><device><id>a</id><cache>" + cacheName(0)
                           + "</cache></device><device><id>b</id><cache>" + cacheName(2)
                           + "</cache></device></settings>")
                              .toUtf8());
        SyncSettings settings;
        settings.load();
        QCOMPARE(settings.generateUniqueCacheFilename(), cacheName(1));
        settings.setConfig(QStringLiteral("c"), QStringLiteral("C"), true, {}, 0, {});
        QCOMPARE(SettingsSnapshot::read().phone(QStringLiteral("c")).cacheFileName(), cacheName(1));
        QCOMPARE(settings.generateUniqueCacheFilename(), cacheName(3));
    }

    void cacheFilesLeftBehindAreNotHandedOut()
    {
        // The settings file is gone but a phone's cache files are still there.
        QDir().mkpath(AppPaths::corvoFolder());
        QFile leftover(cacheName(0));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("old records");
        leftover.close();
        QFile leftoverIds(cacheName(1) + QStringLiteral("p"));
        QVERIFY(leftoverIds.open(QIODevice::WriteOnly));
        leftoverIds.close();
        SyncSettings settings;
        settings.load();
        QCOMPARE(settings.generateUniqueCacheFilename(), cacheName(2));
        QFile check(cacheName(0));
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray("old records")); // nothing of it was touched
    }

    void listsAndGlobals()
    {
        SyncSettings settings;
        settings.load();
        const QString id = QStringLiteral("p");
        settings.setConfig(id, QStringLiteral("P"), true, {}, 0, {});
        settings.setSettingsList(id, QStringLiteral("photo_folders"),
                                 {{QStringLiteral("/home/u/Pictures"), QStringLiteral("Pictures")},
                                  {QString(), QString()}});
        settings.save();
        const auto pairs = SettingsSnapshot::read().phone(id).list(QStringLiteral("photo_folders"));
        QCOMPARE(pairs.size(), 2);
        QCOMPARE(pairs[0].first, QStringLiteral("/home/u/Pictures"));
        QCOMPARE(pairs[0].second, QStringLiteral("Pictures"));
        settings.removeSettingsList(id, QStringLiteral("photo_folders"));
        QVERIFY(settings.snapshot().phone(id).list(QStringLiteral("photo_folders")).isEmpty());

        // The global setter replaces every earlier value of the key.
        writeSettingsFile("<settings><itunes-library>a</itunes-library>"
                          "<itunes-library>b</itunes-library></settings>");
        settings.load();
        QCOMPARE(settings.snapshot().iTunesLibraryPath(), QStringLiteral("a"));
        settings.setITunesLibraryPath(QStringLiteral("/music/lib.xml"));
        settings.save();
        QCOMPARE(readSettingsFile().count("<itunes-library>"), 1);
        QCOMPARE(SettingsSnapshot::read().iTunesLibraryPath(), QStringLiteral("/music/lib.xml"));
    }

    void unparsableFileIsKeptAsideBeforeItIsReplaced()
    {
        const QString bad = SyncSettings::settingsFilePath() + QStringLiteral(".bad");
        const QByteArray broken = "<settings><device><id>keep</id><name>Mine</name></dev";
        writeSettingsFile(broken);
        SyncSettings settings;
        QCOMPARE(settings.load(), 0);
        QVERIFY(settings.wasDamaged());
        QVERIFY(settings.snapshot().phones().isEmpty());
        QVERIFY(!QFile::exists(bad)); // reading writes nothing
        settings.setConfig(QStringLiteral("new"), QStringLiteral("N"), true, {}, 0, {});
        QCOMPARE(settings.damagedCopyPath(), bad);
        QFile copy(bad);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), broken);
        copy.close();
        QVERIFY(SettingsSnapshot::read().isConfigured(QStringLiteral("new")));

        // The same broken file again is not copied twice; a different one gets its own copy.
        writeSettingsFile(broken);
        settings.load();
        QCOMPARE(settings.save(), 0);
        QVERIFY(!QFile::exists(bad + QStringLiteral(".1")));
        writeSettingsFile("not xml at all");
        settings.load();
        QCOMPARE(settings.save(), 0);
        QVERIFY(QFile::exists(bad + QStringLiteral(".1")));

        // An empty file has nothing worth keeping.
        QFile::remove(bad + QStringLiteral(".1"));
        writeSettingsFile("");
        QCOMPARE(settings.load(), 0);
        QVERIFY(!settings.wasDamaged());
        QCOMPARE(settings.save(), 0);
        QVERIFY(!QFile::exists(bad + QStringLiteral(".1")));
    }

    void formatVersionIsWrittenAndKept()
    {
        // A file from before the version was recorded reads as it always did.
        writeSettingsFile("<settings>\n<device>\n<id>p</id>\n<name>P</name>\n</device>\n</settings>\n");
        SyncSettings settings;
        settings.load();
        QCOMPARE(settings.snapshot().formatVersion(), 1);
        QCOMPARE(settings.save(), 0);
        QCOMPARE(readSettingsFile(), QByteArray("<settings version=\"1\">\n<device>\n<id>p</id>\n"
                                                "<name>P</name>\n</device>\n</settings>\n"));
        // A newer program's file keeps its number.
        writeSettingsFile("<settings version=\"7\"><future/></settings>");
        settings.load();
        QCOMPARE(settings.save(), 0);
        QCOMPARE(SettingsSnapshot::read().formatVersion(), 7);
        QVERIFY(readSettingsFile().contains("<future/>"));
    }

    void failedSaveKeepsThePreviousFile()
    {
        SyncSettings settings;
        settings.load();
        settings.setConfig(QStringLiteral("p"), QStringLiteral("Before"), true, {}, 0, {});
        const QByteArray before = readSettingsFile();
        QVERIFY(!before.isEmpty());

        // Permissions do not stop root, so the write is made to fail by putting a folder where
        // the file goes: QSaveFile cannot rename over it and must report the failure.
        const QString path = SyncSettings::settingsFilePath();
        QFile::remove(path);
        QDir().mkpath(path); // the settings path is now a folder: nothing can be written there
        settings.load();
        QCOMPARE(settings.setConfig(QStringLiteral("p"), QStringLiteral("After"), true, {}, 0, {}),
                 SyncSettings::kSaveFailed);
        QVERIFY(QFileInfo(path).isDir());
        QDir(path).removeRecursively();

        // A read-only folder, where permissions apply (not as root).
        writeSettingsFile(before);
        if (geteuid() != 0) {
            chmod(QFile::encodeName(AppPaths::corvoFolder()).constData(), 0500);
            settings.load();
            QCOMPARE(settings.setConfig(QStringLiteral("p"), QStringLiteral("After"), true, {},
                                        0, {}),
                     SyncSettings::kSaveFailed);
            chmod(QFile::encodeName(AppPaths::corvoFolder()).constData(), 0700);
            QCOMPARE(readSettingsFile(), before);
        }
    }
};

PELLMAR_TEST_MAIN(TestSettings)
#include "test_settings.moc"
