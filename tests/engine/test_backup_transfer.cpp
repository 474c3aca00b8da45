// Whole runs with a backup configured: the data of the old phone reaches "CORVO" and "DCIM" on
// the phone, the copy choices are switched off afterwards, and nothing that goes wrong with the
// backup stops the music.
#include "TestMain.h"
#include "app/AppPaths.h"
#include "backup/AddressBookFixture.h"
#include "backup/CalendarFixture.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/IpdBuilder.h"
#include "backup/MessagesFixture.h"
#include "backup/NotesFixture.h"
#include "device/DeviceParentMs.h"
#include "device/PhoneTree.h"
#include "engine/EngineFixture.h"
#include "engine/TestPhone.h"
#include "settings/SyncSettings.h"
#include "sync/BackupTransferStage.h"
#include "sync/PhotoCopier.h"
#include "sync/RunLock.h"
#include "sync/SyncRunContext.h"
#include "sync/SyncSession.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kBackupFiles = {QStringLiteral("messages.xml"), QStringLiteral("address.xml"),
                                  QStringLiteral("calendar.xml"), QStringLiteral("notes.xml")};

void writeFile(const QString& aPath, const QByteArray& aData)
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(aData), aData.size());
}

QByteArray contents(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A real one-second QuickTime movie with picture and sound.
bool makeMovie(const QString& aPath)
{
    QProcess ffmpeg;
    ffmpeg.setStandardInputFile(QProcess::nullDevice());
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=10", "-f",
                  "lavfi", "-i", "sine=frequency=440", "-t", "1", "-c:v", "mpeg4", "-c:a", "aac",
                  "-f", "mov", aPath});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
}

// "width,height,brand" of a video file as ffprobe reads it ("isom" for an MP4 file).
QString probeVideo(const QString& aPath)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-select_streams", "v:0", "-show_entries",
                   "stream=width,height:format_tags=major_brand", "-of", "csv=p=0:nk=1", aPath});
    ffprobe.waitForFinished(60000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).simplified().replace(' ', ',');
}

struct CopyChoices
{
    bool mMessages = true;
    bool mContacts = true;
    bool mCalendar = true;
    bool mNotes = true;
    bool mPhotos = true;
};

void chooseBackup(const QString& aId, const QString& aBackupPath, const CopyChoices& aChoices,
                  const QStringList& aPhotoFolders = {})
{
    SyncSettings settings;
    settings.load();
    settings.setSelectedBackupPath(aId, aBackupPath);
    settings.setCopyTextMessages(aId, aChoices.mMessages);
    settings.setCopyAddressBook(aId, aChoices.mContacts);
    settings.setCopyCalendar(aId, aChoices.mCalendar);
    settings.setCopyNotes(aId, aChoices.mNotes);
    settings.setCopyPhotos(aId, aChoices.mPhotos);
    QList<QPair<QString, QString>> folders;
    for (const QString& folder : aPhotoFolders)
        folders.append({QStringLiteral("folder"), folder});
    settings.setSettingsList(aId, QStringLiteral("photo_folders"), folders);
    settings.save();
}

// The five copy choices as they are in the settings file now.
QString copyChoicesNow(const QString& aId)
{
    const PhoneSettings settings = SettingsSnapshot::read().phone(aId);
    return QStringLiteral("%1%2%3%4%5")
        .arg(int(settings.copyTextMessages()))
        .arg(int(settings.copyAddressBook()))
        .arg(int(settings.copyCalendar()))
        .arg(int(settings.copyNotes()))
        .arg(int(settings.copyPhotos()));
}

} // namespace

