#include "device/PhoneTree.h"

#include "device/PlaylistCheck.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

PhoneTree PhoneTree::capture(const QString& aRootPath)
{
    PhoneTree tree;
    const QDir root(aRootPath);
    QDirIterator it(aRootPath, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        tree.mFiles.insert(root.relativeFilePath(path), file.readAll());
    }
    return tree;
}

void PhoneTree::setFile(const QString& aRelativePath, const QByteArray& aContent)
{
    mFiles.insert(aRelativePath, aContent);
}

void PhoneTree::setFileFrom(const QString& aRelativePath, const QString& aLocalPath)
{
    QFile file(aLocalPath);
    file.open(QIODevice::ReadOnly);
    mFiles.insert(aRelativePath, file.readAll());
}

void PhoneTree::removeFile(const QString& aRelativePath)
{
    mFiles.remove(aRelativePath);
}

QStringList PhoneTree::compare(const QString& aRootPath) const
{
    QStringList differences;
    const PhoneTree actual = capture(aRootPath);
    // A copy of an expected file under an unexpected name is a duplicate, not just an extra.
    QMap<QByteArray, QString> expectedByContent;
    for (auto it = mFiles.cbegin(); it != mFiles.cend(); ++it) {
        if (!it.value().isEmpty())
            expectedByContent.insert(it.value(), it.key());
    }
    for (auto it = mFiles.cbegin(); it != mFiles.cend(); ++it) {
        if (!actual.mFiles.contains(it.key()))
            differences << QStringLiteral("missing: ") + it.key();
        else if (actual.mFiles.value(it.key()) != it.value())
            differences << QStringLiteral("content differs: ") + it.key()
                               + QStringLiteral("\n  expected: ") + QString::fromUtf8(it.value().left(200).toPercentEncoding(" /\\:#,._-"))
                               + QStringLiteral("\n  actual:   ") + QString::fromUtf8(actual.mFiles.value(it.key()).left(200).toPercentEncoding(" /\\:#,._-"));
    }
    for (auto it = actual.mFiles.cbegin(); it != actual.mFiles.cend(); ++it) {
        if (mFiles.contains(it.key()))
            continue;
        if (it.key().section(QLatin1Char('/'), -1).startsWith(QLatin1String(".pellmar-partial-")))
            differences << QStringLiteral("partial copy left behind: ") + it.key();
        else if (expectedByContent.contains(it.value()))
            differences << QStringLiteral("duplicate of ") + expectedByContent.value(it.value())
                               + QStringLiteral(": ") + it.key();
        else
            differences << QStringLiteral("unexpected: ") + it.key();
    }
    // Playlists must work on the phone, not only hold the expected bytes.
    differences << PlaylistCheck::verifyAll(aRootPath);
    return differences;
}
