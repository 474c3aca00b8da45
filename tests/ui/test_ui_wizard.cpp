// The setup wizard against folder phones, a real library file and real backup folders.
#include "TestMain.h"
#include "UiTestSupport.h"

#include "backup/FakeBackupBuilder.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/DeviceRefresher.h"
#include "device/mtp/MtpPhoneRefresher.h"
#include "engine/EngineFixture.h"
#include "library/MusicLibrary.h"
#include "settings/SyncSettings.h"
#include "ui/MessageCatalogue.h"
#include "ui/PhoneFolderSettings.h"
#include "ui/wizard/DeviceBackupPage.h"
#include "ui/wizard/DeviceWizard.h"
#include "ui/wizard/PlaylistSettingsPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>

#include <memory>

namespace {

// A library with the playlists A, B and C, and two folder phones.
struct WizardSetup
{
    WizardSetup()
    {
        fixture.addTrack(QStringLiteral("One"), QStringLiteral("X"), QStringLiteral("Y"), 1);
        for (const char* name : {"A", "B", "C"})
            fixture.setPlaylist(QLatin1String(name), {QStringLiteral("One")});
        fixture.writeLibrary();
        QDir().mkpath(fixture.phoneRoot());
        QDir().mkpath(secondPhone());
        list.AddPhoneFolder(fixture.phoneRoot());
        list.AddPhoneFolder(secondPhone());
        list.RefreshDevices();
    }
    QString secondPhone() const { return fixture.root() + QStringLiteral("/second"); }

    EngineFixture fixture;
    QTemporaryDir fakeSystem;
    DeviceList list{nullptr, fakeSystem.path()};
    MusicLibrary library;
};

// The MTP enumeration of a phone that the file manager holds open.
class BusyPhoneRefresher : public QObject, public DeviceRefresher
{
    Q_OBJECT

public:
    bool isRunning() override { return false; }
    QList<DeviceParent*> takeNewParents() override { return {}; }
    QList<DeviceParent*> takeGoneParents() override { return {}; }
    void startRefresh(const QList<DeviceParent*>&) override {}
    void lock() override {}
    void unlock() override {}
    QStringList openProblems() override
    {
        return {QLatin1String(MtpPhoneRefresher::kBusyText)};
    }

signals:
    void unableToOpenDevice();
};

QListWidget* listNamed(QWidget* aPage, const char* aName)
{
    return aPage->findChild<QListWidget*>(QLatin1String(aName));
}

void check(QListWidget* aList, const QString& aText, bool aChecked)
{
    for (int i = 0; i < aList->count(); ++i) {
        if (aList->item(i)->data(Qt::UserRole).toString() == aText)
            aList->item(i)->setCheckState(aChecked ? Qt::Checked : Qt::Unchecked);
    }
}

// Goes from the introduction to the music page with phone aRow selected.
void toMusicPage(DeviceWizard& aWizard, int aRow)
{
    aWizard.show();
    aWizard.next();
    QCOMPARE(aWizard.currentId(), 2);
    listNamed(aWizard.currentPage(), "phoneList")->setCurrentRow(aRow);
    QVERIFY(aWizard.button(QWizard::NextButton)->isEnabled());
    aWizard.next();
    QCOMPARE(aWizard.currentId(), 4);
}

} // namespace