class TestBackupTransfer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;

    // A phone with one track in a playlist, configured; the expected tree holds the music.
    void prepare(EngineFixture& aFixture)
    {
        aFixture.addTrack(QStringLiteral("Alpha"), QStringLiteral("Ann"), QStringLiteral("First"), 1);
        aFixture.setPlaylist(QStringLiteral("Mix"), {QStringLiteral("Alpha")});
        aFixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {QStringLiteral("Mix")};
        aFixture.configure(configuration);
    }

    // The run's result and whether it reported a failed backup transfer.
    EngineFixture::Result runRecordingFailure(EngineFixture& aFixture, bool& aFailed)
    {
        aFailed = false;
        return aFixture.run(EngineFixture::RunOptions(), [&aFailed](SyncSession& aSync) {
            QObject::connect(&aSync, qOverload<int, int>(&SyncSession::ProgressUpdate), &aSync,
                             [&aFailed, &aSync](int aState, int) {
                                 if (aState == SyncState::Finished)
                                     aFailed = aSync.result().mBackupTransferFailed;
                             },
                             Qt::DirectConnection);
        });
    }

    // The expected tree: the music, the phone's own files, and only the named backup files
    // of CORVO with the bytes of the working folder.
    PhoneTree expectedTree(const EngineFixture& aFixture, const QStringList& aBackupFiles)
    {
        PhoneTree expected = aFixture.expectedTree({QStringLiteral("Alpha")},
                                                   {{QStringLiteral("Mix"), {QStringLiteral("Alpha")}}});
        for (const QString& name : kBackupFiles)
            expected.removeFile(QStringLiteral("CORVO/") + name);
        for (const QString& name : aBackupFiles)
            expected.setFileFrom(QStringLiteral("CORVO/") + name,
                                 BackupTransferStage::workingFolder() + name);
        // The files for the phone's own apps, as the exporters wrote them.
        const QDir phoneFiles(BackupTransferStage::phoneFilesFolder());
        QDirIterator it(phoneFiles.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            expected.setFileFrom(QStringLiteral("Download/Pellmar/") + phoneFiles.relativeFilePath(file),
                                 file);
        }
        return expected;
    }

    QString iphoneBackup(const QString& aName, const QString& aMovie)
    {
        const QString sms = mDir.filePath(aName + QStringLiteral("-sms.db"));
        {
            MessagesFixture db(sms, MessagesFixture::Layout::Newer);
            const qint64 h = db.addHandle(QStringLiteral("+1555"));
            db.addMessage(MessagesFixture::NewerMessage{h, Q_INT64_C(700000000), QStringLiteral("hello from the iPhone"), 1, 1});
        }
        const QString book = mDir.filePath(aName + QStringLiteral("-AddressBook.sqlitedb"));
        {
            AddressBookFixture ab(book, AddressBookFixture::Layout::Newer);
            ab.addPerson({QStringLiteral("Nina"), QStringLiteral("Ng"), {}, {}, {}});
        }
        const QString calendar = mDir.filePath(aName + QStringLiteral("-Calendar.sqlitedb"));
        {
            CalendarFixture cal(calendar, CalendarFixture::Layout::Newer);
            cal.addEvent({QStringLiteral("Dentist"), {}, {}, 700000000, 700003600, {}, 0, {}});
        }
        const QString notes = mDir.filePath(aName + QStringLiteral("-notes.sqlite"));
        {
            NotesFixture db(notes, NotesFixture::Layout::Newer);
            db.addNote({QStringLiteral("Groceries"), {}, QStringLiteral("<div>Groceries</div>milk"), 700000000, {}});
        }
        FakeBackupBuilder backup(mDir.filePath(QStringLiteral("backups/") + aName));
        backup.setInfoPlist(QStringLiteral("Nina's iPhone"));
        backup.setManifestPlist(false);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), sms);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/AddressBook/AddressBook.sqlitedb"), book);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/Calendar/Calendar.sqlitedb"), calendar);
        backup.addFileFrom(QStringLiteral("HomeDomain"), QStringLiteral("Library/Notes/notes.sqlite"), notes);
        backup.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0001.JPG"), "jpeg bytes");
        backup.addFile(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/.MISC/Info.plist"), "hidden");
        if (!aMovie.isEmpty())
            backup.addFileFrom(QStringLiteral("CameraRollDomain"), QStringLiteral("Media/DCIM/100APPLE/IMG_0002.MOV"), aMovie);
        return backup.write() ? backup.backupPath() : QString();
    }

