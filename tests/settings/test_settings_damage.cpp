// A settings file that names the wrong cache file, or is damaged, must never cost the user a
// file: the settings file and the other files of the CORVO folder stay as they are.
#include "CanaryFolder.h"
#include "TestMain.h"

#include "app/AppPaths.h"
#include "settings/SyncSettings.h"

#include <QDir>
#include <QFile>

namespace {

void writeSettingsFile(const QByteArray& aContents)
{
    QDir().mkpath(AppPaths::corvoFolder());
    QFile file(SyncSettings::settingsFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aContents);
}

} // namespace

class TestSettingsDamage : public QObject
{
    Q_OBJECT

private slots:
    void onlyGeneratedCacheNamesAreUsed_data();
    void onlyGeneratedCacheNamesAreUsed();
};

void TestSettingsDamage::onlyGeneratedCacheNamesAreUsed_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("usable");
    const QString corvo = AppPaths::corvoFolder();
    QTest::newRow("generated") << corvo + "/mcache3" << true;
    QTest::newRow("from Windows") << "C:\\Users\\me\\CORVO\\mcache12" << true;
    QTest::newRow("the settings file") << corvo + "/corvo.xml" << false;
    QTest::newRow("bare settings name") << "corvo.xml" << false;
    QTest::newRow("another cache's ids") << corvo + "/mcache3p" << false;
    QTest::newRow("a user's file") << QDir::homePath() + "/thesis.odt" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSettingsDamage::onlyGeneratedCacheNamesAreUsed()
{
    QFETCH(QString, stored);
    QFETCH(bool, usable);
    QCOMPARE(SyncSettings::isGeneratedCacheFileName(stored), usable);

    QDir(AppPaths::corvoFolder()).removeRecursively();
    CanaryFolder canary(QDir::homePath() + "/canary");
    writeSettingsFile("<settings><device><id>p</id><name>Phone</name><cache>" + stored.toUtf8()
                      + "</cache></device></settings>");
    SyncSettings settings;
    QCOMPARE(settings.load(), 0);
    QCOMPARE(settings.ensureGeneratedCacheFileName("p"), 0);
    const PhoneSettings phone = SettingsSnapshot::read().phone("p");
    // A name of the program's own form is kept; any other gives way to a new generated one.
    QCOMPARE(phone.cacheFileName(), usable ? stored : AppPaths::corvoFolder() + "/mcache0");
    QCOMPARE(phone.name(), QString("Phone"));
    QCOMPARE(settings.ensureGeneratedCacheFileName("unknown"), SyncSettings::kNoSuchDevice);
    PELLMAR_VERIFY_CANARY(canary);
    QDir(canary.path()).removeRecursively();
}

PELLMAR_TEST_MAIN(TestSettingsDamage)
#include "test_settings_damage.moc"
