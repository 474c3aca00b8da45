#include "backup/blackberry/ContactSubfieldDecoder.h"

#include "app/DebugLog.h"
#include "backup/blackberry/BackupRecord.h"

#include <QStringDecoder>

namespace {

constexpr int kNonAsciiFlag = 0x80;
constexpr int kLatin1 = -1;
constexpr int kUtf8 = 0;
constexpr int kUtf16BigEndian = 1;

// Where one subfield type goes.
enum class Target { Ignored, Item, Name, HomeAddress, WorkAddress };

struct SubfieldKind
{
    Target mTarget = Target::Ignored;
    const char* mName = nullptr;
    const char* mType = nullptr;
};

SubfieldKind kindOf(int aType)
{
    switch (aType) {
    case 1: return {Target::Item, "email", "main"};
    case 6:
    case 16: return {Target::Item, "phone", "work"};
    case 8:
    case 19: return {Target::Item, "phone", "mobile"};
    case 17: return {Target::Item, "phone", "home"};
    case 18: return {Target::Item, "phone", "main"};
    case 32: return {Target::Name, nullptr, nullptr};
    case 33:
    case 42: return {Target::Item, "organization", nullptr};
    case 35:
    case 36: return {Target::WorkAddress, "street", nullptr};
    case 38: return {Target::WorkAddress, "city", nullptr};
    case 39: return {Target::WorkAddress, "state", nullptr};
    case 40: return {Target::WorkAddress, "zip", nullptr};
    case 41: return {Target::WorkAddress, "country", nullptr};
    case 54: return {Target::Item, "url", "homepage"};
    case 61:
    case 62: return {Target::HomeAddress, "street", nullptr};
    case 69: return {Target::HomeAddress, "city", nullptr};
    case 70: return {Target::HomeAddress, "state", nullptr};
    case 71: return {Target::HomeAddress, "zip", nullptr};
    case 72: return {Target::HomeAddress, "country", nullptr};
    default: return {};
    }
}

PersonItem textItem(const char* aName, const QString& aText)
{
    PersonItem item;
    item.mName = QLatin1String(aName);
    item.mValue = aText;
    return item;
}

} // namespace

QString ContactSubfieldDecoder::decodeString(QByteArrayView aData, int aCharacterSet)
{
    switch (aCharacterSet) {
    case kLatin1: {
        const qsizetype zero = aData.indexOf('\0');
        return QString::fromLatin1(zero < 0 ? aData : aData.first(zero));
    }
    case kUtf8: return QString::fromUtf8(aData);
    case kUtf16BigEndian: {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(aData.first(aData.size() & ~qsizetype(1)));
    }
    default: logValue("Unknown contact character set", aCharacterSet); return QString();
    }
}

void ContactSubfieldDecoder::decodeField(const QByteArray& aField, QList<PersonItem>& aItems)
{
    QStringList names;
    PersonItem home{QStringLiteral("address"), QStringLiteral("home"), QLatin1String(""), {}};
    PersonItem work{QStringLiteral("address"), QStringLiteral("work"), QLatin1String(""), {}};
    const qsizetype size = aField.size();
    const auto byteAt = [&aField](qsizetype aIndex) { return int(quint8(aField.at(aIndex))); };
    qsizetype pos = 0;
    int stringsRead = 0;
    while (true) {
        logValue("Reading subfield, position", qint64(pos));
        if (size - pos < 2)
            break;
        const qsizetype length = byteAt(pos) | byteAt(pos + 1) << 8;
        logValue("subFieldLength", qint64(length));
        if (size - pos < 3)
            break;
        int type = byteAt(pos + 2);
        logValue("subFieldType", type);
        const bool withCharacterSet = (type & kNonAsciiFlag) != 0;
        if (withCharacterSet) {
            logMessage("Got non-ascii contact string");
            type &= ~kNonAsciiFlag;
            logValue("converted subFieldType", type);
        }
        const qsizetype dataStart = pos + 3;
        if (length > size - dataStart) {
            logValue("*** ERROR: bad string length. Logging raw data as file", stringsRead);
            break;
        }
        const QByteArrayView data(aField.constData() + dataStart, length);
        QString text;
        if (!withCharacterSet)
            text = decodeString(data, kLatin1);
        else if (!data.isEmpty())
            text = decodeString(data.sliced(1), quint8(data[0]));
        else
            text = QLatin1String("");
        ++stringsRead;

        const SubfieldKind kind = kindOf(type);
        switch (kind.mTarget) {
        case Target::Item:
            if (kind.mType)
                aItems.append({QLatin1String(kind.mName), QLatin1String(kind.mType), text, {}});
            else
                aItems.append(textItem(kind.mName, text));
            break;
        case Target::Name: names.append(text); break;
        case Target::HomeAddress: home.mEntries.append({QLatin1String(kind.mName), text}); break;
        case Target::WorkAddress: work.mEntries.append({QLatin1String(kind.mName), text}); break;
        case Target::Ignored: break;
        }
        pos = dataStart + length;
        if (pos >= size)
            break;
    }

    if (names.size() >= 3) {
        aItems.append(textItem("first_name", names.at(0)));
        aItems.append(textItem("middle_name", names.at(1)));
        aItems.append(textItem("last_name", names.at(2)));
    } else if (names.size() == 2) {
        aItems.append(textItem("first_name", names.at(0)));
        aItems.append(textItem("last_name", names.at(1)));
    } else if (names.size() == 1) {
        aItems.append(textItem("first_name", names.at(0)));
    }
    if (!home.mEntries.isEmpty())
        aItems.append(home);
    if (!work.mEntries.isEmpty())
        aItems.append(work);
}

QList<PersonItem> ContactSubfieldDecoder::person(const BackupRecord& aRecord)
{
    QList<PersonItem> items;
    for (const BackupField& field : aRecord.mFields) {
        logMessage("Field found");
        if (field.mType == kContactFieldType)
            decodeField(field.mData, items);
    }
    return items;
}