private slots:
    void initTestCase()
    {
        if (!FakeBackupBuilder::prepareExtraction())
            QSKIP("pellmar-extract has not been built");
    }

    void init()
    {
        QDir(AppPaths::corvoFolder()).removeRecursively();
    }

    void iphoneBackupReachesCorvoAndDcim()
    {
        const QString movie = mDir.filePath(QStringLiteral("clip.mov"));
        QVERIFY(makeMovie(movie));
        const QString backup = iphoneBackup(QStringLiteral("full"), movie);
        QVERIFY(!backup.isEmpty());
        EngineFixture fixture;
        prepare(fixture);
        chooseBackup(fixture.phoneId(), backup, CopyChoices());

        bool failed = true;
        const auto result = runRecordingFailure(fixture, failed);
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
        QVERIFY(!failed);
        QVERIFY(result.mStates.contains(SyncState::CopyingPhotos));
        QVERIFY(result.mStates.contains(SyncState::ConvertingVideo));

        PhoneTree expected = expectedTree(fixture, kBackupFiles);
        expected.setFile(QStringLiteral("DCIM/100APPLE/IMG_0001.JPG"), "jpeg bytes");
        // The movie arrives converted, as the last video the run converted.
        expected.setFileFrom(QStringLiteral("DCIM/100APPLE/IMG_0002.mp4"),
                             AppPaths::corvoFolder() + QStringLiteral("/temp.mp4"));
        PELLMAR_COMPARE_TREE(expected, fixture.phoneRoot());
        const QString phone = fixture.phoneRoot();
        QVERIFY(contents(phone + "/CORVO/messages.xml").contains("hello from the iPhone"));
        QVERIFY(contents(phone + "/CORVO/address.xml").contains("<first_name>Nina</first_name>"));
        QVERIFY(contents(phone + "/CORVO/calendar.xml").contains("Dentist"));
        // The same data for a phone without the companion app.
        QVERIFY(contents(phone + "/Download/Pellmar/contacts.vcf").contains("FN:Nina Ng\r\n"));
        QVERIFY(contents(phone + "/Download/Pellmar/calendar.ics").contains("SUMMARY:Dentist\r\n"));
        const QStringList sms = QDir(phone + "/Download/Pellmar").entryList({"sms-*.xml"});
        QCOMPARE(sms.size(), 1);
        QVERIFY(contents(phone + "/Download/Pellmar/" + sms.first()).contains("body=\"hello from the iPhone\""));
        QVERIFY(contents(phone + "/Download/Pellmar/README.txt").contains(sms.first().toUtf8()));
        // A note keeps its own time on the phone.
        const QString note = phone + "/Download/Pellmar/notes/Groceries.txt";
        QCOMPARE(contents(note), QByteArray("Groceries\nmilk"));
        QCOMPARE(QFileInfo(note).lastModified().toSecsSinceEpoch(), Q_INT64_C(700000000) + 978307200);
        // Without a phone description the screen counts as large: the streams are repacked.
        QCOMPARE(probeVideo(phone + "/DCIM/100APPLE/IMG_0002.mp4"), QStringLiteral("320,240,isom"));
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("00000"));

        // Done once: the next run brings nothing of the backup again.
        QFile::remove(phone + "/CORVO/messages.xml");
        QCOMPARE(fixture.run().finalState(), SyncState::Finished);
        QVERIFY(!QFileInfo::exists(phone + "/CORVO/messages.xml"));
    }

    void onlyTheChosenFilesReachThePhone()
    {
        const QString backup = iphoneBackup(QStringLiteral("notes"), QString());
        EngineFixture fixture;
        prepare(fixture);
        CopyChoices notesOnly{false, false, false, true, false};
        chooseBackup(fixture.phoneId(), backup, notesOnly);
        QCOMPARE(fixture.run().finalState(), SyncState::Finished);
        PELLMAR_COMPARE_TREE(expectedTree(fixture, {QStringLiteral("notes.xml")}), fixture.phoneRoot());
    }

    void failedExtractionStillSwitchesTheChoicesOff()
    {
        // Not a backup at all: the extraction writes no file list, as for an encrypted one.
        const QString notABackup = mDir.filePath(QStringLiteral("encrypted/"));
        QVERIFY(QDir().mkpath(notABackup));
        EngineFixture fixture;
        prepare(fixture);
        chooseBackup(fixture.phoneId(), notABackup, CopyChoices());
        bool failed = false;
        const auto result = runRecordingFailure(fixture, failed);
        QVERIFY(failed);
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
        PELLMAR_COMPARE_TREE(expectedTree(fixture, {}), fixture.phoneRoot());
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("00000"));

        // A BlackBerry archive that is no archive: nothing to copy, the music goes on.
        const QString junk = mDir.filePath(QStringLiteral("junk.bbb"));
        writeFile(junk, "this is not an archive");
        chooseBackup(fixture.phoneId(), junk, CopyChoices());
        const auto second = runRecordingFailure(fixture, failed);
        QCOMPARE(second.finalState(), SyncState::Finished);
        QVERIFY(!failed);
        PELLMAR_COMPARE_TREE(expectedTree(fixture, {}), fixture.phoneRoot());
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("00000"));
    }

    void cancelledTransferKeepsTheChoices()
    {
        const QString backup = iphoneBackup(QStringLiteral("cancelled"), QString());
        EngineFixture fixture;
        prepare(fixture);
        chooseBackup(fixture.phoneId(), backup, CopyChoices());
        const auto result = fixture.run(EngineFixture::RunOptions(), [](SyncSession& aSync) {
            QObject::connect(&aSync, qOverload<int, int, QString>(&SyncSession::ProgressUpdate), &aSync,
                             [&aSync](int aState, int, const QString&) {
                                 if (aState == SyncState::CopyingPhotos)
                                     aSync.Cancel();
                             },
                             Qt::DirectConnection);
        });
        QCOMPARE(result.finalState(), SyncState::Cancelled);
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("11111"));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + "/CORVO/messages.xml"));
    }

    void workingFolderInUseIsLeftAlone()
    {
        const QString backup = iphoneBackup(QStringLiteral("busy"), QString());
        EngineFixture fixture;
        prepare(fixture);
        chooseBackup(fixture.phoneId(), backup, CopyChoices());
        // An export elsewhere is reading what it unpacked into the working folder.
        const QString exportsFile = BackupTransferStage::workingFolder() + QStringLiteral("sms.db");
        writeFile(exportsFile, "being read by an export");
        RunLock exportLock = RunLock::forExport();
        QVERIFY(exportLock.tryLock());

        bool failed = false;
        const auto result = runRecordingFailure(fixture, failed);
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
        QVERIFY(failed);
        QCOMPARE(contents(exportsFile), QByteArray("being read by an export"));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + "/CORVO/messages.xml"));
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("11111"));

        // Once the export is over, the next run makes the transfer.
        exportLock.unlock();
        QCOMPARE(runRecordingFailure(fixture, failed).finalState(), SyncState::Finished);
        QVERIFY(!failed);
        QVERIFY(contents(fixture.phoneRoot() + "/CORVO/messages.xml").contains("hello from the iPhone"));
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("00000"));
    }

    void blackberryBackupWithPhotoFolders()
    {
        const QString folderA = mDir.filePath(QStringLiteral("bb/pictures"));
        writeFile(folderA + "/a.jpg", "A");
        writeFile(folderA + "/trip/b.jpg", "B");
        writeFile(folderA + "/.thumbnails/c.jpg", "hidden folder");
        writeFile(folderA + "/.d.jpg", "hidden file");
        // A file that cannot be read (the kernel refuses reads at offset 0 of this one), and a
        // link to a file that is gone.
        QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), folderA + "/unreadable.jpg"));
        QVERIFY(QFile::link(folderA + "/gone.jpg", folderA + "/dangling.jpg"));
        const QString folderB = mDir.filePath(QStringLiteral("bb/camera"));
        writeFile(folderB + "/x.jpg", "X");

        IpdBuilder ipd({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")});
        ipd.record(0, IpdBuilder::sms(1, "+4477", QStringLiteral("hi from the BlackBerry")));
        ipd.record(1, {{10, IpdBuilder::textSubfield(32, QStringLiteral("Bea"))}});
        const QString backup = mDir.filePath(QStringLiteral("bb/backup.ipd"));
        QVERIFY(ipd.write(backup));

        EngineFixture fixture;
        prepare(fixture);
        chooseBackup(fixture.phoneId(), backup, CopyChoices(),
                     {folderA, mDir.filePath(QStringLiteral("bb/missing")), folderB});
        const auto result = fixture.run();
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);

        PhoneTree expected = expectedTree(fixture, {});
        expected.setFile(QStringLiteral("CORVO/messages.xml"),
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n"
                         "    <received_message>\n        <address>+4477</address>\n"
                         "        <date>1300000000</date>\n"
                         "        <text>hi from the BlackBerry</text>\n"
                         "    </received_message>\n</messages>\n");
        expected.setFile(QStringLiteral("CORVO/address.xml"),
                         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<address_book>\n"
                         "    <person>\n        <first_name>Bea</first_name>\n    </person>\n"
                         "</address_book>\n");
        expected.setFile(QStringLiteral("DCIM/Blackberry/a.jpg"), "A");
        expected.setFile(QStringLiteral("DCIM/Blackberry/trip/b.jpg"), "B");
        expected.setFile(QStringLiteral("DCIM/Blackberry/x.jpg"), "X");
        PELLMAR_COMPARE_TREE(expected, fixture.phoneRoot());
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("00000"));
    }

    // A run stopped at its space question stops before it acts: no backup data moves either,
    // and the choices stay for the next run.
    void runStoppedAtTheSpaceQuestionTransfersNothing()
    {
        const QString backup = iphoneBackup(QStringLiteral("short"), QString());
        EngineFixture fixture;
        prepare(fixture);
        chooseBackup(fixture.phoneId(), backup, CopyChoices());
        EngineFixture::RunOptions options;
        options.mFreeSpace = 0;
        options.mGoOnWhenShort = false;
        const auto result = fixture.run(options);
        QCOMPARE(result.mSpaceAsked, 1);
        QCOMPARE(result.finalState(), SyncState::Cancelled);
        QCOMPARE(copyChoicesNow(fixture.phoneId()), QStringLiteral("11111"));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + "/CORVO/messages.xml"));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + "/Music"));
    }

    void cameraRollVideosForTheScreenSize()
    {
        const QString movie = mDir.filePath(QStringLiteral("small.MOV"));
        QVERIFY(makeMovie(movie));
        const QString broken = mDir.filePath(QStringLiteral("broken.mov"));
        writeFile(broken, "not a movie");
        QTemporaryDir phoneRoot;
        auto* phone = new TestPhone(phoneRoot.path());
        // 480 x 800 is not more than 384000 pixels: the picture is made smaller.
        phone->ParseAndroidInfo("<android version=\"8\" screen_pixels=\"384000\"/>");
        DeviceParentMs parent(QStringLiteral("Phone"));
        parent.AddDevice(phone);
        SyncRunContext context(phone, &parent);
        PhotoCopier copier(context);
        QCOMPARE(copier.screenPixels(), 384000);
        // A phone without a description says nothing of its screen: a current phone's screen
        // is assumed, and videos are only repacked.
        auto* silent = new TestPhone(phoneRoot.path());
        DeviceParentMs silentParent(QStringLiteral("Silent"));
        silentParent.AddDevice(silent);
        SyncRunContext silentContext(silent, &silentParent);
        QCOMPARE(PhotoCopier(silentContext).screenPixels(), 1080 * 2400);
        const int copied = copier.copyPhotos(
            {{movie, QStringLiteral("\\100APPLE\\IMG_0003.MOV")},
             {broken, QStringLiteral("\\100APPLE\\IMG_0004.mov")},
             {mDir.filePath(QStringLiteral("vanished.jpg")), QStringLiteral("\\100APPLE\\IMG_0005.JPG")}});
        QCOMPARE(copied, 2);
        QCOMPARE(probeVideo(phoneRoot.filePath("DCIM/100APPLE/IMG_0003.mp4")),
                 QStringLiteral("480,270,isom"));
        // A video ffmpeg cannot read goes over as it is rather than being lost.
        QCOMPARE(contents(phoneRoot.filePath("DCIM/100APPLE/IMG_0004.mov")), QByteArray("not a movie"));
        QVERIFY(!QFileInfo::exists(phoneRoot.filePath("DCIM/100APPLE/IMG_0004.mp4")));
    }
};

PELLMAR_TEST_MAIN_GUI(TestBackupTransfer)
#include "test_backup_transfer.moc"
