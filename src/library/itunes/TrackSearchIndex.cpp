#include "library/itunes/TrackSearchIndex.h"

#include <QStringMatcher>

#include <algorithm>

namespace {

// Stands between fields. The library file cannot hold it (XML forbids it), so no field has it
// and a word can never match across two fields.
constexpr QChar kFieldSeparator = QChar(0);

// The bit of a signature that stands for the three code units at aText.
size_t trigramBit(const QChar* aText)
{
    const quint64 key = quint64(aText[0].unicode()) << 32 | quint64(aText[1].unicode()) << 16
                      | aText[2].unicode();
    // Multiplicative hashing: the top bits of the product are well mixed.
    return size_t((key * 0x9E3779B97F4A7C15ULL) >> (64 - 8));
}

} // namespace

TrackSearchIndex::Signature TrackSearchIndex::signature(QStringView aText)
{
    Signature bits {};
    const QChar* const text = aText.data();
    for (qsizetype i = 0; i + 3 <= aText.size(); ++i) {
        if (text[i] == kFieldSeparator || text[i + 1] == kFieldSeparator
            || text[i + 2] == kFieldSeparator)
            continue;
        const size_t bit = trigramBit(text + i);
        bits[bit / 64] |= quint64(1) << (bit % 64);
    }
    return bits;
}

bool TrackSearchIndex::mayHold(size_t aTrack, const Signature& aWord) const
{
    const Signature& track = mSignatures[aTrack];
    for (size_t i = 0; i < aWord.size(); ++i) {
        if ((track[i] & aWord[i]) != aWord[i])
            return false;
    }
    return true;
}

TrackSearchIndex::TrackSearchIndex(const std::vector<LibraryTrack>& aTracks)
{
    const auto fields = [](const LibraryTrack& aTrack) {
        return std::array<const QString*, 6>{&aTrack.mName,        &aTrack.mArtist,
                                             &aTrack.mAlbum,       &aTrack.mAlbumArtist,
                                             &aTrack.mComposer,    &aTrack.mGenre};
    };
    qsizetype length = 0;
    for (const LibraryTrack& track : aTracks) {
        for (const QString* field : fields(track))
            length += field->size() + 1;
    }
    // Folding may lengthen a few characters; the text grows then.
    mText.reserve(length);
    mStarts.reserve(aTracks.size() + 1);
    mSignatures.reserve(aTracks.size());
    for (const LibraryTrack& track : aTracks) {
        const qsizetype start = mText.size();
        mStarts.push_back(start);
        for (const QString* field : fields(track)) {
            appendFolded(mText, *field);
            mText += kFieldSeparator;
        }
        mSignatures.push_back(signature(QStringView(mText).sliced(start)));
    }
    mStarts.push_back(mText.size());
}

QString TrackSearchIndex::fold(QStringView aText)
{
    QString folded;
    folded.reserve(aText.size());
    appendFolded(folded, aText);
    return folded;
}

void TrackSearchIndex::appendFolded(QString& aFolded, QStringView aText)
{
    for (qsizetype i = 0; i < aText.size(); ++i) {
        char32_t codePoint = aText.at(i).unicode();
        // Most text is ASCII, where folding is lowering A to Z.
        if (codePoint < 0x80) {
            const bool upper = codePoint >= 'A' && codePoint <= 'Z';
            aFolded += QChar(char16_t(upper ? codePoint + 32 : codePoint));
            continue;
        }
        if (QChar::isHighSurrogate(codePoint) && i + 1 < aText.size()
            && aText.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(aText.at(i), aText.at(i + 1));
            ++i;
        }
        const char32_t lower = QChar::toCaseFolded(codePoint);
        if (QChar::requiresSurrogates(lower)) {
            aFolded += QChar(QChar::highSurrogate(lower));
            aFolded += QChar(QChar::lowSurrogate(lower));
        } else {
            aFolded += QChar(char16_t(lower));
        }
    }
}

std::vector<bool> TrackSearchIndex::tracksWithWord(const QString& aWord) const
{
    const size_t trackCount = mStarts.size() - 1;
    std::vector<bool> found(trackCount, false);
    const QStringMatcher matcher(aWord, Qt::CaseSensitive);
    qsizetype from = 0;
    size_t track = 0;
    while (track < trackCount) {
        const qsizetype at = matcher.indexIn(QStringView(mText), from);
        if (at < 0)
            break;
        // Positions only grow, so the owning track is found by walking forward.
        while (mStarts[track + 1] <= at)
            ++track;
        found[track] = true;
        // One match is enough for a track: go on with the next one.
        from = mStarts[track + 1];
        ++track;
    }
    return found;
}

std::vector<qint32> TrackSearchIndex::tracksWithAllWords(const QStringList& aWords) const
{
    const size_t trackCount = mStarts.size() - 1;
    QStringList words;
    for (const QString& word : aWords) {
        // No field holds the separator: such a word matches nothing.
        if (word.contains(kFieldSeparator))
            return {};
        words << fold(word);
    }
    // A track holds every word only if its signature holds every trigram of every word: one
    // look at each signature leaves the few tracks whose text is worth searching.
    Signature wanted {};
    bool anyTrigram = false;
    for (const QString& word : std::as_const(words)) {
        if (word.size() < 3)
            continue;
        const Signature bits = signature(word);
        for (size_t i = 0; i < wanted.size(); ++i)
            wanted[i] |= bits[i];
        anyTrigram = true;
    }
    if (!anyTrigram) {
        // Only short words (or none): one scan of all text per word.
        std::vector<bool> all(trackCount, true);
        for (const QString& word : std::as_const(words)) {
            const std::vector<bool> withWord = tracksWithWord(word);
            for (size_t i = 0; i < trackCount; ++i)
                all[i] = all[i] && withWord[i];
        }
        std::vector<qint32> found;
        for (size_t i = 0; i < trackCount; ++i) {
            if (all[i])
                found.push_back(qint32(i));
        }
        return found;
    }
    std::vector<QStringMatcher> matchers;
    matchers.reserve(size_t(words.size()));
    for (const QString& word : std::as_const(words))
        matchers.emplace_back(word, Qt::CaseSensitive);
    const QStringView text(mText);
    std::vector<qint32> found;
    for (size_t i = 0; i < trackCount; ++i) {
        if (!mayHold(i, wanted))
            continue;
        const QStringView track = text.sliced(mStarts[i], mStarts[i + 1] - mStarts[i]);
        const auto inTrack = [&track](const QStringMatcher& aWord) {
            return aWord.indexIn(track) >= 0;
        };
        if (std::all_of(matchers.begin(), matchers.end(), inTrack))
            found.push_back(qint32(i));
    }
    return found;
}
