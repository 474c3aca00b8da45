#pragma once

#include "backup/ContactCard.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Writes contacts as a vCard 3.0 file (RFC 2426), the file Android's Contacts app imports
// ("Import from .vcf file"): one card per contact, UTF-8, CR LF line ends, lines folded at 75
// octets (never inside a character), text values escaped. Characters no vCard carries are
// dropped; a picture is embedded as JPEG, and one that cannot be decoded is left out.
class VCardWriter
{
public:
    explicit VCardWriter(const QString& aPath);
    ~VCardWriter();

    VCardWriter(const VCardWriter&) = delete;
    VCardWriter& operator=(const VCardWriter&) = delete;

    // Opens the file write-only and truncated.
    bool open();
    bool isOpen() const { return mFile.isOpen(); }
    QString path() const { return mFile.fileName(); }

    // Writes one card; nothing while the file is not open.
    void write(const ContactCard& aCard);
    // Flushes and closes; false when the file system reported a write error.
    bool finish();
    int count() const { return mCount; }

    // One card as written, CR LF ends included.
    static QByteArray card(const ContactCard& aCard);
    // aLine (UTF-8, without its end) folded to lines of at most 75 octets, each ended by CR LF.
    static QByteArray fold(const QByteArray& aLine);
    // A text value: control characters dropped, line breaks as "\n", and "\", ",", ";" escaped.
    static QString escape(const QString& aText);
    // The TYPE values for a phone label; the label's own text when it is custom.
    static QStringList phoneTypes(const QString& aLabel);
    // The name shown for the card: the name's parts, else the organisation, the first number or
    // the first e-mail address; never empty.
    static QString formattedName(const ContactCard& aCard);

    static constexpr int kMaxPhotoWidth = 720;
    static constexpr int kNoYear = 1604;

private:
    QFile mFile;
    int mCount = 0;
};
