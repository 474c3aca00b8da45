#include "CanaryFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

namespace {

void writeFile(const QString& aPath, const QByteArray& aContent)
{
    QFile file(aPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(aContent);
}

} // namespace

CanaryFolder::CanaryFolder(const QString& aPath) : mPath(aPath)
{
    QDir().mkpath(mPath + QStringLiteral("/photos"));
    writeFile(file(), "Dear user,\nthese bytes must stay.\n");
    writeFile(mPath + QStringLiteral("/photos/holiday.jpg"), QByteArray(3000, 'j'));
    writeFile(mPath + QStringLiteral("/passwd"), "root:x:0:0::/root:/bin/sh\n");
    writeFile(mPath + QStringLiteral("/tax.m3u"), "#EXTM3U\r\nmine.mp3\r\n");
    ::chmod(QFile::encodeName(mPath + QStringLiteral("/passwd")).constData(), 0444);
    mRecorded = snapshot(mPath);
}

QMap<QString, QString> CanaryFolder::snapshot(const QString& aPath)
{
    QMap<QString, QString> entries;
    struct stat top {};
    if (::lstat(QFile::encodeName(aPath).constData(), &top) != 0)
        return entries;
    entries.insert(QStringLiteral("."), QString::number(top.st_mode, 8));
    QDirIterator it(aPath, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        QString description = QString::number(info.st_mode, 8) + QLatin1Char(' ')
                            + QString::number(info.st_size);
        if (S_ISREG(info.st_mode)) {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            description += QLatin1Char(' ')
                         + QString::fromLatin1(QCryptographicHash::hash(
                               file.readAll(), QCryptographicHash::Sha1).toHex());
        } else if (S_ISLNK(info.st_mode)) {
            description += QStringLiteral(" -> ") + QFile::symLinkTarget(path);
        }
        entries.insert(QDir(aPath).relativeFilePath(path), description);
    }
    return entries;
}

QStringList CanaryFolder::changes() const
{
    QStringList differences;
    const QMap<QString, QString> now = snapshot(mPath);
    for (auto it = mRecorded.cbegin(); it != mRecorded.cend(); ++it) {
        if (!now.contains(it.key()))
            differences << QStringLiteral("canary lost: ") + it.key();
        else if (now.value(it.key()) != it.value())
            differences << QStringLiteral("canary changed: ") + it.key() + QStringLiteral(" (")
                               + it.value() + QStringLiteral(" -> ") + now.value(it.key())
                               + QLatin1Char(')');
    }
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (!mRecorded.contains(it.key()))
            differences << QStringLiteral("canary gained: ") + it.key();
    }
    return differences;
}
