// Two runs on one phone at once would copy side by side and corrupt the track cache; the lock
// keeps the second out, and a lock left by a killed run does not keep the phone locked forever.
#include "TestMain.h"

#include "app/AppPaths.h"
#include "sync/RunLock.h"

#include <QFile>
#include <QProcess>

class TestRunLock : public QObject
{
    Q_OBJECT

private slots:
    void secondHolderIsKeptOutAndToldWho();
    void lockOfAKilledRunIsTakenOver();
    void idsNeverNameAPath();
};

void TestRunLock::secondHolderIsKeptOutAndToldWho()
{
    RunLock first = RunLock::forPhone("123Y");
    QVERIFY(first.tryLock());
    RunLock second = RunLock::forPhone("123Y");
    QVERIFY(!second.tryLock());
    QCOMPARE(second.holderPid(), QCoreApplication::applicationPid());
    QVERIFY2(second.holder().contains(QString::number(QCoreApplication::applicationPid())),
             qPrintable(second.holder()));
    // Another phone, and the export's working folder, have locks of their own.
    RunLock other = RunLock::forPhone("456Y");
    QVERIFY(other.tryLock());
    RunLock exportLock = RunLock::forExport();
    QVERIFY(exportLock.tryLock());
    first.unlock();
    QVERIFY(second.tryLock());
}

void TestRunLock::lockOfAKilledRunIsTakenOver()
{
    RunLock lock = RunLock::forPhone("789Y");
    QVERIFY(lock.tryLock());
    QFile file(lock.fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    file.close();
    lock.unlock();
    // The same lock as left behind by a process that has ended.
    QProcess ended;
    ended.start("true", {});
    QVERIFY(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    QVERIFY(ended.waitForFinished());
    content.replace(0, content.indexOf('\n'), QByteArray::number(endedPid));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    RunLock next = RunLock::forPhone("789Y");
    QVERIFY(next.tryLock());
    QCOMPARE(next.holderPid(), QCoreApplication::applicationPid());
}

void TestRunLock::idsNeverNameAPath()
{
    const RunLock lock = RunLock::forPhone("../../etc/x");
    QCOMPARE(QFileInfo(lock.fileName()).absolutePath(), AppPaths::corvoFolder());
    QVERIFY(!lock.fileName().contains(".."));
}

PELLMAR_TEST_MAIN(TestRunLock)
#include "test_run_lock.moc"
