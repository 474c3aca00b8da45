#include "library/itunes/TrackSearchIndex.h"

#include <QStringMatcher>

#include <algorithm>

namespace {

// Stands between fields. The library file cannot hold it (XML forbids it), so no field has it
// and a word can never match across two fields.
constexpr QChar kFieldSeparator = QChar(0);

} // namespace

TrackSearchIndex::TrackSearchIndex(const std::vector<LibraryTrack>& aTracks)
{
    mStarts.reserve(aTracks.size() + 1);
    for (const LibraryTrack& track : aTracks) {
        mStarts.push_back(mText.size());
        for (const QString* field : {&track.mName, &track.mArtist, &track.mAlbum,
                                     &track.mAlbumArtist, &track.mComposer, &track.mGenre}) {
            mText += fold(*field);
            mText += kFieldSeparator;
        }
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
    // Few tracks left: look into each of them. Many: one scan of the whole text is cheaper.
    if (aCount > aTracks.size() / 16) {
        const std::vector<bool> withWord = tracksWithWord(aWord);
        for (size_t i = 0; i < aTracks.size(); ++i)
            aTracks[i] = aTracks[i] && withWord[i];
        return;
    }
    const QStringMatcher matcher(aWord, Qt::CaseSensitive);
    const QStringView text(mText);
    for (size_t i = 0; i < aTracks.size(); ++i) {
        if (aTracks[i])
            aTracks[i] = matcher.indexIn(text.sliced(mStarts[i], mStarts[i + 1] - mStarts[i])) >= 0;
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
    // The longest word first: it is likely the rarest, and the rest need only look at the
    // tracks it left.
    std::stable_sort(words.begin(), words.end(), [](const QString& aLeft, const QString& aRight) {
        return aLeft.size() > aRight.size();
    });
    size_t count = all.size();
    for (const QString& word : std::as_const(words)) {
        keepTracksWithWord(word, all, count);
        count = size_t(std::count(all.begin(), all.end(), true));
        if (count == 0)
            break;
    }
    return all;
}
