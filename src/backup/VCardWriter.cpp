#include "backup/VCardWriter.h"

#include "app/DebugLog.h"
#include "backup/ExportPicture.h"
#include "backup/PortableText.h"

namespace {

constexpr int kMaxLineOctets = 75;

// The words of an iPhone label ("_$!<HomeFAX>!$_" gives "HomeFAX"); null for the user's own text.
QString predefinedLabel(const QString& aLabel)
{
    if (aLabel.startsWith(QLatin1String("_$!<")) && aLabel.endsWith(QLatin1String(">!$_")))
        return aLabel.mid(4, aLabel.size() - 8);
    return QString();
}

// A parameter value: the characters that would end or split it (",", ";", ":", quotes) and
// control characters become spaces.
QString parameterValue(const QString& aText)
{
    QString value = PortableText::withoutControls(aText, false);
    for (QChar& c : value) {
        if (c == u',' || c == u';' || c == u':' || c == u'"')
            c = u' ';
    }
    return value.simplified();
}

// TYPE values of an e-mail or postal address label: home and work by name, any other predefined
// label as OTHER, the user's own text as it is.
QStringList placeTypes(const QString& aLabel)
{
    const QString predefined = predefinedLabel(aLabel);
    const QString word = (predefined.isNull() ? aLabel : predefined).toLower();
    if (word == QLatin1String("home"))
        return {QStringLiteral("HOME")};
    if (word == QLatin1String("work"))
        return {QStringLiteral("WORK")};
    if (!predefined.isNull())
        return {QStringLiteral("OTHER")};
    const QString own = parameterValue(aLabel);
    return own.isEmpty() ? QStringList{} : QStringList{own};
}

void appendTypes(QString& aLine, const QStringList& aTypes)
{
    for (const QString& type : aTypes)
        aLine += QStringLiteral(";TYPE=") + type;
}

QString joinedName(const ContactCard& aCard)
{
    QStringList parts;
    for (const QString* part : {&aCard.mPrefix, &aCard.mFirst, &aCard.mMiddle, &aCard.mLast,
                                &aCard.mSuffix}) {
        const QString text = PortableText::withoutControls(*part, false).trimmed();
        if (!text.isEmpty())
            parts.append(text);
    }
    return parts.join(QLatin1Char(' '));
}

QString firstNonEmpty(const QList<ContactCard::Value>& aValues)
{
    for (const ContactCard::Value& value : aValues) {
        const QString text = PortableText::withoutControls(value.mValue, false).trimmed();
        if (!text.isEmpty())
            return text;
    }
    return QString();
}

} // namespace

VCardWriter::VCardWriter(const QString& aPath) : mFile(aPath) {}

VCardWriter::~VCardWriter()
{
    finish();
}

bool VCardWriter::open()
{
    mCount = 0;
    return mFile.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void VCardWriter::write(const ContactCard& aCard)
{
    if (!isOpen())
        return;
    mFile.write(card(aCard));
    ++mCount;
}

bool VCardWriter::finish()
{
    if (!isOpen())
        return true;
    mFile.flush();
    const bool ok = mFile.error() == QFileDevice::NoError;
    mFile.close();
    return ok;
}

QString VCardWriter::escape(const QString& aText)
{
    const QString text = PortableText::withoutControls(aText, true);
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': escaped += QLatin1String("\\\\"); break;
        case u',': escaped += QLatin1String("\\,"); break;
        case u';': escaped += QLatin1String("\\;"); break;
        case u'\n': escaped += QLatin1String("\\n"); break;
        default: escaped += c;
        }
    }
    return escaped;
}

QByteArray VCardWriter::fold(const QByteArray& aLine)
{
    QByteArray folded;
    folded.reserve(aLine.size() + aLine.size() / kMaxLineOctets * 3 + 2);
    qsizetype start = 0;
    qsizetype room = kMaxLineOctets;
    while (aLine.size() - start > room) {
        qsizetype end = start + room;
        // Never between the bytes of one UTF-8 character.
        while (end > start && (quint8(aLine.at(end)) & 0xC0) == 0x80)
            --end;
        folded.append(aLine.constData() + start, end - start);
        folded.append("\r\n ");
        start = end;
        room = kMaxLineOctets - 1; // the leading space counts
    }
    folded.append(aLine.constData() + start, aLine.size() - start);
    folded.append("\r\n");
    return folded;
}

QStringList VCardWriter::phoneTypes(const QString& aLabel)
{
    const QString predefined = predefinedLabel(aLabel);
    const QString word = (predefined.isNull() ? aLabel : predefined).toLower();
    if (word.isEmpty())
        return {QStringLiteral("OTHER")};
    if (word == QLatin1String("mobile") || word == QLatin1String("iphone")
        || word == QLatin1String("cell"))
        return {QStringLiteral("CELL")};
    if (word == QLatin1String("home"))
        return {QStringLiteral("HOME")};
    if (word == QLatin1String("work"))
        return {QStringLiteral("WORK")};
    if (word == QLatin1String("main"))
        return {QStringLiteral("MAIN")};
    if (word == QLatin1String("homefax"))
        return {QStringLiteral("FAX"), QStringLiteral("HOME")};
    if (word == QLatin1String("workfax"))
        return {QStringLiteral("FAX"), QStringLiteral("WORK")};
    if (word == QLatin1String("otherfax") || word == QLatin1String("fax"))
        return {QStringLiteral("FAX")};
    if (word == QLatin1String("pager"))
        return {QStringLiteral("PAGER")};
    if (word == QLatin1String("other") && !predefined.isNull())
        return {QStringLiteral("OTHER")};
    const QString own = parameterValue(predefined.isNull() ? aLabel : predefined);
    return {own.isEmpty() ? QStringLiteral("OTHER") : own};
}

