#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Builds a BlackBerry backup database file byte by byte: header line, version, database count
// and names, then records of fields. Every part can be given wrong on purpose (a count that
// does not match the names, a record length that does not match its fields, bytes cut off).
class IpdBuilder
{
public:
    using Field = QPair<int, QByteArray>;

    // Header line, version 2, the names with their count (aCount < 0: the number of names).
    explicit IpdBuilder(const QStringList& aNames, int aCount = -1, int aSeparator = 0);

    // A record of database aDatabaseId; aLength < 0 gives the length its fields need.
    IpdBuilder& record(int aDatabaseId, const QList<Field>& aFields, qint64 aLength = -1);
    // Bytes appended as they are.
    IpdBuilder& raw(const QByteArray& aBytes);

    const QByteArray& bytes() const { return mBytes; }
    // Writes the bytes (cut to aSize when aSize >= 0) to aPath.
    bool write(const QString& aPath, qint64 aSize = -1) const;

    // Contact subfields: Latin-1 text, or text with a character-set byte (0 UTF-8,
    // 1 UTF-16 big-endian, others as given with aText's UTF-8 bytes).
    static QByteArray subfield(int aType, const QByteArray& aData);
    static QByteArray textSubfield(int aType, const QString& aText);
    static QByteArray charsetSubfield(int aType, int aCharacterSet, const QString& aText);
    static QByteArray utf16BigEndian(const QString& aText);
    // A text message header: direction byte, then the time in milliseconds at bytes 13 to 20
    // (when aSize leaves room for it).
    static QByteArray smsHeader(int aDirection, quint64 aMilliseconds, int aSize = 21);
    // The four fields of a usable text message (UTF-8 text).
    static QList<Field> sms(int aDirection, const QByteArray& aNumber, const QString& aText,
                            quint64 aMilliseconds = 1300000000000ULL);

    static QByteArray le16(int aValue);
    static QByteArray le32(quint32 aValue);

private:
    QByteArray mBytes;
};

// A ".bbb" archive made with the real 7z: Manifest.xml and Databases/<n>.dat.
class BbbArchiveBuilder
{
public:
    // aDatabaseFiles[n] becomes Databases/<n>.dat (an empty entry is left out).
    static bool write(const QString& aArchivePath, const QMap<int, QByteArray>& aDatabaseFiles);
    // Runs 7z with aArguments in aFolder; true on exit code 0.
    static bool run7z(const QString& aFolder, const QStringList& aArguments);
};
