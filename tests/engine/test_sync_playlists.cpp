// The playlists a run leaves on the phone, read as phones of every Android version read them
// (the tree comparison resolves every entry under each version's rules).
#include "TestMain.h"
#include "app/AppPaths.h"
#include "device/PhoneNames.h"
#include "device/PhoneTree.h"
#include "device/PlaylistCheck.h"
#include "device/Device.h"
#include "engine/EngineFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace {

using Playlists = QList<QPair<QString, QStringList>>;

QByteArray readAll(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& aPath, const QByteArray& aContent)
{
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aContent);
}

// The expected phone: aBefore with the run's own files in CORVO (a new metadata file, the
// version file) as the fixture expects them now. The hint file is not among them: it must not
// change.
PhoneTree unchangedBut(const PhoneTree& aBefore, const EngineFixture& aFixture)
{
    PhoneTree expected = aBefore;
    const PhoneTree& own = aFixture.expectedOwnFiles();
    for (const QString& path : own.paths()) {
        if (path != QLatin1String("CORVO/playlisthint"))
            expected.setFile(path, own.file(path));
    }
    return expected;
}

} // namespace

class TestSyncPlaylists : public QObject
{
    Q_OBJECT

private slots:
    void init() { QDir(AppPaths::corvoFolder()).removeRecursively(); }

    void entriesResolveOnEveryAndroid()
    {
        EngineFixture fixture;
        // Two tracks with the same file name in different albums, names with "&", accents and
        // Cyrillic, and a compilation.
        fixture.addTrack(QStringLiteral("Intro One"), QStringLiteral("Band One"),
                         QStringLiteral("Alpha"), 1, QStringLiteral("01 Intro.mp3"));
        fixture.addTrack(QStringLiteral("Intro Two"), QStringLiteral("Band One"),
                         QStringLiteral("Beta"), 1, QStringLiteral("01 Intro.mp3"));
        fixture.addTrack(QStringLiteral("Tom & Jerry"), QStringLiteral("Кино"),
                         QStringLiteral("Группа крови"), 2);
        fixture.addTrack(QStringLiteral("Été à Noël"), QStringLiteral("Céline"),
                         QStringLiteral("Café Crème"), 3);
        fixture.addTrack(QStringLiteral("Hit"), QStringLiteral("Somebody"),
                         QStringLiteral("Hits 2020"), 4).mCompilation = true;
        const QStringList mix = {QStringLiteral("Intro One"), QStringLiteral("Tom & Jerry"),
                                 QStringLiteral("Intro Two"), QStringLiteral("Été à Noël"),
                                 QStringLiteral("Hit")};
        const QString name = QStringLiteral("Mix & Más");
        fixture.setPlaylist(name, mix);
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {name};
        fixture.configure(configuration);

        QCOMPARE(fixture.run().finalState(), 2);
        QStringList all = mix;
        all.sort();
        PELLMAR_COMPARE_TREE(fixture.expectedTree(all, Playlists{{name, mix}}), fixture.phoneRoot());
        QStringList sources;
        for (const QString& track : mix)
            sources << fixture.mediaPath(fixture.track(track).mRelativePath);
        PELLMAR_VERIFY_PLAYLIST(fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ/") + name
                                    + QStringLiteral(".m3u"),
                                fixture.phoneRoot(), sources);
    }

    void olderEntryFormIsRewrittenOnce()
    {
        if (EngineFixture().phoneKind() == EngineFixture::PhoneKind::Mtp)
            QSKIP("the older form is edited in the phone's folder, which only a folder phone reads");
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        fixture.addTrack(QStringLiteral("Beta"), QStringLiteral("Bob"), QStringLiteral("Second"), 1);
        const QStringList mix = {QStringLiteral("Alpha"), QStringLiteral("Beta")};
        fixture.setPlaylist(QStringLiteral("Mix"), mix);
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        fixture.configure(configuration);
        QCOMPARE(fixture.run().finalState(), 2);

        // The phone as an earlier version left it: entries from the root with "\".
        const QString playlist = fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ/Mix.m3u");
        const QString hint = fixture.phoneRoot() + QStringLiteral("/CORVO/playlisthint");
        QByteArray old = readAll(playlist);
        old.replace("../", "\\").replace('/', '\\');
        writeAll(playlist, old);
        const QByteArray hintBefore = readAll(hint);

        QCOMPARE(fixture.run().finalState(), 2);
        PELLMAR_COMPARE_TREE(fixture.expectedTree(mix, Playlists{{QStringLiteral("Mix"), mix}}),
                             fixture.phoneRoot());
        QCOMPARE(readAll(hint), hintBefore + "Mix.m3u\n");

        // From then on nothing changes: not the playlist (not even rewritten), not the hint.
        QFile file(playlist);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime stamp = QDateTime::currentDateTime().addDays(-1);
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        file.close();
        const PhoneTree before = PhoneTree::capture(fixture.phoneRoot());
        QCOMPARE(fixture.run().finalState(), 2);
        PELLMAR_COMPARE_TREE(unchangedBut(before, fixture), fixture.phoneRoot());
        QCOMPARE(QFileInfo(playlist).lastModified(), stamp);
    }

