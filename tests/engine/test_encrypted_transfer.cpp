// A run whose phone is to receive the data of an encrypted iPhone backup: the run asks for the
// password when its transfer starts; no answer or a wrong one skips the transfer and keeps the
// choices, the right one transfers and leaves nothing decrypted behind.
#include "TestMain.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/FakeKeybag.h"
#include "backup/NotesFixture.h"
#include "engine/EngineFixture.h"
#include "settings/SyncSettings.h"
#include "sync/BackupTransferStage.h"
#include "sync/SyncSession.h"

#include <QDir>
#include <QTemporaryDir>

namespace {
const QByteArray kPassword = "open sesame";
}

class TestEncryptedTransfer : public QObject
{
    Q_OBJECT

private slots:
    void asksForThePasswordWhenTheTransferStarts_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("transferred");
        QTest::newRow("cancelled") << QByteArray() << false;
        QTest::newRow("wrong password") << QByteArray("open sesam") << false;
        QTest::newRow("right password") << kPassword << true;
    }

    void asksForThePasswordWhenTheTransferStarts()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, transferred);
        QVERIFY2(FakeBackupBuilder::prepareExtraction(), "pellmar-extract not built");
        QTemporaryDir dir;
        const QString notes = dir.filePath("notes.sqlite");
        {
            NotesFixture fixture(notes, NotesFixture::Layout::Older);
            QVERIFY(fixture.addNote({"Plans", "trip", "trip<br>tickets", 0, 10}) > 0);
        }
        FakeKeybag keybag(kPassword, 3, 2);
        FakeBackupBuilder backup(dir.filePath("backup"));
        backup.addFileFrom("HomeDomain", "Library/Notes/notes.sqlite", notes);
        backup.setEncryption(&keybag);
        QVERIFY(backup.write());

        EngineFixture fixture;
        fixture.addTrack("Alpha", "Ann", "First", 1);
        fixture.setPlaylist("Mix", {"Alpha"});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {"Mix"};
        fixture.configure(configuration);
        {
            SyncSettings settings;
            settings.load();
            settings.setSelectedBackupPath(fixture.phoneId(), backup.backupPath());
            settings.setCopyNotes(fixture.phoneId(), true);
            settings.save();
        }

        QStringList asked;
        bool wrong = false;
        bool notGiven = false;
        EngineFixture::RunOptions options;
        options.mBackupPassword = [&](const QString& aPath) {
            asked << aPath;
            return answer;
        };
        const auto result = fixture.run(options, [&](SyncSession& aSync) {
            QObject::connect(&aSync, qOverload<int, int>(&SyncSession::ProgressUpdate), &aSync,
                             [&, sync = &aSync](int aState, int) {
                                 if (aState == SyncState::Finished) {
                                     wrong = sync->result().mBackupPasswordWrong;
                                     notGiven = sync->result().mBackupPasswordNotGiven;
                                 }
                             },
                             Qt::DirectConnection);
        });
        // The music goes to the phone whatever happens to the backup.
        QCOMPARE(result.finalState(), SyncState::Finished);
        QCOMPARE(result.mCopied, 1);
        QCOMPARE(asked, QStringList{backup.backupPath()});
        QCOMPARE(wrong, !transferred && !answer.isEmpty());
        QCOMPARE(notGiven, answer.isEmpty());
        const QString onPhone = fixture.phoneRoot() + "/CORVO/notes.xml";
        QCOMPARE(QFileInfo::exists(onPhone), transferred);
        if (transferred) {
            QFile file(onPhone);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(file.readAll().contains("Plans"));
        }
        // Done once: switched off; skipped: kept for the next run.
        QCOMPARE(SettingsSnapshot::read().phone(fixture.phoneId()).copyNotes(), !transferred);
        QCOMPARE(QDir(BackupTransferStage::workingFolder())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

PELLMAR_TEST_MAIN(TestEncryptedTransfer)
#include "test_encrypted_transfer.moc"
