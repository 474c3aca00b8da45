#include "cli/CliOptions.h"

QCommandLineOption CliOptions::libraryOption()
{
    return QCommandLineOption(
        QStringLiteral("library"),
        QStringLiteral("the library: a music folder, or the library file of iTunes, Rhythmbox,\n"
                       "Strawberry or Clementine (default: the one set up, or the one found)"),
        QStringLiteral("PATH"));
}

QCommandLineOption CliOptions::phoneFolderOption()
{
    return QCommandLineOption(
        QStringLiteral("phone-folder"),
        QStringLiteral("treat a folder as a mass-storage phone (may repeat)"),
        QStringLiteral("PATH"));
}

QCommandLineOption CliOptions::phoneOption()
{
    return QCommandLineOption(QStringLiteral("phone"),
                              QStringLiteral("the phone to use (default: the phone set up last)"),
                              QStringLiteral("ID|NAME"));
}

QList<QCommandLineOption> CliOptions::phoneOptions()
{
    return {libraryOption(), phoneFolderOption(), phoneOption()};
}

QCommandLineOption CliOptions::helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("show this help"));
}

CliOptions::CliOptions(const QList<QCommandLineOption>& aOptions)
{
    mParser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const QCommandLineOption& option : aOptions) {
        mParser.addOption(option);
        for (const QString& name : option.names())
            mDeclared.insert(name);
    }
}

bool CliOptions::parse(const QStringList& aArguments)
{
    return mParser.parse(aArguments);
}

QString CliOptions::command() const
{
    const QStringList words = mParser.positionalArguments();
    return words.isEmpty() ? QString() : words.first();
}

QStringList CliOptions::positional() const
{
    return mParser.positionalArguments().mid(1);
}

bool CliOptions::isSet(const QString& aName) const
{
    return mDeclared.contains(aName) && mParser.isSet(aName);
}

QString CliOptions::value(const QString& aName, const QString& aDefault) const
{
    const QStringList all = values(aName);
    return all.isEmpty() ? aDefault : all.last();
}

QStringList CliOptions::values(const QString& aName) const
{
    return mDeclared.contains(aName) ? mParser.values(aName) : QStringList();
}
