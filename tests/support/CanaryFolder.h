#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// A folder of the user's own files that a test places where a fault could reach (beside the
// phone, in the home folder) and whose whole tree must come out unchanged: every entry with its
// kind, permissions, size and bytes, links read as links, never followed.
class CanaryFolder
{
public:
    // Makes aPath with a few files, a subfolder and a read-only file, and records its tree.
    explicit CanaryFolder(const QString& aPath);

    const QString& path() const { return mPath; }
    // A file inside the canary that a link on the phone can point at.
    QString file() const { return mPath + QStringLiteral("/letter.txt"); }
    // Every difference from the recorded tree; empty when nothing changed.
    QStringList changes() const;

private:
    static QMap<QString, QString> snapshot(const QString& aPath);

    QString mPath;
    QMap<QString, QString> mRecorded;
};

#define PELLMAR_VERIFY_CANARY(canary)                                                           \
    do {                                                                                         \
        const QStringList canaryChanges = (canary).changes();                                   \
        QVERIFY2(canaryChanges.isEmpty(), qPrintable(canaryChanges.join(QLatin1Char('\n'))));   \
    } while (false)
