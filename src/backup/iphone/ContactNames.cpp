#include "backup/iphone/ContactNames.h"

#include "app/DebugLog.h"
#include "backup/iphone/ExportDatabase.h"
#include "backup/VCardWriter.h"
#include "backup/ContactCard.h"

namespace {

const QString kSelection = QStringLiteral(
    "SELECT ABPerson.First AS first, ABPerson.Middle AS middle, ABPerson.Last AS last,"
    " ABPerson.Organization AS organization, ABMultiValue.value AS value"
    " FROM ABMultiValue JOIN ABPerson ON ABMultiValue.record_id=ABPerson.ROWID"
    " WHERE ABMultiValue.property IN (3, 4)");
constexpr int kTailDigits = 9;

} // namespace

QString ContactNames::key(const QString& aAddress)
{
    if (aAddress.contains(u'@'))
        return aAddress.trimmed().toLower();
    QString digits;
    for (const QChar c : aAddress) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

QString ContactNames::tail(const QString& aKey)
{
    if (aKey.contains(u'@') || aKey.size() < kTailDigits)
        return QString();
    return aKey.right(kTailDigits);
}

void ContactNames::add(const QString& aAddress, const QString& aName)
{
    const QString k = key(aAddress);
    if (k.isEmpty() || aName.isEmpty())
        return;
    const auto known = mNames.constFind(k);
    mNames.insert(k, known == mNames.constEnd() || known.value() == aName ? aName : QString());
    const QString t = tail(k);
    if (!t.isEmpty()) {
        const auto shared = mTails.constFind(t);
        mTails.insert(t, shared == mTails.constEnd() || shared.value() == aName ? aName : QString());
    }
}

void ContactNames::load(const QStringList& aDatabases)
{
    for (const QString& path : aDatabases) {
        ExportDatabase database(path);
        if (database.open() != 0)
            continue;
        ExportQuery rows(database);
        if (!rows.exec(kSelection)) {
            logValue("Contact names not read", rows.lastError());
            continue;
        }
        while (rows.next()) {
            ContactCard card;
            card.mFirst = rows.text(QStringLiteral("first"));
            card.mMiddle = rows.text(QStringLiteral("middle"));
            card.mLast = rows.text(QStringLiteral("last"));
            card.mOrganization = rows.text(QStringLiteral("organization"));
            // A card named only after its number names nobody.
            if (card.mFirst.isEmpty() && card.mLast.isEmpty() && card.mOrganization.isEmpty()
                && card.mMiddle.isEmpty())
                continue;
            add(rows.text(QStringLiteral("value")), VCardWriter::formattedName(card));
        }
    }
}

QString ContactNames::nameOf(const QString& aAddress) const
{
    const QString k = key(aAddress);
    if (k.isEmpty())
        return QString();
    const auto found = mNames.constFind(k);
    if (found != mNames.constEnd())
        return found.value();
    return mTails.value(tail(k));
}
