#include "library/folder/PlaylistFileReader.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>

namespace {

// Playlists are text lists of file names; anything larger is not one.
constexpr qint64 kMaxPlaylistBytes = 16 * 1024 * 1024;

QString decode(const QByteArray& aBytes, bool aUtf8Only)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(aBytes);
    if (utf8.hasError() && !aUtf8Only) {
        QStringDecoder windows("windows-1252");
        text = windows.isValid() ? windows.decode(aBytes) : QString::fromLatin1(aBytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace

PlaylistFileReader::Result PlaylistFileReader::read(const QString& aPath)
{
    Result result;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.mError = QStringLiteral("cannot be opened: ") + file.errorString();
        return result;
    }
    if (file.size() > kMaxPlaylistBytes) {
        result.mError = QStringLiteral("too large for a playlist");
        return result;
    }
    const QString suffix = QFileInfo(aPath).suffix().toLower();
    const QString text = decode(file.readAll(), suffix == QLatin1String("m3u8"));
    result.mEntries = suffix == QLatin1String("pls") ? parsePls(text) : parseM3u(text);
    return result;
}

QStringList PlaylistFileReader::parseM3u(const QString& aText)
{
    QStringList entries;
    for (QStringView line : QStringView(aText).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            entries << line.toString();
    }
    return entries;
}

QStringList PlaylistFileReader::parsePls(const QString& aText)
{
    QMap<int, QString> files;
    for (QStringView line : QStringView(aText).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 5 || !line.left(4).startsWith(QLatin1String("file"), Qt::CaseInsensitive))
            continue;
        bool number = false;
        const int index = line.mid(4, equals - 4).toInt(&number);
        const QString value = line.mid(equals + 1).trimmed().toString();
        if (number && !value.isEmpty() && !files.contains(index))
            files.insert(index, value);
    }
    return files.values();
}
