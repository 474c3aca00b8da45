#include "device/PhoneNames.h"

#include "app/DebugLog.h"
#include "tracks/Track.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace {

// Characters that folder names of artists and albums never hold on the phone.
bool isReplacedInFolderName(QChar aChar)
{
    static const QString kReplaced = QStringLiteral("[']\\^/?<>,&:*|\"(){};!$#%@");
    return kReplaced.contains(aChar) || aChar.unicode() == 0x8099
           || aChar.category() == QChar::Other_Control;
}

} // namespace

void PhoneNames::MakeValidFileName(QString& aName, bool aReplaceDots)
{
    const auto replaced = [aReplaceDots](QChar aChar) {
        return (aReplaceDots && aChar == QLatin1Char('.')) || isReplacedInFolderName(aChar);
    };
    // Most names need nothing: their shared text is then not copied (every copied track asks).
    if (std::any_of(aName.cbegin(), aName.cend(), replaced)) {
        for (QChar& c : aName) {
            if (replaced(c))
                c = QLatin1Char('_');
        }
    }
    aName = aName.trimmed();
}


QString PhoneNames::GenerateUniqueDeviceId(const QDateTime& aLocalTime)
{
    // Milliseconds, seconds, minutes, hour, day and month without leading zeros, then "Y".
    const QTime time = aLocalTime.time();
    const QDate date = aLocalTime.date();
    return QString::number(time.msec()) + QString::number(time.second())
         + QString::number(time.minute()) + QString::number(time.hour())
         + QString::number(date.day()) + QString::number(date.month()) + QLatin1Char('Y');
}

QString PhoneNames::PlaylistFileName(const QString& aPlaylistName)
{
    // Only what FAT and exFAT cannot hold is replaced, so that every name that was a valid
    // file name before keeps its file.
    static const QString kForbidden = QStringLiteral("\\/:*?\"<>|");
    QString name = aPlaylistName;
    for (QChar& c : name) {
        if (kForbidden.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    bool onlyDots = true;
    for (const QChar c : name) {
        if (c != QLatin1Char('.')) {
            onlyDots = false;
            break;
        }
    }
    // Room for the ".m3u" the file gets.
    return onlyDots ? QString() : FitName(name, kMaxNameBytes - 4, false);
}

QString PhoneNames::WithoutControlCharacters(const QString& aName, QChar aReplacement)
{
    const auto control = [](QChar aChar) { return aChar.category() == QChar::Other_Control; };
    // Most names hold none: their shared text is then not copied.
    if (std::none_of(aName.cbegin(), aName.cend(), control))
        return aName;
    QString cleaned;
    cleaned.reserve(aName.size());
    for (const QChar c : aName) {
        if (!control(c))
            cleaned += c;
        else if (!aReplacement.isNull())
            cleaned += aReplacement;
    }
    return cleaned;
}

QString PhoneNames::FitName(const QString& aName, qsizetype aMaxBytes, bool aKeepExtension)
{
    const QByteArray whole = aName.toUtf8();
    if (whole.size() <= aMaxBytes)
        return aName;
    QByteArray extension;
    if (aKeepExtension) {
        const qsizetype dot = aName.lastIndexOf(QLatin1Char('.'));
        // A "." far from the end is part of the name, not an extension.
        if (dot > 0)
            extension = QStringView(aName).sliced(dot).toUtf8();
        if (extension.size() > aMaxBytes / 4)
            extension.clear();
    }
    const QByteArray stem = whole.left(whole.size() - extension.size());
    qsizetype room = aMaxBytes - extension.size();
    // Never inside a character: back off over UTF-8 continuation bytes.
    while (room > 0 && (uchar(stem.at(room)) & 0xC0) == 0x80)
        --room;
    return QString::fromUtf8(stem.left(room) + extension);
}

void PhoneNames::GetArtistAndAlbumFolders(const Track& aTrack, QString& aArtistFolder,
                                      QString& aAlbumFolder)
{
    LogScope scope("Device::GetArtistAndAlbumFolders");
    aAlbumFolder = aTrack.albumName();
    aArtistFolder = aTrack.compilation() ? QStringLiteral("Compilation") : aTrack.artistName();
    MakeValidFileName(aArtistFolder, true);
    MakeValidFileName(aAlbumFolder, true);
    aArtistFolder = FitName(aArtistFolder, kMaxNameBytes, false);
    aAlbumFolder = FitName(aAlbumFolder, kMaxNameBytes, false);

    // Podcast episodes live two levels below a "Podcasts" folder of the library.
    // The name is looked at first, so that only podcast episodes cost a look-up on disk.
    const QStringView path(aTrack.path());
    const qsizetype fileSlash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype parentSlash =
        fileSlash > 0 ? path.lastIndexOf(QLatin1Char('/'), fileSlash - 1) : -1;
    if (parentSlash > 0) {
        const QStringView grandParent = path.left(parentSlash);
        if (grandParent.mid(grandParent.lastIndexOf(QLatin1Char('/')) + 1)
                    .compare(QLatin1String("Podcasts"), Qt::CaseInsensitive)
                == 0
            && QFileInfo(grandParent.toString()).isDir())
            aArtistFolder = QStringLiteral("Podcasts");
    }
    logValue("artistFolder", aArtistFolder);
    logValue("albumFolder", aAlbumFolder);
}
