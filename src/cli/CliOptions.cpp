#include "cli/CliOptions.h"

CliOptions::CliOptions(QStringList aFlags, QStringList aValued)
    : mFlags(std::move(aFlags)), mValued(std::move(aValued))
{
    mValued << QStringLiteral("--library") << QStringLiteral("--phone-folder")
            << QStringLiteral("--phone");
}

bool CliOptions::parse(const QStringList& aArguments)
{
    for (int i = 0; i < aArguments.size(); ++i) {
        const QString& word = aArguments.at(i);
        if (word == QLatin1String("--")) {
            mPositional << aArguments.mid(i + 1);
            break;
        }
        if (!word.startsWith(QLatin1String("--"))) {
            mPositional << word;
            continue;
        }
        const int equals = word.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? word : word.left(equals);
        if (mFlags.contains(name)) {
            if (equals >= 0) {
                mError = QStringLiteral("option %1 takes no value").arg(name);
                return false;
            }
            mSetFlags << name;
        } else if (mValued.contains(name)) {
            QString value;
            if (equals >= 0) {
                value = word.mid(equals + 1);
            } else if (i + 1 < aArguments.size()) {
                value = aArguments.at(++i);
            } else {
                mError = QStringLiteral("option %1 needs a value").arg(name);
                return false;
            }
            mValues.append({name, value});
        } else {
            mError = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
    }
    return true;
}

QString CliOptions::value(const QString& aName, const QString& aDefault) const
{
    const QStringList all = values(aName);
    return all.isEmpty() ? aDefault : all.last();
}

QStringList CliOptions::values(const QString& aName) const
{
    QStringList result;
    for (const auto& pair : mValues) {
        if (pair.first == aName)
            result << pair.second;
    }
    return result;
}

QString CliOptions::sharedUsage()
{
    return QStringLiteral(
        "  --library PATH        the iTunes library file (default: the chosen or usual one)\n"
        "  --phone-folder PATH   treat a folder as a mass-storage phone (may repeat)\n"
        "  --phone ID|NAME       the phone to use (default: the phone set up last)\n");
}
