#pragma once

#include <QString>
#include <QStringList>

#include <string>

class CliOptions;
class LocalMusicLibrary;

// Points the library at the file named by --library, or finds the usual one, and says clearly
// where it looked when there is none.
class CliLibrary
{
public:
    // False with aError when no library file can be found.
    static bool locate(const CliOptions& aOptions, QString& aError);
    // The library answers at all; false with aError when its file cannot be read.
    static bool readable(LocalMusicLibrary& aLibrary, QString& aError);

    // The library's name lists as plain text lists.
    static QString text(const QString& aText) { return aText; }
    static QString text(const std::wstring& aText) { return QString::fromStdWString(aText); }
    template <typename List> static QStringList textList(const List& aList)
    {
        QStringList result;
        for (const auto& item : aList)
            result.append(text(item));
        return result;
    }
};