QString VCardWriter::formattedName(const ContactCard& aCard)
{
    QString name = joinedName(aCard);
    if (name.isEmpty())
        name = PortableText::withoutControls(aCard.mNickname, false).trimmed();
    if (name.isEmpty())
        name = PortableText::withoutControls(aCard.mOrganization, false).trimmed();
    if (name.isEmpty())
        name = firstNonEmpty(aCard.mPhones);
    if (name.isEmpty())
        name = firstNonEmpty(aCard.mEmails);
    if (name.isEmpty())
        name = firstNonEmpty(aCard.mUrls);
    if (name.isEmpty())
        name = QStringLiteral("No name");
    return name;
}

QByteArray VCardWriter::card(const ContactCard& aCard)
{
    QByteArray out;
    const auto line = [&out](const QString& aLine) { out += fold(aLine.toUtf8()); };

    line(QStringLiteral("BEGIN:VCARD"));
    line(QStringLiteral("VERSION:3.0"));
    line(QStringLiteral("N:") + escape(aCard.mLast) + u';' + escape(aCard.mFirst) + u';'
         + escape(aCard.mMiddle) + u';' + escape(aCard.mPrefix) + u';' + escape(aCard.mSuffix));
    line(QStringLiteral("FN:") + escape(formattedName(aCard)));
    if (!aCard.mNickname.trimmed().isEmpty())
        line(QStringLiteral("NICKNAME:") + escape(aCard.mNickname));
    if (!aCard.mOrganization.trimmed().isEmpty() || !aCard.mDepartment.trimmed().isEmpty()) {
        QString org = QStringLiteral("ORG:") + escape(aCard.mOrganization);
        if (!aCard.mDepartment.trimmed().isEmpty())
            org += u';' + escape(aCard.mDepartment);
        line(org);
    }
    if (!aCard.mTitle.trimmed().isEmpty())
        line(QStringLiteral("TITLE:") + escape(aCard.mTitle));
    // The address book keeps a birthday without a year in the year 1604; Android writes and
    // reads such a day as "--MM-dd".
    if (aCard.mBirthday.isValid())
        line(QStringLiteral("BDAY:")
             + aCard.mBirthday.toString(aCard.mBirthday.year() == kNoYear ? QStringLiteral("--MM-dd")
                                                                           : QStringLiteral("yyyy-MM-dd")));
    for (const ContactCard::Value& phone : aCard.mPhones) {
        if (phone.mValue.trimmed().isEmpty())
            continue;
        QString tel = QStringLiteral("TEL");
        appendTypes(tel, phoneTypes(phone.mLabel));
        line(tel + u':' + escape(phone.mValue));
    }
    for (const ContactCard::Value& email : aCard.mEmails) {
        if (email.mValue.trimmed().isEmpty())
            continue;
        QString text = QStringLiteral("EMAIL;TYPE=INTERNET");
        appendTypes(text, placeTypes(email.mLabel));
        line(text + u':' + escape(email.mValue));
    }
    for (const ContactCard::Address& address : aCard.mAddresses) {
        const QString value = QStringLiteral(";;") + escape(address.mStreet) + u';' + escape(address.mCity) + u';'
                              + escape(address.mState) + u';' + escape(address.mZip) + u';'
                              + escape(address.mCountry);
        if (value.size() == 6) // only the separators: nothing to write
            continue;
        QString adr = QStringLiteral("ADR");
        appendTypes(adr, placeTypes(address.mLabel));
        line(adr + u':' + value);
    }
    // A web address is a URI, which vCard does not escape.
    for (const ContactCard::Value& url : aCard.mUrls) {
        if (!url.mValue.trimmed().isEmpty())
            line(QStringLiteral("URL:") + PortableText::withoutControls(url.mValue, false).trimmed());
    }
    if (!aCard.mNote.trimmed().isEmpty())
        line(QStringLiteral("NOTE:") + escape(aCard.mNote));
    if (!aCard.mPhoto.isEmpty()) {
        const QByteArray jpeg = ExportPicture::toJpeg(aCard.mPhoto, kMaxPhotoWidth);
        if (!jpeg.isEmpty())
            out += fold("PHOTO;ENCODING=b;TYPE=JPEG:" + jpeg.toBase64());
        else
            logValue("Contact picture left out of the card", formattedName(aCard));
    }
    line(QStringLiteral("END:VCARD"));
    return out;
}
