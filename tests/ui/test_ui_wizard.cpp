// The setup wizard against folder phones, a real library file and real backup folders.
#include "TestMain.h"
#include "UiTestSupport.h"

#include "backup/FakeBackupBuilder.h"
#include "device/Device.h"
#include "device/DeviceList.h"
#include "device/DeviceRefresher.h"
#include "device/mtp/MtpMacDeviceRefresher.h"
#include "engine/EngineFixture.h"
#include "library/LocalMusicLibrary.h"
#include "settings/SyncSettings.h"
#include "ui/MessageCatalogue.h"
#include "ui/PhoneFolderSettings.h"
#include "ui/wizard/DeviceBackupPage.h"
#include "ui/wizard/DeviceWizard.h"
#include "ui/wizard/PlaylistSettingsPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QListWidget>
#include <QRadioButton>

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
    LocalMusicLibrary library;
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
        return {QLatin1String(MtpMacDeviceRefresher::kBusyText)};
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
        if (aList->item(i)->text() == aText)
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
                 QLatin1String(MtpMacDeviceRefresher::kBusyText) + u'.');
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
        QCOMPARE(wizard.currentId(), 7);
        wizard.next();
        QCOMPARE(wizard.currentId(), 9);
        wizard.button(QWizard::FinishButton)->click();
        QVERIFY(dialogs.mShown.isEmpty());

        Device* phone = setup.list.GetDevices().at(0);
        QVERIFY(phone->IsConfigured());
        SyncSettings settings;
        QCOMPARE(settings.load(), 0);
        bool whole = true;
        int podcastSetting = -1;
        QStringList playlists;
        QStringList podcasts;
        QCOMPARE(settings.getConfig(phone->UniqueDeviceId(), whole, podcastSetting, playlists,
                                    podcasts),
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
        QVERIFY(!setup.list.GetDevices().at(0)->IsConfigured());
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
        QVERIFY(PhoneFolderSettings::load().contains(folder));
    }

private:
    QTemporaryDir mBackups;
};

PELLMAR_TEST_MAIN_GUI(TestUiWizard)
#include "test_ui_wizard.moc"
