#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// The expected content of a phone folder: every file by its path from the phone root ("/"
// separated) with its bytes. compare() checks a real folder against it and names every file that
// is missing, unexpected (a duplicate under another name included), or different, every
// leftover partial copy, and every playlist entry that a phone would not resolve.
class PhoneTree
{
public:
    // The tree as it is on disk now.
    static PhoneTree capture(const QString& aRootPath);

    void setFile(const QString& aRelativePath, const QByteArray& aContent);
    // The expected file holds the same bytes as a local file.
    void setFileFrom(const QString& aRelativePath, const QString& aLocalPath);
    void removeFile(const QString& aRelativePath);
    bool contains(const QString& aRelativePath) const { return mFiles.contains(aRelativePath); }
    QByteArray file(const QString& aRelativePath) const { return mFiles.value(aRelativePath); }
    QStringList paths() const { return mFiles.keys(); }

    // Empty when the folder holds exactly the expected files with the expected bytes.
    QStringList compare(const QString& aRootPath) const;

private:
    QMap<QString, QByteArray> mFiles;
};

// QVERIFY2-friendly form: fails the current test with the differences.
#define PELLMAR_COMPARE_TREE(tree, root)                                                         \
    do {                                                                                         \
        const QStringList pellmarDiffs = (tree).compare(root);                                  \
        QVERIFY2(pellmarDiffs.isEmpty(), qPrintable(pellmarDiffs.join(QLatin1Char('\n'))));     \
    } while (false)
