// The media side of a run: MP3 conversion with the real ffmpeg, album pictures, and the folder
// removal that empties the working folder.
#include "TestMain.h"
#include "app/AppPaths.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "settings/SyncSettings.h"
#include "sync/AlbumArtImage.h"
#include "sync/BackupTransferStage.h"
#include "sync/Mp3Converter.h"
#include "sync/VideoConverter.h"
#include "tracks/Track.h"
#include "tracks/SyncState.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kArtSample = QStringLiteral("Music/Ada Tonewell/First Light/01 Morning Tone.mp3");
const QString kAacSample = QStringLiteral("Music/Ben Sine/Second Wave/03 Soft Wave.m4a");

// One line of ffprobe output for the first audio stream's codec and the title tag.
QString probe(const QString& aPath)
{
    QProcess process;
    process.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                   QStringLiteral("a:0"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=codec_name:format_tags=title"), QStringLiteral("-of"),
                   QStringLiteral("compact=p=0:nk=1"), aPath});
    process.waitForFinished(-1);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

// Puts a converter first on PATH that writes its process id beside itself and a part of its
// output (its last argument), then hangs.
QString installHangingConverter(const QString& aFolder)
{
    const QString path = aFolder + QStringLiteral("/ffmpeg");
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\n"
                 "for last; do :; done\n"
                 "echo $$ > \"$0.pid\"\n"
                 "printf partial > \"$last\"\n"
                 "exec sleep 30\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", aFolder.toUtf8() + ':' + qgetenv("PATH"));
    return path;
}

} // namespace

class TestSyncMedia : public QObject
{
    Q_OBJECT

private slots:
    // Each test starts without settings and without the caches of earlier tests.
    void init()
    {
        QDir(AppPaths::corvoFolder()).removeRecursively();
    }

    void converterArgumentsAreMended()
    {
        // A bit rate of 0 (what the library hands over) becomes 192k; the metadata option is
        // the one current ffmpeg accepts; each path is one argument, quotes and all.
        const QStringList args = Mp3Converter::arguments(QStringLiteral("/m/a \"b\".m4a"),
                                                         QStringLiteral("/t/temp.mp3"), 0);
        QCOMPARE(args, (QStringList{"-i", "/m/a \"b\".m4a", "-y", "-ab", "192k", "-map_metadata",
                                    "0", "/t/temp.mp3"}));
        QCOMPARE(Mp3Converter::arguments("a", "b", 128).at(4), QStringLiteral("128k"));
    }

