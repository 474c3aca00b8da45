#include "device/PhoneHintFile.h"

#include "app/DebugLog.h"
#include "device/PhoneFileAccess.h"

#include <QFile>

namespace {

const QString kCorvo = QStringLiteral("/CORVO/");

} // namespace

PhoneHintFile::PhoneHintFile(const PhoneFileAccess& aFiles, const QString& aName)
    : mFiles(aFiles), mPath(kCorvo + aName)
{
}

void PhoneHintFile::append(const QByteArray& aLine)
{
    mFiles.makeFolders(kCorvo);
    QFile file;
    if (mFiles.openFile(file, mPath, QIODevice::ReadWrite | QIODevice::Append)) {
        // A file that does not end with a line end would glue the new line to its last one.
        if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n")
            file.write("\n");
        file.write(aLine);
    } else
        logValue("Could not open hint file", mPath.mid(kCorvo.size()));
}

QSet<QString> PhoneHintFile::lines() const
{
    QSet<QString> lines;
    QFile file;
    if (!mFiles.openFile(file, mPath, QIODevice::ReadOnly))
        return lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.insert(QString::fromUtf8(line));
    }
    return lines;
}