    // A playlist that leaves the selection must not go on naming the tracks the run deletes,
    // whether or not the playlists that stay chosen changed, and whatever its name was made of.
    void deselectedPlaylistNamesNoDeletedTrack_data()
    {
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("dropped");
        QTest::addColumn<bool>("wholeLibraryFirst");
        QTest::newRow("one of two") << "Morning Mix" << "Waves" << false;
        QTest::newRow("whole library to one") << "Road Trip" << "Chill: Evening" << true;
        QTest::newRow("slash") << "Keep" << "AC/DC Live" << false;
        QTest::newRow("question mark") << "Keep" << "Why?" << false;
        QTest::newRow("star") << "Keep" << "Star*" << false;
        QTest::newRow("trailing dot") << "Keep" << "Trailing." << false;
        QTest::newRow("trailing space") << "Keep" << "Trailing " << false;
        QTest::newRow("control character") << "Keep" << "Tab\tName" << false;
        QTest::newRow("cut at 255 bytes") << "Keep" << QString(200, QChar(0xe9)) << false;
    }

    void deselectedPlaylistNamesNoDeletedTrack()
    {
        QFETCH(QString, kept);
        QFETCH(QString, dropped);
        QFETCH(bool, wholeLibraryFirst);
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Sunrise"), QStringLiteral("Ann"), QStringLiteral("Day"), 1);
        fixture.addTrack(QStringLiteral("High Wave"), QStringLiteral("Bob"), QStringLiteral("Sea"), 1);
        fixture.addTrack(QStringLiteral("Low Tide"), QStringLiteral("Bob"), QStringLiteral("Sea"), 2);
        fixture.setPlaylist(kept, {QStringLiteral("Sunrise")});
        fixture.setPlaylist(dropped, {QStringLiteral("High Wave"), QStringLiteral("Low Tide")});
        fixture.writeLibrary();
        EngineFixture::Configuration both;
        both.mWholeLibrary = wholeLibraryFirst;
        if (!wholeLibraryFirst)
            both.mPlaylists = {kept, dropped};
        fixture.configure(both);
        QCOMPARE(fixture.run().finalState(), 2);

        const QString file = PhoneNames::PlaylistFileName(dropped) + QStringLiteral(".m3u");
        QVERIFY(!file.contains(QLatin1Char('/')));
        QVERIFY(file.toUtf8().size() <= 255);
        const QString folder = fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ/");
        QCOMPARE(PlaylistCheck::entries(folder + file).size(), 2);

        EngineFixture::Configuration one;
        one.mPlaylists = {kept};
        fixture.configure(one);
        // The dry run names what the run then does.
        QCOMPARE(fixture.plan().mPlaylistFilesToClear, QStringList{file});
        const auto result = fixture.run();
        QCOMPARE(result.finalState(), 2);
        QCOMPARE(result.mDeleted, 2);

        const PhoneTree after = PhoneTree::capture(fixture.phoneRoot());
        QVERIFY(!after.contains(fixture.phonePath(fixture.track(QStringLiteral("High Wave")))));
        QCOMPARE(PlaylistCheck::entries(folder + PhoneNames::PlaylistFileName(kept) + QStringLiteral(".m3u")).size(), 1);
        if (fixture.phoneKind() == EngineFixture::PhoneKind::Folder) {
            // Emptied, not deleted, and hinted so that the phone's player reads it again.
            QCOMPARE(after.file(QStringLiteral("Playlists_CDZ/") + file), QByteArray("#EXTM3U\r\n"));
            QVERIFY(after.file(QStringLiteral("CORVO/playlisthint")).split('\n').contains(file.toUtf8()));
        } else {
            QVERIFY(!after.contains(QStringLiteral("Playlists_CDZ/") + file));
        }
        const QStringList problems = PlaylistCheck::verifyAll(fixture.phoneRoot());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void playlistThatCannotBeWrittenIsReported()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        fixture.addTrack(QStringLiteral("Beta"), QStringLiteral("Ann"), QStringLiteral("First"), 2);
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha"), QStringLiteral("Beta")});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        fixture.configure(configuration);
        QVERIFY(fixture.run().mNotWrittenPlaylists.isEmpty());

        // A new order must be written, but the phone takes no more bytes.
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Beta"), QStringLiteral("Alpha")});
        fixture.writeLibrary();
        const PhoneTree before = PhoneTree::capture(fixture.phoneRoot());
        EngineFixture::RunOptions full;
        full.mWriteLimit = 0;
        const auto result = fixture.run(full);
        QCOMPARE(result.mNotWrittenPlaylists, QStringList{QStringLiteral("Mix")});
        // The old playlist stays whole and the hint file does not claim a change.
        PhoneTree expected = unchangedBut(before, fixture);
        // A phone that takes no more bytes takes no run-complete mark either.
        if (fixture.phoneKind() == EngineFixture::PhoneKind::Mtp)
            expected.removeFile(QStringLiteral("CORVO/synccomplete"));
        PELLMAR_COMPARE_TREE(expected, fixture.phoneRoot());
    }
};

PELLMAR_TEST_MAIN(TestSyncPlaylists)
#include "test_sync_playlists.moc"