    // Cancel reaches a converter that hangs: it is killed within moments, not waited for, and
    // its half-written output is removed, for music and for video alike.
    void cancelStopsAHangingConverter()
    {
        QTemporaryDir bin;
        const QByteArray oldPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&oldPath] { qputenv("PATH", oldPath); });
        const QString fake = installHangingConverter(bin.path());
        QCOMPARE(Mp3Converter::program(), fake);

        Track track;
        track.setPath(bin.path() + QStringLiteral("/song.m4a"));
        track.setConvertToMp3(true);
        const QString videoOutput = bin.path() + QStringLiteral("/clip.mp4");
        for (const QString& output : {track.uploadSourcePath(), videoOutput}) {
            QFile::remove(fake + QStringLiteral(".pid"));
            // Cancelled as soon as the converter has written something.
            const auto cancelled = [&output] { return QFileInfo::exists(output); };
            QElapsedTimer timer;
            timer.start();
            const bool converted =
                output == videoOutput
                    ? VideoConverter::convert(bin.path() + QStringLiteral("/clip.mov"), output,
                                              VideoConverter::kDefaultScreenPixels, cancelled)
                    : Mp3Converter::convert(track, cancelled);
            QVERIFY(!converted);
            QVERIFY2(timer.elapsed() < 10000, qPrintable(output));
            QVERIFY2(!QFileInfo::exists(output), qPrintable(output));
            QFile pidFile(fake + QStringLiteral(".pid"));
            QVERIFY(pidFile.open(QIODevice::ReadOnly));
            const QByteArray pid = pidFile.readAll().trimmed();
            QVERIFY(!pid.isEmpty());
            QVERIFY2(!QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)),
                     "the converter still runs");
        }
    }

    void aacTrackArrivesAsMp3()
    {
        EngineFixture fixture;
        // A quote in the file name must not break the converter's command line.
        fixture.addSampleTrack(QStringLiteral("Soft Wave"), QStringLiteral("Ben"),
                               QStringLiteral("Waves"), 3, kAacSample,
                               QStringLiteral("03 Soft \"Wave\".m4a"));
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Soft Wave")});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        configuration.mConvert = true;
        fixture.configure(configuration);

        const auto result = fixture.run();
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
        const QString onPhone = fixture.phoneRoot() + QLatin1Char('/')
                                + fixture.phonePath(fixture.track(QStringLiteral("Soft Wave")),
                                                    QStringLiteral("mp3"));
        QVERIFY2(QFileInfo::exists(onPhone), qPrintable(onPhone));
        QCOMPARE(probe(onPhone), QStringLiteral("mp3 Soft Wave"));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + QLatin1Char('/')
                                   + fixture.phonePath(fixture.track(QStringLiteral("Soft Wave")))));

        // The cache remembers the converted copy: nothing is converted or copied again.
        const auto second = fixture.run();
        QCOMPARE(second.mCopied, 0);
        QVERIFY(second.mUploadRequests.isEmpty());
    }

    void albumArtOncePerAlbumAndArtist()
    {
        EngineFixture fixture;
        fixture.addSampleTrack(QStringLiteral("One"), QStringLiteral("Ann"), QStringLiteral("Light"), 1,
                               kArtSample, QStringLiteral("01 One.mp3"));
        fixture.addSampleTrack(QStringLiteral("Two"), QStringLiteral("Ann"), QStringLiteral("Light"), 2,
                               kArtSample, QStringLiteral("02 Two.mp3"));
        // The same album name by another artist is another album.
        fixture.addSampleTrack(QStringLiteral("Three"), QStringLiteral("Bob"), QStringLiteral("Light"), 1,
                               kArtSample, QStringLiteral("01 Three.mp3"));
        const QStringList all = {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")};
        fixture.setPlaylist(QStringLiteral("Mix"), all);
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        configuration.mEnableArt = true;
        fixture.configure(configuration);

        const auto result = fixture.run();
        QCOMPARE(result.mCopied, 3);
        QCOMPARE(result.mAlbumArtSent, (QStringList{QStringLiteral("Light/Bob"),
                                                    QStringLiteral("Light/Ann")}));
        for (const QString& folder : {QStringLiteral("Ann"), QStringLiteral("Bob")}) {
            const QImage art(fixture.phoneRoot() + QStringLiteral("/Music/") + folder
                             + QStringLiteral("/Light/") + fixture.albumPictureName());
            // The sample's 600 x 300 cover, scaled to fit 300 x 300.
            QCOMPARE(art.size(), QSize(300, 150));
        }
        PELLMAR_COMPARE_TREE(fixture.expectedTree(all, {{QStringLiteral("Mix"), all}}),
                             fixture.phoneRoot());
        QVERIFY(PhoneTree::capture(fixture.phoneRoot()).contains(QStringLiteral("Music/Ann/Light/") + fixture.albumPictureName()));
        // An MTP phone keeps no hint files: its media scanner sees new objects itself.
        if (fixture.phoneKind() == EngineFixture::PhoneKind::Mtp)
            return;
        // The picture follows the track onto the phone, so the refresh hint names the track.
        QFile hint(fixture.phoneRoot() + QStringLiteral("/CORVO/refreshhint"));
        QVERIFY(hint.open(QIODevice::ReadOnly));
        QCOMPARE(hint.readAll(), QByteArray("\\Music\\Bob\\Light\\01 Three.mp3\r\n"
                                            "\\Music\\Ann\\Light\\02 Two.mp3\r\n"));
    }

    void forcedAlbumArtForTracksAlreadyOnThePhone()
    {
        EngineFixture fixture;
        fixture.addSampleTrack(QStringLiteral("One"), QStringLiteral("Ann"), QStringLiteral("Light"), 1,
                               kArtSample, QStringLiteral("01 One.mp3"));
        fixture.addSampleTrack(QStringLiteral("Two"), QStringLiteral("Ann"), QStringLiteral("Light"), 2,
                               kArtSample, QStringLiteral("02 Two.mp3"));
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("One"), QStringLiteral("Two")});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        fixture.configure(configuration);
        // Album art off: the tracks arrive without a picture.
        const auto plain = fixture.run();
        QVERIFY(plain.mAlbumArtSent.isEmpty());

        SyncSettings settings;
        settings.load();
        settings.setForceArtworkSync(fixture.phoneId(), true);
        settings.save();
        const auto forced = fixture.run();
        QCOMPARE(forced.mStates, (QList<int>{SyncState::Preparing, SyncState::CheckingAlbumArt,
                                             SyncState::Playlists, SyncState::Finished}));
        QCOMPARE(forced.mAlbumArtSent, QStringList{QStringLiteral("Light/Ann")});
        QVERIFY(QFileInfo::exists(fixture.phoneRoot() + QStringLiteral("/Music/Ann/Light/") + fixture.albumPictureName()));
        QVERIFY(!SettingsSnapshot::read().phone(fixture.phoneId()).forceArtworkSync());
        // Done once: the next run does not refresh again.
        QVERIFY(fixture.run().mAlbumArtSent.isEmpty());
    }

    void albumPictureScaledOnWhite()
    {
        QImage wide(600, 300, QImage::Format_ARGB32);
        wide.fill(Qt::transparent);
        QPainter painter(&wide);
        painter.fillRect(0, 0, 300, 300, Qt::red);
        painter.end();
        const QImage prepared = AlbumArtImage::prepare(wide);
        QCOMPARE(prepared.size(), QSize(300, 150));
        QVERIFY(!prepared.hasAlphaChannel());
        QCOMPARE(QColor(prepared.pixel(250, 75)), QColor(Qt::white));
        QCOMPARE(QColor(prepared.pixel(50, 75)), QColor(Qt::red));

        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("cover.png"));
        QVERIFY(QImage(100, 400, QImage::Format_RGB32).save(source));
        const QString target = dir.filePath(QStringLiteral("AlbumArt.jpg"));
        QVERIFY(AlbumArtImage::write(source, target));
        QImage saved(target);
        QCOMPARE(saved.size(), QSize(75, 300));
        QVERIFY(!AlbumArtImage::write(dir.filePath(QStringLiteral("missing.png")), target));
        QVERIFY(!QFileInfo::exists(target));
    }

    void removeDirEmptiesTheWorkingFolder()
    {
        QVERIFY(BackupTransferStage::removeDir(AppPaths::corvoFolder() + QStringLiteral("/no-such-folder")));

        const QString working = BackupTransferStage::workingFolder();
        QVERIFY(QDir().mkpath(working + QStringLiteral("sub/.hidden")));
        QFile file(working + QStringLiteral("sub/.hidden/data.xml"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        // A link inside is removed, not followed.
        QTemporaryDir outside;
        QFile kept(outside.filePath(QStringLiteral("keep.txt")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        QVERIFY(QFile::link(outside.path(), working + QStringLiteral("link")));
        QVERIFY(BackupTransferStage::removeDir(working));
        QVERIFY(!QFileInfo::exists(working));
        QVERIFY(QFileInfo::exists(outside.filePath(QStringLiteral("keep.txt"))));
    }

    void runEmptiesWorkingFolderAndGoesOnWhenABackupIsNamed()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha")});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        fixture.configure(configuration);
        SyncSettings settings;
        settings.load();
        settings.setSelectedBackupPath(fixture.phoneId(), fixture.root() + QStringLiteral("/backup"));
        settings.save();
        const QString leftover = BackupTransferStage::workingFolder() + QStringLiteral("old.xml");
        QDir().mkpath(BackupTransferStage::workingFolder());
        QFile file(leftover);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        const auto result = fixture.run();
        QVERIFY(!QFileInfo::exists(leftover));
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
    }
};

PELLMAR_TEST_MAIN_GUI(TestSyncMedia)
#include "test_sync_media.moc"
