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
    for (qsizetype i = 0; i + 3 <= aText.size(); ++i) {
        if (aText.sliced(i, 3).contains(kFieldSeparator))
            continue;
        const size_t bit = trigramBit(aText.data() + i);
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
    mStarts.reserve(aTracks.size() + 1);
    for (const LibraryTrack& track : aTracks) {
        const qsizetype start = mText.size();
        mStarts.push_back(start);
        for (const QString* field : {&track.mName, &track.mArtist, &track.mAlbum,
                                     &track.mAlbumArtist, &track.mComposer, &track.mGenre}) {
            mText += fold(*field);
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
    for (qsizetype i = 0; i < aText.size(); ++i) {
        char32_t codePoint = aText.at(i).unicode();
        if (QChar::isHighSurrogate(codePoint) && i + 1 < aText.size()
            && aText.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(aText.at(i), aText.at(i + 1));
            ++i;
        }
        const char32_t lower = QChar::toCaseFolded(codePoint);
        if (QChar::requiresSurrogates(lower)) {
            folded += QChar(QChar::highSurrogate(lower));
            folded += QChar(QChar::lowSurrogate(lower));
        } else {
            folded += QChar(char16_t(lower));
        }
    }
    return folded;
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

void TrackSearchIndex::keepTracksWithWord(const QString& aWord, std::vector<bool>& aTracks,
                                          size_t aCount) const
{
    // A word of three or more units is looked for only in the tracks whose signature holds all
    // its trigrams; a shorter one, in each track left when few are, else in one scan of all.
    const bool filtered = aWord.size() >= 3;
    if (!filtered && aCount > aTracks.size() / 16) {
        const std::vector<bool> withWord = tracksWithWord(aWord);
        for (size_t i = 0; i < aTracks.size(); ++i)
            aTracks[i] = aTracks[i] && withWord[i];
        return;
    }
    const Signature wordBits = filtered ? signature(aWord) : Signature {};
    const QStringMatcher matcher(aWord, Qt::CaseSensitive);
    const QStringView text(mText);
    for (size_t i = 0; i < aTracks.size(); ++i) {
        if (aTracks[i])
            aTracks[i] = (!filtered || mayHold(i, wordBits))
                         && matcher.indexIn(text.sliced(mStarts[i], mStarts[i + 1] - mStarts[i])) >= 0;
    }
}

std::vector<bool> TrackSearchIndex::tracksWithAllWords(const QStringList& aWords) const
{
    std::vector<bool> all(mStarts.size() - 1, true);
    QStringList words;
    for (const QString& word : aWords) {
        // No field holds the separator: such a word matches nothing.
        if (word.contains(kFieldSeparator))
            return std::vector<bool>(all.size(), false);
        words << fold(word);
    }
    // The rarest word first, as far as the signatures tell, so that the others need only look
    // at the few tracks it leaves.
    std::vector<std::pair<size_t, QString>> byRarity;
    for (const QString& word : std::as_const(words)) {
        size_t holders = all.size();
        if (word.size() >= 3) {
            const Signature bits = signature(word);
            holders = 0;
            for (size_t i = 0; i < all.size(); ++i)
                holders += mayHold(i, bits) ? 1 : 0;
        }
        byRarity.emplace_back(holders, word);
    }
    std::stable_sort(byRarity.begin(), byRarity.end(),
                     [](const auto& aLeft, const auto& aRight) { return aLeft.first < aRight.first; });
    size_t count = all.size();
    for (const auto& [holders, word] : byRarity) {
        keepTracksWithWord(word, all, count);
        count = size_t(std::count(all.begin(), all.end(), true));
        if (count == 0)
            break;
    }
    return all;
}
