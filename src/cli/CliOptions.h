#pragma once

#include <QString>
#include <QStringList>

// The options every phone command shares (--library, --phone-folder, --phone) and a small
// parser for the command's own flags and values. Values come as "--name VALUE" or
// "--name=VALUE".
class CliOptions
{
public:
    // aFlags are the command's options without a value, aValued those that take one.
    CliOptions(QStringList aFlags, QStringList aValued);

    // Parses aArguments; false with errorText() on an unknown option or a missing value.
    bool parse(const QStringList& aArguments);
    QString errorText() const { return mError; }

    bool isSet(const QString& aName) const { return mSetFlags.contains(aName); }
    // The last value given for aName, or aDefault.
    QString value(const QString& aName, const QString& aDefault = QString()) const;
    // Every value given for aName, in order (options that may repeat).
    QStringList values(const QString& aName) const;
    bool hasValue(const QString& aName) const { return !values(aName).isEmpty(); }
    // Words that are not options.
    const QStringList& positional() const { return mPositional; }

    QString library() const { return value(QStringLiteral("--library")); }
    QStringList phoneFolders() const { return values(QStringLiteral("--phone-folder")); }
    QString phone() const { return value(QStringLiteral("--phone")); }

    // Usage lines of the shared options, for the commands' help texts.
    static QString sharedUsage();

private:
    QStringList mFlags;
    QStringList mValued;
    QStringList mSetFlags;
    QList<QPair<QString, QString>> mValues;
    QStringList mPositional;
    QString mError;
};
