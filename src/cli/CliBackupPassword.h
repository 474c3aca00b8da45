#pragma once

#include <QByteArray>
#include <QString>

// The password of an encrypted backup on the command line: the first line of a file named by
// an option, or typed at the terminal without echo. Never an argument or an environment
// variable, which other users of the machine can read.
class CliBackupPassword
{
public:
    // From aFile when it is not empty, else asked at the terminal. False with aError, which
    // says how to give the password (aOption names the option that takes the file).
    static bool obtain(const QString& aFile, const QString& aOption, const QString& aBackupPath,
                       QByteArray& aPassword, QString& aError);
    // The first line of aFile, without its line end.
    static bool readFile(const QString& aFile, QByteArray& aPassword, QString& aError);
    // Asks on the terminal with echo off; empty on end of input or Ctrl-C.
    static QByteArray prompt(const QString& aQuestion);
};