class TestUiWizard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("PELLMAR_WEB_ORIGIN", "http://127.0.0.1:9");
        MessageCatalogue::build();
    }
    void init()
    {
        QFile::remove(SyncSettings::settingsFilePath());
        qputenv("PELLMAR_BACKUP_ROOTS", mBackups.path().toUtf8());
    }

    void busyPhoneIsExplainedOnTheConnectPage()
    {
        WizardSetup setup;
        DialogRecorder dialogs;
        auto refresher = std::make_unique<BusyPhoneRefresher>();
        BusyPhoneRefresher* busy = refresher.get();
        setup.list.SetDeviceRefresher(std::move(refresher));
        DeviceWizard wizard(&setup.library, &setup.list, nullptr, 0);
        wizard.show();
        wizard.next();
        QCOMPARE(wizard.currentId(), 2);
        emit busy->unableToOpenDevice();
        QCOMPARE(dialogs.mShown, QStringList{QStringLiteral("unableToOpenBox")});
        QCOMPARE(dialogs.mTexts.constFirst(),
                 QLatin1String(MtpPhoneRefresher::kBusyText) + u'.');
    }

    void playlistsAreSavedInReverseOrderAndNeedOneChecked()
    {
        WizardSetup setup;
        DialogRecorder dialogs;
        DeviceWizard wizard(&setup.library, &setup.list, nullptr, 0);
        QVERIFY(wizard.firstRun());
        toMusicPage(wizard, 0);
        PlaylistSettingsPage* music = wizard.musicPage();
        QListWidget* names = listNamed(music, "nameList");
        QCOMPARE(names->count(), 3);
        // Each playlist with the space it takes (one track of made-up bytes).
        QVERIFY(QRegularExpression(QStringLiteral("^A \\([0-9.,]+ (bytes|kB)\\)$"))
                    .match(names->item(0)->text())
                    .hasMatch());
        QVERIFY(!names->isEnabled());
        music->findChild<QRadioButton*>(QStringLiteral("secondOption"))->click();
        QVERIFY(names->isEnabled());
        QVERIFY(!wizard.button(QWizard::NextButton)->isEnabled());
        check(names, QStringLiteral("A"), true);
        check(names, QStringLiteral("C"), true);
        QVERIFY(wizard.button(QWizard::NextButton)->isEnabled());
        wizard.next();
        QCOMPARE(wizard.currentId(), 5);
        wizard.next();
        QCOMPARE(wizard.currentId(), 6);
        wizard.next();
        QCOMPARE(wizard.currentId(), 7);
        wizard.next();
        QCOMPARE(wizard.currentId(), 9);
        wizard.button(QWizard::FinishButton)->click();
        QVERIFY(dialogs.mShown.isEmpty());

        Device* phone = setup.list.GetDevices().at(0);
        QVERIFY(phone->IsConfigured(SettingsSnapshot::read()));
        bool whole = true;
        int podcastSetting = -1;
        QStringList playlists;
        QStringList podcasts;
        QCOMPARE(SettingsSnapshot::read().phone(phone->UniqueDeviceId()).getConfig(
                     whole, podcastSetting, playlists, podcasts),
                 0);
        QVERIFY(!whole);
        QCOMPARE(playlists, (QStringList{QStringLiteral("C"), QStringLiteral("A")}));
        QCOMPARE(podcastSetting, 0);
        QVERIFY(wizard.syncNow());
        QVERIFY(!wizard.backupDataChosen());
    }

    void cancellingWritesNothing()
    {
        WizardSetup setup;
        DeviceWizard wizard(&setup.library, &setup.list, nullptr, 1);
        toMusicPage(wizard, 0);
        wizard.reject();
        QVERIFY(!QFile::exists(SyncSettings::settingsFilePath()));
        QVERIFY(!setup.list.GetDevices().at(0)->IsConfigured(SettingsSnapshot::read()));
    }

    void storedSettingsLoadOncePerPhone()
    {
        WizardSetup setup;
        Device* second = setup.list.GetDevices().at(1);
        second->SetConfigured();
        SyncSettings settings;
        settings.load();
        settings.setConfig(second->UniqueDeviceId(), second->FriendlyName(), false,
                           {QStringLiteral("B")}, 1, {});
        settings.setNumberOfEpisodesToSync(second->UniqueDeviceId(), 3);
        settings.save();

        DeviceWizard wizard(&setup.library, &setup.list, nullptr, 0);
        toMusicPage(wizard, 0);
        QVERIFY(wizard.musicPage()->wholeLibrary());
        wizard.back();
        listNamed(wizard.currentPage(), "phoneList")->setCurrentRow(1);
        wizard.next();
        QCOMPARE(wizard.musicPage()->playlistNames(), QStringList{QStringLiteral("B")});
        QCOMPARE(wizard.podcastPage()->podcastSyncSettings(), 1);
        QCOMPARE(wizard.podcastPage()->episodes(), 3);
        // Once loaded, the user's changes stay while the same phone remains chosen.
        wizard.musicPage()->selectWholeLibrary();
        wizard.next();
        wizard.back();
        QVERIFY(wizard.musicPage()->wholeLibrary());
    }

    void backupPageValidatesItsChoices()
    {
        FakeBackupBuilder backup(mBackups.path() + QStringLiteral("/first"));
        backup.setInfoPlist(QStringLiteral("Old iPhone"));
        QVERIFY(backup.write());
        DialogRecorder dialogs;
        DeviceBackupPage page;
        auto* list = listNamed(&page, "backupList");
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Old iPhone"));
        const auto box = [&](const char* aName) {
            return page.findChild<QCheckBox*>(QLatin1String(aName));
        };

        box("copyNotes")->setChecked(true);
        QVERIFY(page.validatePage());
        QVERIFY(page.selectedBackupPath().isEmpty());
        box("copyMessages")->setChecked(true);
        QVERIFY(!page.validatePage());
        QCOMPARE(dialogs.mTexts.last(), MessageCatalogue::get().createBackup);

        box("copyNotes")->setChecked(false);
        box("copyMessages")->setChecked(false);
        list->setCurrentRow(0);
        QVERIFY(!page.validatePage());
        QVERIFY(dialogs.mTexts.last().startsWith(QLatin1String("You have selected a backup")));
        box("copyCalendar")->setChecked(true);
        QVERIFY(page.validatePage());
        QCOMPARE(page.selectedBackupPath(), backup.backupPath());

        // A backup made while the page is open joins the list; one that goes stays listed.
        FakeBackupBuilder later(mBackups.path() + QStringLiteral("/second"));
        later.setInfoPlist(QStringLiteral("Newer iPhone"));
        QVERIFY(later.write());
        QDir(backup.folder()).removeRecursively();
        page.checkForNewBackups();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("Newer iPhone"));
    }

    void clickingThroughShowsAndKeepsWhatWasStored()
    {
        WizardSetup setup;
        FakeBackupBuilder backup(mBackups.path() + QStringLiteral("/kept"));
        backup.setInfoPlist(QStringLiteral("Old iPhone"));
        QVERIFY(backup.write());
        Device* second = setup.list.GetDevices().at(1);
        second->SetConfigured();
        const QString id = second->UniqueDeviceId();
        const QList<QPair<QString, QString>> photoFolders{
            {QStringLiteral("folder"), QStringLiteral("/home/me/Pictures")}};
        {
            // What `pellmar-sync setup --convert-to-mp3 --backup ...` leaves.
            SyncSettings settings;
            settings.load();
            settings.setConfig(id, second->FriendlyName(), true, {}, 0, {});
            settings.setConvertAacToMp3(id, true);
            settings.setSelectedBackupPath(id, backup.backupPath());
            settings.setCopyNotes(id, true);
            settings.setSettingsList(id, QStringLiteral("photo_folders"), photoFolders);
            settings.save();
        }
        bool preselected = false;
        bool notesShown = false;
        bool dontKnowShown = false;
        const auto clickThrough = [&](bool aAnswerYes) {
            DeviceWizard wizard(&setup.library, &setup.list, nullptr, 0);
            wizard.show();
            QList<int> visited{wizard.currentId()};
            wizard.next();
            visited.append(wizard.currentId());
            // The phone set up last is chosen already.
            preselected = listNamed(wizard.currentPage(), "phoneList")->currentRow() == 1
                          && wizard.button(QWizard::NextButton)->isEnabled();
            while (wizard.currentId() != 9 && visited.size() < 10) {
                wizard.next();
                visited.append(wizard.currentId());
                QWizardPage* page = wizard.currentPage();
                if (wizard.currentId() == 6) {
                    dontKnowShown =
                        page->findChild<QRadioButton*>(QStringLiteral("dontKnow"))->isChecked();
                    if (aAnswerYes)
                        page->findChild<QRadioButton*>(QStringLiteral("yes"))->click();
                }
                if (wizard.currentId() == 7) {
                    auto* notes = page->findChild<QCheckBox*>(QStringLiteral("copyNotes"));
                    notesShown = notes->isChecked() && notes->isEnabled();
                }
            }
            wizard.accept();
            return visited;
        };
        QCOMPARE(clickThrough(false), (QList<int>{0, 2, 4, 5, 6, 7, 9}));
        QVERIFY(preselected);
        QVERIFY(dontKnowShown);
        QVERIFY(notesShown);
        const PhoneSettings settings = SettingsSnapshot::read().phone(id);
        QVERIFY(settings.convertAacToMp3());
        QCOMPARE(settings.selectedBackupPath(), backup.backupPath());
        QVERIFY(settings.copyNotes());
        QCOMPARE(settings.list(QStringLiteral("photo_folders")), photoFolders);

        // What the page shows is what is saved.
        clickThrough(true);
        QVERIFY(!SettingsSnapshot::read().phone(id).convertAacToMp3());
    }

    void backupPageSaysWhereItLookedAndTakesAChosenBackup()
    {
        QTemporaryDir empty;
        qputenv("PELLMAR_BACKUP_ROOTS", empty.path().toUtf8());
        DialogRecorder dialogs;
        DeviceBackupPage page;
        page.show();
        auto* nothing = page.findChild<QLabel*>(QStringLiteral("nothingFound"));
        QVERIFY(nothing->isVisible());
        QVERIFY(nothing->text().contains(empty.path()));
        auto* messages = page.findChild<QCheckBox*>(QStringLiteral("copyMessages"));
        QVERIFY(!messages->isEnabled());

        QTemporaryDir elsewhere;
        QString error;
        QVERIFY(!page.addChosenBackup(elsewhere.path(), error));
        QVERIFY(error.contains(QLatin1String("not an iPhone backup")));
        QVERIFY(nothing->isVisible());
        const QString file = elsewhere.path() + QStringLiteral("/Curve.ipd");
        QFile ipd(file);
        QVERIFY(ipd.open(QIODevice::WriteOnly));
        ipd.write("Inter@ctive Pager Backup/Restore File\n");
        ipd.close();
        dialogs.on(QStringLiteral("blackBerryFileDialog"), [&](QDialog& aDialog) {
            auto& files = static_cast<QFileDialog&>(aDialog);
            files.setDirectory(elsewhere.path());
            files.selectFile(file);
            static_cast<QDialog&>(files).accept();
        });
        page.chooseBlackBerryFile();
        QVERIFY(!nothing->isVisible());
        QCOMPARE(listNamed(&page, "backupList")->currentItem()->text(), QStringLiteral("Curve.ipd"));
        QVERIFY(messages->isEnabled());
        messages->setChecked(true);
        QVERIFY(page.validatePage());
        QCOMPARE(page.selectedBackupPath(), file);

        // A stored backup that cannot be found now stays chosen.
        const QString away = elsewhere.path() + QStringLiteral("/unplugged/Old.bbb");
        page.showStoredChoice(away, {true, false, false, false, false});
        QCOMPARE(page.selectedBackupPath(), away);
        QVERIFY(listNamed(&page, "backupList")->currentItem()->text().endsWith(
            QLatin1String("(not found)")));
    }

    void aFolderCanBeChosenAsPhoneAndIsRemembered()
    {
        WizardSetup setup;
        const QString folder = setup.fixture.root() + QStringLiteral("/card");
        QDir().mkpath(folder);
        DialogRecorder dialogs;
        dialogs.on(QStringLiteral("phoneFolderDialog"), [&](QDialog& aDialog) {
            auto& files = static_cast<QFileDialog&>(aDialog);
            files.setDirectory(setup.fixture.root());
            files.selectFile(folder);
            static_cast<QDialog&>(files).accept();
        });
        DeviceWizard wizard(&setup.library, &setup.list, nullptr, 0);
        wizard.show();
        wizard.next();
        wizard.currentPage()->findChild<QAbstractButton*>(QStringLiteral("useFolderButton"))
            ->click();
        QListWidget* phones = listNamed(wizard.currentPage(), "phoneList");
        QCOMPARE(phones->count(), 3);
        QCOMPARE(phones->currentItem()->text(), QStringLiteral("card"));
        QVERIFY(wizard.button(QWizard::NextButton)->isEnabled());
        // Kept where the command line keeps a phone's folder, once the phone is set up.
        QVERIFY(!PhoneFolderSettings::load().contains(folder));
        while (wizard.currentId() != 9)
            wizard.next();
        wizard.accept();
        const auto folders = SettingsSnapshot::read().phoneFolders();
        QCOMPARE(folders.size(), 1);
        QCOMPARE(folders.first().second, folder);
        QVERIFY(PhoneFolderSettings::load().contains(folder));

        // A folder phone set up by the command line is listed by the window, also when gone.
        SyncSettings::update([&](SyncSettings& aSettings) {
            aSettings.setPhoneFolder(folders.first().first, folder + QStringLiteral("-gone"));
        });
        DeviceList other(nullptr, setup.fakeSystem.path());
        PhoneFolderSettings::addAllTo(other);
        QVERIFY(other.PhoneFolders().contains(folder + QStringLiteral("-gone")));
    }

private:
    QTemporaryDir mBackups;
};

PELLMAR_TEST_MAIN_GUI(TestUiWizard)
#include "test_ui_wizard.moc"
