#pragma once

#include "library/itunes/LibrarySnapshot.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <vector>

// The searchable fields of every track (name, artist, album, album artist, composer, genre),
// case-folded and laid end to end. A search then scans one string per word instead of six
// fields of every track with a case-insensitive matcher, which made the album-art lookup of a
// large library cost more than copying its files.
class TrackSearchIndex
{
public:
    explicit TrackSearchIndex(const std::vector<LibraryTrack>& aTracks);

    // The tracks (ascending indexes) in which every word occurs, ignoring case, within one of
    // their fields (each word may be in a different field). No words match every track.
    std::vector<qint32> tracksWithAllWords(const QStringList& aWords) const;

    // Simple case folding, one code point at a time: the same comparison a case-insensitive
    // QStringMatcher makes, so that folded text compared exactly finds what it finds.
    static QString fold(QStringView aText);

private:
    static void appendFolded(QString& aFolded, QStringView aText);

    // A 256-bit set of hashed trigrams: a track whose set lacks one of a word's trigrams cannot
    // hold the word, which rules out most tracks without looking at their text.
    using Signature = std::array<quint64, 4>;
    static Signature signature(QStringView aText);
    bool mayHold(size_t aTrack, const Signature& aWord) const;

    // Marks the tracks whose text holds aWord (already folded).
    std::vector<bool> tracksWithWord(const QString& aWord) const;

    QString mText;
    // mStarts[i] is where track i's text begins; one more entry marks the end.
    std::vector<qsizetype> mStarts;
    std::vector<Signature> mSignatures;
};
