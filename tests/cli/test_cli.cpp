// pellmar-sync through its process: commands, exit codes, the answers taken without a
// terminal, and Ctrl-C.
#include "TestMain.h"
#include "TestPaths.h"
#include "backup/IpdBuilder.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "library/MusicFolderBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

struct Outcome
{
    int mExitCode = -1;
    QString mOut;
    QString mErr;
};

using Playlists = QList<QPair<QString, QStringList>>;

const QStringList kMix = {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private:
    // Each test gets its own home for the program: settings and caches start empty.
    std::unique_ptr<QTemporaryDir> mHome;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), mHome->path());
        env.remove(QStringLiteral("PELLMAR_PHONE_FOLDERS"));
        // Libraries are looked for in this home only.
        for (const char* name : {"PELLMAR_ITUNES_LIBRARY", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "WINEPREFIX"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("PELLMAR_EXTRACT_SETTLE_MS"), QStringLiteral("0"));
        return env;
    }

    void start(QProcess& aProcess, const QStringList& aArguments) const
    {
        aProcess.setProcessEnvironment(environment());
        aProcess.start(TestPaths::program(QStringLiteral("pellmar-sync")), aArguments);
        QVERIFY(aProcess.waitForStarted());
        // Not a terminal: the program must take the safe answers itself.
        aProcess.closeWriteChannel();
    }

    Outcome cli(const QStringList& aArguments) const
    {
        QProcess process;
        start(process, aArguments);
        process.waitForFinished(60000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static void makeLibrary(EngineFixture& aFixture)
    {
        aFixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        aFixture.addTrack(QStringLiteral("Beta"), QStringLiteral("Ann"), QStringLiteral("First"), 2);
        aFixture.addTrack(QStringLiteral("Gamma"), QStringLiteral("Bob"), QStringLiteral("Second"), 1);
        aFixture.setPlaylist(QStringLiteral("Mix"), kMix);
        aFixture.writeLibrary();
    }

    // The indented lines under the line of aOutput that starts with aHeading.
    static QStringList listed(const QString& aOutput, const char* aHeading)
    {
        QStringList lines;
        bool inside = false;
        for (const QString& line : aOutput.split(QLatin1Char('\n'))) {
            if (inside && line.startsWith(QLatin1String("  ")))
                lines << line.mid(2);
            else
                inside = line.startsWith(QLatin1String(aHeading));
        }
        return lines;
    }

    // Every file with its bytes and every folder below aRoot.
    static QMap<QString, QByteArray> snapshot(const QString& aRoot)
    {
        QMap<QString, QByteArray> entries;
        QDirIterator it(aRoot, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            entries.insert(file.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "(folder)");
        }
        return entries;
    }

    // A dry run changes nothing on the phone nor in the CORVO folder (settings, track cache,
    // no lock left behind); the real run then copies and deletes exactly what it listed.
    void checkDryRunThenRun(EngineFixture& aFixture, const QStringList& aTracks, int aCopied, int aDeleted)
    {
        const QString corvo = mHome->path() + QStringLiteral("/CORVO");
        const QMap<QString, QByteArray> phoneBefore = snapshot(aFixture.phoneRoot());
        const QMap<QString, QByteArray> corvoBefore = snapshot(corvo);
        const Outcome dry = cli({QStringLiteral("run"), QStringLiteral("--dry-run")});
        QCOMPARE(dry.mExitCode, 0);
        QVERIFY(snapshot(aFixture.phoneRoot()) == phoneBefore);
        QVERIFY(snapshot(corvo) == corvoBefore);
        QVERIFY2(dry.mOut.contains(QStringLiteral(" free: enough.")), qPrintable(dry.mOut));

        const Outcome real = cli({QStringLiteral("run"), QStringLiteral("--yes")});
        QCOMPARE(real.mExitCode, 0);
        QVERIFY2(real.mOut.contains(QStringLiteral("Tracks copied: %1, deleted: %2").arg(aCopied).arg(aDeleted)),
                 qPrintable(real.mOut));
        const PhoneTree after = PhoneTree::capture(aFixture.phoneRoot());
        QStringList copied;
        QStringList deleted;
        for (const QString& name : aTracks) {
            const EngineFixture::TrackFile& track = aFixture.track(name);
            const QString local = aFixture.mediaPath(track.mRelativePath);
            const QString onPhone = aFixture.phonePath(track);
            const bool before = phoneBefore.contains(aFixture.phoneRoot() + QLatin1Char('/') + onPhone);
            if (after.contains(onPhone) && !before)
                copied << local + QStringLiteral(" (")
                              + QLocale::c().formattedDataSize(QFileInfo(local).size()) + QLatin1Char(')');
            if (!after.contains(onPhone) && before)
                deleted << onPhone;
        }
        QStringList toCopy = listed(dry.mOut, "Would copy ");
        QStringList toDelete = listed(dry.mOut, "Would delete ");
        for (QStringList* list : {&copied, &deleted, &toCopy, &toDelete})
            list->sort();
        QCOMPARE(toCopy, copied);
        QCOMPARE(toDelete, deleted);
    }

    QStringList phoneArgs(const EngineFixture& aFixture) const
    {
        return {QStringLiteral("--library"), aFixture.libraryPath(), QStringLiteral("--phone-folder"),
                aFixture.phoneRoot()};
    }

private slots:
    void init()
    {
        mHome = std::make_unique<QTemporaryDir>();
        QVERIFY(!TestPaths::program(QStringLiteral("pellmar-sync")).isEmpty());
    }

    void helpAndUsageErrors()
    {
        const Outcome help = cli({QStringLiteral("--help")});
        QCOMPARE(help.mExitCode, 0);
        for (const char* command : {"devices", "playlists", "setup", "run"})
            QVERIFY2(help.mOut.contains(QStringLiteral("  ") + command), qPrintable(help.mOut));
        QVERIFY(help.mOut.contains(QStringLiteral("0  done")));
        QVERIFY(help.mOut.contains(QStringLiteral("1  error")));
        QVERIFY(help.mOut.contains(QStringLiteral("3  cancelled")));
        QVERIFY(help.mOut.contains(QStringLiteral("4  phone not set up")));

        QCOMPARE(cli({}).mExitCode, 2);
        QCOMPARE(cli({QStringLiteral("frobnicate")}).mExitCode, 2);
        QCOMPARE(cli({QStringLiteral("run"), QStringLiteral("--bogus")}).mExitCode, 2);
        QCOMPARE(cli({QStringLiteral("run"), QStringLiteral("--library")}).mExitCode, 2);
        QCOMPARE(cli({QStringLiteral("setup"), QStringLiteral("--no-music"), QStringLiteral("--playlist"),
                      QStringLiteral("Mix")}).mExitCode, 2);
        const Outcome runHelp = cli({QStringLiteral("run"), QStringLiteral("--help")});
        QCOMPARE(runHelp.mExitCode, 0);
        QVERIFY(runHelp.mOut.contains(QStringLiteral("--ignore-space")));
    }

    void optionsStandAnywhere()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        fixture.setPlaylist(QStringLiteral("Other"), {QStringLiteral("Gamma")});
        fixture.writeLibrary();
        // Before the command, with "=", and repeated.
        const Outcome setup = cli({QStringLiteral("--library=") + fixture.libraryPath(),
                                   QStringLiteral("--phone-folder"), fixture.phoneRoot(),
                                   QStringLiteral("setup"), QStringLiteral("--playlist=Mix"),
                                   QStringLiteral("--playlist"), QStringLiteral("Other")});
        QCOMPARE(setup.mExitCode, 0);
        QVERIFY2(setup.mOut.contains(QStringLiteral("Music: Mix, Other")), qPrintable(setup.mOut));

        // A single-dash word is an option, and an unknown one is a usage error with the usage.
        const Outcome dash = cli({QStringLiteral("playlists"), QStringLiteral("-bogus")});
        QCOMPARE(dash.mExitCode, 2);
        QVERIFY2(dash.mErr.contains(QStringLiteral("Unknown option 'bogus'")), qPrintable(dash.mErr));
        QVERIFY(dash.mErr.contains(QStringLiteral("Usage: pellmar-sync playlists")));
        // An option of another command is unknown to this one; a flag takes no value.
        QCOMPARE(cli({QStringLiteral("devices"), QStringLiteral("--yes")}).mExitCode, 2);
        QCOMPARE(cli({QStringLiteral("run"), QStringLiteral("--yes=no")}).mExitCode, 2);
        // After "--" an option-looking word is an argument, which playlists does not take.
        const Outcome ended = cli({QStringLiteral("playlists"), QStringLiteral("--"),
                                   QStringLiteral("--library")});
        QCOMPARE(ended.mExitCode, 2);
        QVERIFY2(ended.mErr.contains(QStringLiteral("unexpected argument '--library'")),
                 qPrintable(ended.mErr));
        // A value that looks like a command does not make it the command.
        const Outcome valueNamedRun = cli({QStringLiteral("--phone"), QStringLiteral("run"),
                                           QStringLiteral("devices"), QStringLiteral("--phone-folder"),
                                           fixture.phoneRoot()});
        QCOMPARE(valueNamedRun.mExitCode, 0);
        QVERIFY2(valueNamedRun.mOut.contains(QStringLiteral("configured: yes")), qPrintable(valueNamedRun.mOut));
    }

    void setupThenRunTwice()
    {
        EngineFixture fixture;
        makeLibrary(fixture);

        const Outcome listed = cli({QStringLiteral("playlists"), QStringLiteral("--library"),
                                    fixture.libraryPath()});
        QCOMPARE(listed.mExitCode, 0);
        QVERIFY2(listed.mOut.contains(QStringLiteral("  Mix\n")), qPrintable(listed.mOut));

        const Outcome unknown = cli(QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"),
                                                QStringLiteral("Nope")} + phoneArgs(fixture));
        QCOMPARE(unknown.mExitCode, 1);
        QVERIFY(unknown.mErr.contains(QStringLiteral("no playlist 'Nope'")));

        const Outcome before = cli({QStringLiteral("devices"), QStringLiteral("--phone-folder"),
                                    fixture.phoneRoot()});
        QCOMPARE(before.mExitCode, 0);
        QVERIFY2(before.mOut.contains(QStringLiteral("configured: no")), qPrintable(before.mOut));
        QVERIFY(before.mOut.contains(QStringLiteral("id:         TEMP-DEVICE-ID")));

        const Outcome setup = cli(QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"),
                                              QStringLiteral("Mix")} + phoneArgs(fixture));
        QCOMPARE(setup.mExitCode, 0);
        const Outcome after = cli({QStringLiteral("devices"), QStringLiteral("--phone-folder"),
                                   fixture.phoneRoot()});
        QVERIFY2(after.mOut.contains(QStringLiteral("configured: yes")), qPrintable(after.mOut));
        QVERIFY(after.mOut.contains(QStringLiteral("mounted:    yes")));
        QVERIFY(after.mOut.contains(QStringLiteral("free:       ")));

        const Outcome first = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(first.mExitCode, 0);
        QVERIFY2(first.mOut.contains(QStringLiteral("Tracks copied: 3, deleted: 0")), qPrintable(first.mOut));
        // Plain lines without a terminal: no carriage returns, one line per track.
        QVERIFY(!first.mOut.contains(QLatin1Char('\r')));
        QVERIFY(first.mOut.contains(QStringLiteral("Copying tracks to the phone  33%: Beta\n")));
        // The runs were made by pellmar-sync: its own files are taken as they are.
        fixture.adoptOwnFilesOnPhone();
        PELLMAR_COMPARE_TREE(fixture.expectedTree(kMix, Playlists{{QStringLiteral("Mix"), kMix}}),
                             fixture.phoneRoot());

        const Outcome second = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(second.mExitCode, 0);
        QVERIFY2(second.mOut.contains(QStringLiteral("Tracks copied: 0, deleted: 0")), qPrintable(second.mOut));
    }

    void theLibraryInUseIsNamedWithItsKind()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        const Outcome named = cli({QStringLiteral("playlists"), QStringLiteral("--library"),
                                   fixture.libraryPath()});
        QCOMPARE(named.mExitCode, 0);
        QVERIFY2(named.mOut.startsWith(QStringLiteral("Library: iTunes (%1)\nPlaylists:\n  Mix\n")
                                           .arg(fixture.libraryPath())),
                 qPrintable(named.mOut));

        // A folder is a music folder; with it and Rhythmbox's database in the home and none
        // chosen, the user is told both and asked to name one.
        const QString home = mHome->path();
        MusicFolderBuilder music(home + QStringLiteral("/Music"));
        MusicFolderBuilder::Tags tags;
        tags.mTitle = QStringLiteral("Delta");
        QVERIFY2(!music.addTrack(QStringLiteral("Dan/Fourth/01 Delta.mp3"), tags).isEmpty(),
                 qPrintable(music.error()));
        const QString rhythmdb = home + QStringLiteral("/.local/share/rhythmbox/rhythmdb.xml");
        QDir().mkpath(QFileInfo(rhythmdb).absolutePath());
        QFile db(rhythmdb);
        QVERIFY(db.open(QIODevice::WriteOnly));
        db.write("<?xml version=\"1.0\" standalone=\"yes\"?>\n<rhythmdb version=\"2.0\">\n</rhythmdb>\n");
        db.close();
        const Outcome folder = cli({QStringLiteral("playlists"), QStringLiteral("--library"), music.root()});
        QCOMPARE(folder.mExitCode, 0);
        QVERIFY2(folder.mOut.startsWith(QStringLiteral("Library: Music folder (%1)\nPlaylists:\n").arg(music.root())),
                 qPrintable(folder.mOut));
        const Outcome several = cli({QStringLiteral("playlists")});
        QCOMPARE(several.mExitCode, 1);
        QVERIFY2(several.mErr.contains(QStringLiteral("These libraries were found:\n  Music folder (%1)\n"
                                                      "  Rhythmbox (%2)\nName one with --library PATH.")
                                           .arg(music.root(), rhythmdb)),
                 qPrintable(several.mErr));

        // The only library found is the one used.
        QVERIFY(QFile::remove(rhythmdb));
        const Outcome only = cli({QStringLiteral("devices")});
        QCOMPARE(only.mExitCode, 0);
        QVERIFY2(only.mOut.startsWith(QStringLiteral("Library: Music folder (%1)\nNo phone found.\n")
                                          .arg(music.root())),
                 qPrintable(only.mOut));

        // An old settings file names an iTunes library; the music folder is also there.
        QDir().mkpath(home + QStringLiteral("/CORVO"));
        QFile settings(home + QStringLiteral("/CORVO/corvo.xml"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("<settings>\n<itunes-library>" + fixture.libraryPath().toUtf8()
                       + "</itunes-library>\n</settings>\n");
        settings.close();
        const Outcome old = cli({QStringLiteral("devices")});
        QVERIFY2(old.mOut.startsWith(QStringLiteral("Library: iTunes (%1)\nNo phone found.\n")
                                         .arg(fixture.libraryPath())),
                 qPrintable(old.mOut));
    }

    void setupRemembersTheLibrary()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        // Relative, as a user types it: kept as the absolute path.
        QProcess setup;
        setup.setWorkingDirectory(fixture.root());
        setup.setProcessEnvironment(environment());
        setup.start(TestPaths::program(QStringLiteral("pellmar-sync")),
                    {QStringLiteral("setup"), QStringLiteral("--library"),
                     QDir(fixture.root()).relativeFilePath(fixture.libraryPath()),
                     QStringLiteral("--phone-folder"), fixture.phoneRoot()});
        QVERIFY(setup.waitForFinished(60000));
        QCOMPARE(setup.exitCode(), 0);
        QFile settings(mHome->path() + QStringLiteral("/CORVO/corvo.xml"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY2(settings.readAll().contains("<itunes-library>" + fixture.libraryPath().toUtf8()
                                             + "</itunes-library>"),
                 qPrintable(settings.fileName()));

        const Outcome listed = cli({QStringLiteral("playlists")});
        QCOMPARE(listed.mExitCode, 0);
        QVERIFY2(listed.mOut.contains(QStringLiteral("  Mix\n")), qPrintable(listed.mErr));
        // A library that cannot be read is refused and not stored.
        QCOMPARE(cli({QStringLiteral("setup"), QStringLiteral("--library"), fixture.root() + "/none.xml",
                      QStringLiteral("--phone-folder"), fixture.phoneRoot()}).mExitCode, 1);
        QCOMPARE(cli({QStringLiteral("playlists")}).mExitCode, 0);
    }

    void setupRemembersThePhoneFolder()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        QCOMPARE(cli(QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"), QStringLiteral("Mix")}
                     + phoneArgs(fixture)).mExitCode, 0);

        // Neither the library nor the folder is named again.
        const Outcome run = cli({QStringLiteral("run")});
        QCOMPARE(run.mExitCode, 0);
        QVERIFY2(run.mOut.contains(QStringLiteral("Tracks copied: 3, deleted: 0")), qPrintable(run.mOut + run.mErr));
        fixture.adoptOwnFilesOnPhone();
        PELLMAR_COMPARE_TREE(fixture.expectedTree(kMix, Playlists{{QStringLiteral("Mix"), kMix}}),
                             fixture.phoneRoot());
        const Outcome devices = cli({QStringLiteral("devices")});
        QVERIFY2(devices.mOut.contains(QStringLiteral("mounted:    yes")), qPrintable(devices.mOut));
        QVERIFY(devices.mOut.contains(QStringLiteral("configured: yes")));

        // A remembered folder that is gone is listed as not mounted, and a run does not
        // bring it back.
        QFile idFile(fixture.phoneRoot() + QStringLiteral("/CORVO/uniqueid"));
        QVERIFY(idFile.open(QIODevice::ReadOnly));
        const QString id = QString::fromLatin1(idFile.readAll());
        QVERIFY(QDir().rename(fixture.phoneRoot(), fixture.root() + QStringLiteral("/unplugged")));
        const Outcome gone = cli({QStringLiteral("devices")});
        QCOMPARE(gone.mExitCode, 0);
        QVERIFY2(gone.mOut.contains(QStringLiteral("mounted:    no")), qPrintable(gone.mOut));
        QVERIFY(gone.mOut.contains(QStringLiteral("id:         ") + id));
        QVERIFY(gone.mOut.contains(QStringLiteral("configured: yes")));
        const Outcome refused = cli({QStringLiteral("run")});
        QCOMPARE(refused.mExitCode, 1);
        QVERIFY2(refused.mErr.contains(QStringLiteral("is not connected")), qPrintable(refused.mErr));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot()));
    }

    void dryRunListsWhatTheRunDoes()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        QCOMPARE(cli(QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"), QStringLiteral("Mix")}
                     + phoneArgs(fixture)).mExitCode, 0);
        // Before the first run there is no track cache yet: the dry run must not make one.
        checkDryRunThenRun(fixture, kMix, 3, 0);

        // One track comes, two go, and a playlist no longer chosen is on the phone.
        fixture.addTrack(QStringLiteral("Delta"), QStringLiteral("Bob"), QStringLiteral("Second"), 2);
        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha"), QStringLiteral("Delta")});
        fixture.writeLibrary();
        const QString playlists = fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ/");
        QVERIFY(QFile::copy(playlists + QStringLiteral("Mix.m3u"), playlists + QStringLiteral("Old.m3u")));
        const Outcome dry = cli({QStringLiteral("run"), QStringLiteral("--dry-run")});
        QCOMPARE(listed(dry.mOut, "Would write "), QStringList{QStringLiteral("Mix")});
        QCOMPARE(listed(dry.mOut, "Would empty "), QStringList{QStringLiteral("Old.m3u")});
        checkDryRunThenRun(fixture, kMix + QStringList{QStringLiteral("Delta")}, 1, 2);
        QCOMPARE(PhoneTree::capture(fixture.phoneRoot()).file(QStringLiteral("Playlists_CDZ/Old.m3u")),
                 QByteArray("#EXTM3U\r\n"));
    }

    void backupChosenAtSetupMovesWithTheRun()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        QTemporaryDir old;
        IpdBuilder ipd({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")});
        ipd.record(0, IpdBuilder::sms(0, "+4477", QStringLiteral("see you")));
        ipd.record(1, {{10, IpdBuilder::textSubfield(32, QStringLiteral("Bea"))}});
        const QString backup = old.filePath(QStringLiteral("old.ipd"));
        QVERIFY(ipd.write(backup));
        const QString photos = old.filePath(QStringLiteral("photos"));
        QVERIFY(QDir().mkpath(photos + QStringLiteral("/.hidden")));
        QFile photo(photos + QStringLiteral("/a.jpg"));
        QVERIFY(photo.open(QIODevice::WriteOnly));
        photo.write("A");
        photo.close();

        const QStringList setup = QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"),
                                              QStringLiteral("Mix")} + phoneArgs(fixture);
        QCOMPARE(cli(setup + QStringList{"--backup", backup, "--copy", "messages,fotos"}).mExitCode, 2);
        QCOMPARE(cli(setup + QStringList{"--copy", "messages"}).mExitCode, 2);
        QCOMPARE(cli(setup + QStringList{"--backup", backup, "--photo-folder", photos + "/none"}).mExitCode, 2);
        QCOMPARE(cli(setup + QStringList{"--backup", old.filePath("missing.ipd")}).mExitCode, 2);
        const Outcome chosen = cli(setup + QStringList{"--backup", backup, "--copy", "messages,photos",
                                                       "--photo-folder", photos});
        QCOMPARE(chosen.mExitCode, 0);
        QVERIFY2(chosen.mOut.contains(QStringLiteral("  Backup: ") + backup + QStringLiteral(" (messages, photos;")),
                 qPrintable(chosen.mOut));

        const Outcome run = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(run.mExitCode, 0);
        fixture.adoptOwnFilesOnPhone();
        PhoneTree expected = fixture.expectedTree(kMix, Playlists{{QStringLiteral("Mix"), kMix}});
        expected.setFile(QStringLiteral("DCIM/Blackberry/a.jpg"), "A");
        QVERIFY(expected.contains(QStringLiteral("CORVO/messages.xml")));
        QVERIFY(!expected.contains(QStringLiteral("CORVO/address.xml")));
        QVERIFY(expected.file(QStringLiteral("CORVO/messages.xml")).contains("<text>see you</text>"));
        // The messages also arrive for the phone's own apps, and the summary says where.
        const QDir forPhone(fixture.phoneRoot() + QStringLiteral("/Download/Pellmar"));
        const QStringList smsFiles = forPhone.entryList({QStringLiteral("sms-*.xml")});
        QCOMPARE(smsFiles.size(), 1);
        expected.setFileFrom(QStringLiteral("Download/Pellmar/") + smsFiles.first(),
                             forPhone.filePath(smsFiles.first()));
        expected.setFileFrom(QStringLiteral("Download/Pellmar/README.txt"),
                             forPhone.filePath(QStringLiteral("README.txt")));
        QVERIFY(expected.file(QStringLiteral("Download/Pellmar/") + smsFiles.first())
                    .contains("body=\"see you\""));
        QVERIFY2(run.mOut.contains(QStringLiteral("Download/Pellmar folder")), qPrintable(run.mOut));
        PELLMAR_COMPARE_TREE(expected, fixture.phoneRoot());

        // A backup that cannot be read: the music part completes, the user is told what to do.
        QTemporaryDir notABackup;
        QCOMPARE(cli(setup + QStringList{"--backup", notABackup.path()}).mExitCode, 0);
        fixture.addTrack(QStringLiteral("Delta"), QStringLiteral("Bob"), QStringLiteral("Second"), 2);
        fixture.setPlaylist(QStringLiteral("Mix"), kMix + QStringList{QStringLiteral("Delta")});
        fixture.writeLibrary();
        const Outcome failed = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(failed.mExitCode, 1);
        QVERIFY2(failed.mOut.contains(QStringLiteral("Tracks copied: 1, deleted: 0")), qPrintable(failed.mOut));
        QVERIFY2(failed.mErr.contains(QStringLiteral("make an unencrypted backup")), qPrintable(failed.mErr));

        // The same backup file gives its files to export as well.
        const QString out = old.filePath(QStringLiteral("out"));
        const Outcome exported = cli({QStringLiteral("export"), backup, out, QStringLiteral("--contacts")});
        QCOMPARE(exported.mExitCode, 0);
        QVERIFY(QFileInfo::exists(out + QStringLiteral("/address.xml")));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/messages.xml")));
    }

    void safeAnswersWithoutTerminal()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        QCOMPARE(cli(QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"), QStringLiteral("Mix")}
                     + phoneArgs(fixture)).mExitCode, 0);
        QCOMPARE(cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture)).mExitCode, 0);

        fixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha")});
        fixture.writeLibrary();
        const QString beta = fixture.phoneRoot() + QLatin1Char('/') + fixture.phonePath(fixture.track(QStringLiteral("Beta")));
        const Outcome refused = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(refused.mExitCode, 3);
        QVERIFY2(refused.mOut.contains(QStringLiteral("Not deleting")), qPrintable(refused.mOut));
        QVERIFY(refused.mOut.contains(QStringLiteral("Phone synchronization was cancelled")));
        QVERIFY(QFileInfo::exists(beta));

        const Outcome confirmed = cli(QStringList{QStringLiteral("run"), QStringLiteral("--yes")}
                                      + phoneArgs(fixture));
        QCOMPARE(confirmed.mExitCode, 0);
        QVERIFY(confirmed.mOut.contains(QStringLiteral("deleted: 2")));
        fixture.adoptOwnFilesOnPhone();
        PELLMAR_COMPARE_TREE(fixture.expectedTree({QStringLiteral("Alpha")},
                                                  Playlists{{QStringLiteral("Mix"), {QStringLiteral("Alpha")}}}),
                             fixture.phoneRoot());
    }

    void notConfiguredAndErrors()
    {
        EngineFixture fixture;
        makeLibrary(fixture);
        // No settings file at all, then a settings file without this phone.
        const Outcome noSettings = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(noSettings.mExitCode, 4);
        QVERIFY(noSettings.mOut.contains(QStringLiteral("pellmar-sync setup")));
        // A folder that is not a set-up phone is left as it was.
        QVERIFY(QDir(fixture.phoneRoot()).isEmpty());
        QTemporaryDir other;
        QCOMPARE(cli({QStringLiteral("setup"), QStringLiteral("--library"), fixture.libraryPath(),
                      QStringLiteral("--phone-folder"), other.path()}).mExitCode, 0);
        QCOMPARE(cli(QStringList{QStringLiteral("run"), QStringLiteral("--phone"),
                                 QDir(fixture.phoneRoot()).dirName()} + phoneArgs(fixture)
                         + QStringList{QStringLiteral("--phone-folder"), other.path()}).mExitCode, 4);

        // A library file that cannot be read is an error, not an empty library.
        const QString broken = fixture.root() + QStringLiteral("/broken.xml");
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<plist><dict><key>Tracks");
        file.close();
        const Outcome unreadable = cli({QStringLiteral("playlists"), QStringLiteral("--library"), broken});
        QCOMPARE(unreadable.mExitCode, 1);
        QVERIFY(unreadable.mErr.contains(QStringLiteral("could not be read")));

        // Errors: no such library, no such phone folder, no such phone.
        QCOMPARE(cli({QStringLiteral("run"), QStringLiteral("--library"), fixture.root() + "/none.xml",
                      QStringLiteral("--phone-folder"), fixture.phoneRoot()}).mExitCode, 1);
        QCOMPARE(cli({QStringLiteral("run"), QStringLiteral("--library"), fixture.libraryPath(),
                      QStringLiteral("--phone-folder"), fixture.root() + "/nowhere"}).mExitCode, 1);
        QCOMPARE(cli(QStringList{QStringLiteral("run"), QStringLiteral("--phone"), QStringLiteral("nobody")}
                     + phoneArgs(fixture)).mExitCode, 1);
    }

    void trackNotCopiedIsAnError()
    {
        EngineFixture fixture;
        fixture.addTrack(QStringLiteral("Here"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        fixture.addTrack(QStringLiteral("Gone"), QStringLiteral("Ann"), QStringLiteral("First"), 2).mFileExists = false;
        fixture.writeLibrary();
        QCOMPARE(cli(QStringList{QStringLiteral("setup")} + phoneArgs(fixture)).mExitCode, 0);
        const Outcome run = cli(QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QCOMPARE(run.mExitCode, 1);
        QVERIFY2(run.mOut.contains(QStringLiteral("Not copied: 1")), qPrintable(run.mOut));
        QVERIFY(run.mOut.contains(QStringLiteral("02 Gone.mp3")));
    }

    void interruptCancelsCleanly()
    {
        EngineFixture fixture;
        QStringList names;
        for (int i = 0; i < 1500; ++i) {
            const QString name = QStringLiteral("Track %1").arg(i, 4, 10, QLatin1Char('0'));
            fixture.addTrack(name, QStringLiteral("Ann"), QStringLiteral("Album %1").arg(i / 100), i % 100 + 1,
                             QString(), QByteArray(16384, char('a' + i % 26)));
            names << name;
        }
        fixture.setPlaylist(QStringLiteral("Big"), names);
        fixture.writeLibrary();
        QCOMPARE(cli(QStringList{QStringLiteral("setup"), QStringLiteral("--playlist"), QStringLiteral("Big")}
                     + phoneArgs(fixture)).mExitCode, 0);

        QProcess process;
        start(process, QStringList{QStringLiteral("run")} + phoneArgs(fixture));
        QByteArray out;
        while (!out.contains("Copying tracks") && process.waitForReadyRead(20000))
            out += process.readAllStandardOutput();
        QVERIFY2(out.contains("Copying tracks"), out.constData());
        ::kill(pid_t(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(60000));
        out += process.readAllStandardOutput();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 3);
        QVERIFY2(out.contains("Phone synchronization was cancelled"), out.constData());
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + QStringLiteral("/Playlists_CDZ")));
        // What was copied is complete: every file on the phone is a whole copy, no partial file.
        const PhoneTree onPhone = PhoneTree::capture(fixture.phoneRoot());
        QStringList copied;
        for (const QString& name : names) {
            if (onPhone.contains(fixture.phonePath(fixture.track(name))))
                copied << name;
        }
        QVERIFY(copied.size() < names.size());
        fixture.adoptOwnFilesOnPhone();
        PELLMAR_COMPARE_TREE(fixture.expectedTree(copied, {}), fixture.phoneRoot());
    }
};

PELLMAR_TEST_MAIN(TestCli)
#include "test_cli.moc"
