#include "IpdBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

IpdBuilder::IpdBuilder(const QStringList& aNames, int aCount, int aSeparator)
{
    mBytes = QByteArray("Inter@ctive Pager Backup/Restore File\n");
    mBytes.append(char(2));
    const int count = aCount < 0 ? int(aNames.size()) : aCount;
    mBytes.append(char(count >> 8 & 0xFF)).append(char(count & 0xFF));
    mBytes.append(char(aSeparator));
    for (const QString& name : aNames) {
        QByteArray utf8 = name.toUtf8();
        utf8.append('\0');
        mBytes.append(char(utf8.size())).append(char(0)).append(utf8);
    }
}

IpdBuilder& IpdBuilder::record(int aDatabaseId, const QList<Field>& aFields, qint64 aLength)
{
    QByteArray fields;
    for (const Field& field : aFields)
        fields.append(le16(int(field.second.size()))).append(char(field.first)).append(field.second);
    const qint64 length = aLength < 0 ? 7 + fields.size() : aLength;
    mBytes.append(le16(aDatabaseId)).append(le32(quint32(length)));
    mBytes.append(char(1)).append(le16(0x1234)).append(le32(0xCAFEF00D));
    mBytes.append(fields);
    return *this;
}

IpdBuilder& IpdBuilder::raw(const QByteArray& aBytes)
{
    mBytes.append(aBytes);
    return *this;
}

bool IpdBuilder::write(const QString& aPath, qint64 aSize) const
{
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile file(aPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray data = aSize < 0 ? mBytes : mBytes.left(aSize);
    return file.write(data) == data.size();
}

QByteArray IpdBuilder::subfield(int aType, const QByteArray& aData)
{
    return le16(int(aData.size())) + char(aType) + aData;
}

QByteArray IpdBuilder::textSubfield(int aType, const QString& aText)
{
    return subfield(aType, aText.toLatin1() + '\0');
}

QByteArray IpdBuilder::charsetSubfield(int aType, int aCharacterSet, const QString& aText)
{
    const QByteArray text = aCharacterSet == 1 ? utf16BigEndian(aText) : aText.toUtf8();
    return subfield(aType | 0x80, char(aCharacterSet) + text);
}

QByteArray IpdBuilder::utf16BigEndian(const QString& aText)
{
    QByteArray bytes;
    for (const QChar c : aText)
        bytes.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    return bytes;
}

QByteArray IpdBuilder::smsHeader(int aDirection, quint64 aMilliseconds, int aSize)
{
    QByteArray header(aSize, '\0');
    if (aSize > 0)
        header[0] = char(aDirection);
    for (int i = 0; i < 8 && 13 + i < aSize; ++i)
        header[13 + i] = char(aMilliseconds >> (8 * i) & 0xFF);
    return header;
}

QList<IpdBuilder::Field> IpdBuilder::sms(int aDirection, const QByteArray& aNumber,
                                         const QString& aText, quint64 aMilliseconds)
{
    return {{1, smsHeader(aDirection, aMilliseconds)},
            {2, aNumber},
            {4, aText.toUtf8() + '\0'},
            {7, QByteArray(1, '\0')}};
}

QByteArray IpdBuilder::le16(int aValue)
{
    return QByteArray(1, char(aValue & 0xFF)) + char(aValue >> 8 & 0xFF);
}

QByteArray IpdBuilder::le32(quint32 aValue)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char(aValue >> (8 * i) & 0xFF));
    return bytes;
}

bool BbbArchiveBuilder::run7z(const QString& aFolder, const QStringList& aArguments)
{
    QProcess process;
    process.setWorkingDirectory(aFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("7z"), aArguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

bool BbbArchiveBuilder::write(const QString& aArchivePath,
                              const QMap<int, QByteArray>& aDatabaseFiles)
{
    QTemporaryDir content;
    QDir().mkpath(content.filePath(QStringLiteral("Databases")));
    QFile manifest(content.filePath(QStringLiteral("Manifest.xml")));
    if (!manifest.open(QIODevice::WriteOnly))
        return false;
    manifest.write("<?xml version=\"1.0\"?>\n<BlackBerry_Backup/>\n");
    manifest.close();
    for (auto it = aDatabaseFiles.cbegin(); it != aDatabaseFiles.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        QFile file(content.filePath(QStringLiteral("Databases/%1.dat").arg(it.key())));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size())
            return false;
    }
    QFile::remove(aArchivePath);
    return run7z(content.path(), {QStringLiteral("a"), QStringLiteral("-tzip"), aArchivePath,
                                  QStringLiteral("Manifest.xml"), QStringLiteral("Databases")});
}
