#include "library/folder/AudioTagReader.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QSet>

#include <audioproperties.h>
#include <fileref.h>
#include <tfile.h>
#include <tpropertymap.h>

#include <exception>

namespace {

// The tag keys read, with the record field each fills.
struct TextField
{
    const char* mKey;
    QString FolderTrackRecord::*mField;
};

constexpr TextField kTextFields[] = {
    {"TITLE", &FolderTrackRecord::mTitle},
    {"ARTIST", &FolderTrackRecord::mArtist},
    {"ALBUMARTIST", &FolderTrackRecord::mAlbumArtist},
    {"ALBUM", &FolderTrackRecord::mAlbum},
    {"COMPOSER", &FolderTrackRecord::mComposer},
    {"GENRE", &FolderTrackRecord::mGenre},
};

// Text that decoded badly keeps what it can: replacement characters, halves of UTF-16 pairs
// and control characters (a misread UTF-16 tag is full of them) are dropped. True when something was dropped.
bool cleanText(QString& aText)
{
    bool dropped = false;
    for (qsizetype i = aText.size() - 1; i >= 0; --i) {
        const QChar c = aText.at(i);
        const bool pairedLow = c.isLowSurrogate() && i > 0 && aText.at(i - 1).isHighSurrogate();
        const bool pairedHigh = c.isHighSurrogate() && i + 1 < aText.size() && aText.at(i + 1).isLowSurrogate();
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::ReplacementCharacter
            || (c.isSurrogate() && !pairedLow && !pairedHigh)) {
            aText.remove(i, 1);
            dropped = true;
        }
    }
    if (dropped)
        aText = aText.trimmed();
    return dropped;
}

// "3/12" and "03" give 3; the year of "2004-05-01" is 2004.
qint32 leadingNumber(const TagLib::String& aText)
{
    const wchar_t* text = aText.toCWString();
    const wchar_t* end = text + aText.size();
    while (text < end && (*text == L' ' || *text == L'\t'))
        ++text;
    qint32 value = 0;
    for (int digits = 0; text < end && digits < 9 && *text >= L'0' && *text <= L'9'; ++digits, ++text)
        value = value * 10 + qint32(*text - L'0');
    return value;
}

// A raw AAC stream (ADTS) has no container TagLib reads; it still plays on a phone.
bool isAdtsStream(const QString& aPath)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.startsWith("ID3")
           || (head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xF6) == 0xF0);
}

} // namespace

namespace {

constexpr const char* kAudioExtensions[] = {"mp3", "m4a", "m4b", "m4p",  "aac",  "flac", "ogg",
                                            "oga", "opus", "wav", "aif", "aiff", "aifc", "wma"};

template <class Text> bool isAudio(const Text& aSuffix)
{
    for (const char* extension : kAudioExtensions) {
        if (aSuffix == QLatin1StringView(extension))
            return true;
    }
    return false;
}

} // namespace

bool AudioTagReader::isAudioExtension(QLatin1StringView aSuffix)
{
    return isAudio(aSuffix);
}

bool AudioTagReader::isAudioExtension(const QString& aSuffix)
{
    return isAudio(aSuffix);
}

QString AudioTagReader::read(const QString& aPath, FolderTrackRecord& aRecord)
{
    const FolderTrackRecord kept = aRecord;
    aRecord = FolderTrackRecord();
    aRecord.mRelativePath = kept.mRelativePath;
    aRecord.mSize = kept.mSize;
    aRecord.mModifiedNs = kept.mModifiedNs;
    const QByteArray encoded = QFile::encodeName(aPath);
    QString problem;
    try {
        const TagLib::FileRef ref(encoded.constData(), true, TagLib::AudioProperties::Average);
        if (ref.isNull() || !ref.file()->isValid()) {
            if (aPath.endsWith(QLatin1String(".aac"), Qt::CaseInsensitive) && isAdtsStream(aPath))
                return QString();
            aRecord.mFlags = FolderTrackRecord::Unreadable;
            return QStringLiteral("not an audio file TagLib can read (damaged or cut short)");
        }
        const TagLib::PropertyMap properties = ref.file()->properties();
        QStringList badFields;
        for (const TextField& field : kTextFields) {
            const auto found = properties.find(field.mKey);
            if (found == properties.end() || found->second.isEmpty())
                continue;
            const TagLib::String& value = found->second.front();
            QString text = QString::fromWCharArray(value.toCWString(), qsizetype(value.size())).trimmed();
            // TagLib gives text that is not valid UTF-8 as an empty string.
            if (cleanText(text) || text.isEmpty())
                badFields << QString::fromLatin1(field.mKey).toLower();
            aRecord.*field.mField = text;
        }
        const auto number = [&](const char* aKey) {
            const auto found = properties.find(aKey);
            if (found == properties.end() || found->second.isEmpty())
                return 0;
            return leadingNumber(found->second.front());
        };
        aRecord.mTrackNumber = number("TRACKNUMBER");
        aRecord.mDiscNumber = number("DISCNUMBER");
        aRecord.mYear = number("DATE");
        aRecord.mCompilation = number("COMPILATION") != 0;
        if (const TagLib::AudioProperties* audio = ref.audioProperties())
            aRecord.mDurationMs = qMax(0, audio->lengthInMilliseconds());
        if (!badFields.isEmpty()) {
            aRecord.mFlags |= FolderTrackRecord::BadEncoding;
            problem = QStringLiteral("tag text that cannot be decoded in: ") + badFields.join(QLatin1String(", "));
        }
    } catch (const std::exception& aError) {
        aRecord.mFlags = FolderTrackRecord::Unreadable;
        return QStringLiteral("TagLib failed on it: ") + QString::fromLocal8Bit(aError.what());
    }
    return problem;
}
