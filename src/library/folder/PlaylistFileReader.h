#pragma once

#include <QString>
#include <QStringList>

// The entries of a playlist file as written: .m3u and .m3u8 (one entry a line, "#" lines are
// comments) and .pls ("FileN=" keys, in the order of N). .m3u8 is UTF-8; an .m3u is UTF-8 when
// it decodes as such, else Windows-1252, as players on Windows wrote them.
class PlaylistFileReader
{
public:
    struct Result
    {
        QStringList mEntries;
        // Why the file could not be read; empty when it was.
        QString mError;
    };

    static Result read(const QString& aPath);
    static QStringList parseM3u(const QString& aText);
    static QStringList parsePls(const QString& aText);
};
