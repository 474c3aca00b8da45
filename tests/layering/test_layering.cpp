// Keeps the folders layered as docs/layering.md tables them: every quoted include of src/ and
// tools/ must go to the including folder itself or to one the table lists below it.

#include "IncludeChecker.h"
#include "LayeringTable.h"
#include "TestMain.h"
#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

LayeringTable projectTable()
{
    QFile doc(TestPaths::sourceDir() + QStringLiteral("/docs/layering.md"));
    if (!doc.open(QIODevice::ReadOnly))
        return {};
    return LayeringTable::parse(QString::fromUtf8(doc.readAll()));
}

void writeSource(const QString& aRoot, const QString& aPath, const QByteArray& aText)
{
    const QString path = aRoot + u'/' + aPath;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(aText);
}

} // namespace

class TestLayering : public QObject
{
    Q_OBJECT

private slots:
    void projectKeepsToItsTable()
    {
        const LayeringTable table = projectTable();
        QVERIFY2(!table.isEmpty(), "docs/layering.md holds no table");
        QCOMPARE(table.cycles(), QStringList());
        const QStringList violations = IncludeChecker(table).violations(TestPaths::sourceDir());
        QVERIFY2(violations.isEmpty(), qPrintable(violations.join(u'\n')));
    }

    void subfoldersCountAsTheirFolder()
    {
        const LayeringTable table = projectTable();
        QCOMPARE(table.folderOf(QStringLiteral("device/mtp/MtpFile.h")), QStringLiteral("device"));
        QCOMPARE(table.folderOf(QStringLiteral("library/itunes/XmlTrack.h")),
                 QStringLiteral("library"));
        QCOMPARE(table.folderOf(QStringLiteral("tools/extract/main.cpp")),
                 QStringLiteral("tools/extract"));
        // A folder whose name merely starts like a known one is not that folder.
        QCOMPARE(table.folderOf(QStringLiteral("devices/X.h")), QString());
        QVERIFY(table.mayInclude(QStringLiteral("sync"), QStringLiteral("device")));
        QVERIFY(!table.mayInclude(QStringLiteral("device"), QStringLiteral("sync")));
    }

    void backupKindsStandOnTheSharedFormatsAlone()
    {
        const LayeringTable table = projectTable();
        QCOMPARE(table.folderOf(QStringLiteral("backup/iphone/AppleExtractor.h")),
                 QStringLiteral("backup/iphone"));
        QCOMPARE(table.folderOf(QStringLiteral("backup/VCardWriter.h")), QStringLiteral("backup"));
        QVERIFY(table.mayInclude(QStringLiteral("backup/blackberry"), QStringLiteral("backup")));
        QVERIFY(!table.mayInclude(QStringLiteral("backup"), QStringLiteral("backup/iphone")));
        QVERIFY(!table.mayInclude(QStringLiteral("backup/blackberry"),
                                  QStringLiteral("backup/iphone")));
        QVERIFY(!table.mayInclude(QStringLiteral("backup/iphone"),
                                  QStringLiteral("backup/blackberry")));
    }

    void plantedIncludesAgainstTheTableAreReported()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString r = root.path();
        writeSource(r, "src/tracks/Track.h", "#pragma once\n");
        writeSource(r, "src/sync/MusicSync.h", "#pragma once\n#include \"tracks/Track.h\"\n");
        writeSource(r, "src/library/itunes/Reader.h", "#pragma once\n");
        writeSource(r, "src/library/itunes/Reader.cpp",
                    "#include \"Reader.h\"\n"
                    "#include \"tracks/Track.h\"\n"
                    "  #  include \"sync/MusicSync.h\"\n"
                    "#include <QString>\n"
                    "#include \"Reader.moc\"\n");
        writeSource(r, "tools/extract/BackupEntry.h", "#pragma once\n");
        writeSource(r, "tools/extract/main.cpp",
                    "#include \"BackupEntry.h\"\n#include \"device/Device.h\"\n");
        writeSource(r, "src/gadgets/Gadget.cpp", "int gadget;\n");

        const QStringList expected{
            "src/gadgets/Gadget.cpp:1: folder missing from the table",
            "src/library/itunes/Reader.cpp:3: library may not include sync (\"sync/MusicSync.h\")",
            "tools/extract/main.cpp:2: tools/extract may not include device (\"device/Device.h\")",
        };
        QCOMPARE(IncludeChecker(projectTable()).violations(r), expected);
    }

    void aTableThatLoopsIsReported()
    {
        const LayeringTable table =
            LayeringTable::parse(QStringLiteral("Text before.\n\n"
                                                "| Folder | May include |\n|---|---|\n"
                                                "| `app` | |\n"
                                                "| `device` | `app`, `sync` |\n"
                                                "| `sync` | `app`, `device` |\n"
                                                "| `cli` | `sync` |\n"));
        QCOMPARE(table.folders().size(), 4);
        QCOMPARE(table.cycles(), (QStringList{"device", "sync"}));
    }
};

PELLMAR_TEST_MAIN(TestLayering)
#include "test_layering.moc"
