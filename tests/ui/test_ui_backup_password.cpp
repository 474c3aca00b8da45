// The password of an encrypted backup in the window: the wizard's backup page checks it before
// the user may go on; a run asks for it when its transfer starts and says when it is not right.
#include "TestMain.h"
#include "UiTestSupport.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/FakeKeybag.h"
#include "backup/NotesFixture.h"
#include "engine/EngineFixture.h"
#include "settings/SyncSettings.h"
#include "sync/SyncSession.h"
#include "ui/MessageCatalogue.h"
#include "ui/SyncUi.h"
#include "ui/wizard/DeviceBackupPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const QByteArray kPassword = "letmein";
const QString kNotRight = QStringLiteral("The backup password is not right.");

// An encrypted backup of a phone with one note.
QString encryptedBackup(const QString& aFolder, const FakeKeybag& aKeybag)
{
    const QString notes = aFolder + QStringLiteral("-notes.sqlite");
    {
        NotesFixture fixture(notes, NotesFixture::Layout::Older);
        fixture.addNote({"Plans", "trip", "trip<br>tickets", 0, 10});
    }
    FakeBackupBuilder backup(aFolder);
    backup.setInfoPlist(QStringLiteral("Locked iPhone"));
    backup.addFileFrom("HomeDomain", "Library/Notes/notes.sqlite", notes);
    backup.setEncryption(&aKeybag);
    return backup.write() ? backup.backupPath() : QString();
}

} // namespace

class TestUiBackupPassword : public QObject
{
    Q_OBJECT

    QTemporaryDir mBackups;

private slots:
    void initTestCase()
    {
        qputenv("PELLMAR_WEB_ORIGIN", "http://127.0.0.1:9");
        qputenv("PELLMAR_BACKUP_ROOTS", mBackups.path().toUtf8());
        QVERIFY(FakeBackupBuilder::prepareExtraction());
        MessageCatalogue::build();
    }

    void backupPageChecksThePasswordBeforeGoingOn()
    {
        FakeKeybag keybag(kPassword, 3, 2);
        QVERIFY(!encryptedBackup(mBackups.path() + "/locked", keybag).isEmpty());
        DialogRecorder dialogs;
        DeviceBackupPage page;
        auto* password = page.findChild<QLineEdit*>(QStringLiteral("backupPassword"));
        auto* remember = page.findChild<QCheckBox*>(QStringLiteral("rememberBackupPassword"));
        QVERIFY(password && remember);
        QVERIFY(!remember->isChecked());
        QVERIFY(!password->isVisibleTo(&page));
        page.findChild<QCheckBox*>(QStringLiteral("copyNotes"))->setChecked(true);
        page.findChild<QListWidget*>(QStringLiteral("backupList"))->setCurrentRow(0);
        QVERIFY(password->isVisibleTo(&page));

        password->setText(QStringLiteral("wrong"));
        QVERIFY(!page.validatePage());
        QCOMPARE(dialogs.mTexts.last(), kNotRight);
        password->setText(QString::fromUtf8(kPassword));
        QVERIFY(page.validatePage());
    }

    void runAsksForThePasswordWhenItsTransferStarts()
    {
        EngineFixture fixture;
        fixture.addTrack("One", "Artist", "Album", 1);
        fixture.setPlaylist("Mix", {"One"});
        fixture.writeLibrary();
        EngineFixture::Configuration configuration;
        configuration.mPlaylists = {"Mix"};
        fixture.configure(configuration);
        FakeKeybag keybag(kPassword, 3, 2);
        const QString backup = encryptedBackup(fixture.root() + "/backup", keybag);
        {
            SyncSettings settings;
            settings.load();
            settings.setSelectedBackupPath(fixture.phoneId(), backup);
            settings.setCopyNotes(fixture.phoneId(), true);
            settings.save();
        }
        QByteArray answer = "not it";
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("backupPasswordDialog"), [&](QDialog& aDialog) {
            aDialog.findChild<QLineEdit*>(QStringLiteral("backupPasswordEdit"))
                ->setText(QString::fromUtf8(answer));
            aDialog.accept();
        });
        QTemporaryDir fakeSystem;
        SyncUi window(nullptr, fakeSystem.path());
        window.deviceList().AddPhoneFolder(fixture.phoneRoot());
        window.show();
        QVERIFY(waitFor([&] { return window.state() == SyncState::PhoneReady; }, 15000));
        const auto synchronise = [&] {
            window.findChild<QPushButton*>(QStringLiteral("syncButton"))->click();
            return waitFor([&] {
                return window.syncSession() && window.syncSession()->hasEnded()
                       && SyncState::isIdle(window.state());
            }, 30000);
        };

        QVERIFY(synchronise());
        QVERIFY(dialogs.mShown.contains(QStringLiteral("backupPasswordDialog")));
        QVERIFY2(dialogs.mTexts.contains(kNotRight), qPrintable(dialogs.mTexts.join('|')));
        QVERIFY(!QFileInfo::exists(fixture.phoneRoot() + "/CORVO/notes.xml"));
        QVERIFY(SettingsSnapshot::read().phone(fixture.phoneId()).copyNotes());

        answer = kPassword;
        dialogs.mTexts.clear();
        QVERIFY(synchronise());
        QVERIFY(!dialogs.mTexts.contains(kNotRight));
        QVERIFY(QFileInfo::exists(fixture.phoneRoot() + "/CORVO/notes.xml"));
        QVERIFY(!SettingsSnapshot::read().phone(fixture.phoneId()).copyNotes());
    }
};

PELLMAR_TEST_MAIN_GUI(TestUiBackupPassword)
#include "test_ui_backup_password.moc"
