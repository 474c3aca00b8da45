#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The parsed command line of one command. Options may stand before or after the command word
// and take "--name VALUE" or "--name=VALUE"; "--" ends the options. A word with one dash is an
// option too ("-library" is "--library"), so a mistyped option is an error, never a silent
// argument.
class CliOptions
{
public:
    // The options that the phone and library commands share.
    static QCommandLineOption libraryOption();
    static QCommandLineOption phoneFolderOption();
    static QCommandLineOption phoneOption();
    static QList<QCommandLineOption> phoneOptions();
    static QCommandLineOption helpOption();

    explicit CliOptions(const QList<QCommandLineOption>& aOptions);

    // aArguments as the process got them (program name first). False with errorText() on an
    // unknown option, a missing value or a value given to a flag; the words are still sorted
    // out, so command() and positional() answer even then.
    bool parse(const QStringList& aArguments);
    QString errorText() const { return mParser.errorText(); }

    // The first word that is not an option: the command.
    QString command() const;
    // The words after the command that are not options.
    QStringList positional() const;

    // Options the command did not declare read as absent.
    bool isSet(const QString& aName) const;
    // The last value given for aName, or aDefault.
    QString value(const QString& aName, const QString& aDefault = QString()) const;
    // Every value given for aName, in order (options that may repeat).
    QStringList values(const QString& aName) const;

    QString library() const { return value(libraryOption().names().constFirst()); }
    QStringList phoneFolders() const { return values(phoneFolderOption().names().constFirst()); }
    QString phone() const { return value(phoneOption().names().constFirst()); }

private:
    QCommandLineParser mParser;
    QSet<QString> mDeclared;
};
