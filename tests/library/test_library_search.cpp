// The search index of the library: case-insensitive word search over a track's fields, checked
// against a plain per-field search on chosen and on random text.
#include "TestMain.h"

#include "library/itunes/TrackSearchIndex.h"

#include <QRandomGenerator>
#include <QStringMatcher>

namespace {

LibraryTrack track(const QString& aName, const QString& aArtist = {}, const QString& aAlbum = {},
                   const QString& aGenre = {})
{
    LibraryTrack result;
    result.mName = aName;
    result.mArtist = aArtist;
    result.mAlbum = aAlbum;
    result.mGenre = aGenre;
    return result;
}

// Every word in some field, ignoring case: what a search of all fields means.
bool reference(const LibraryTrack& aTrack, const QStringList& aWords)
{
    for (const QString& word : aWords) {
        const QStringMatcher matcher(word, Qt::CaseInsensitive);
        bool in = false;
        for (const QString* field : {&aTrack.mName, &aTrack.mArtist, &aTrack.mAlbum,
                                     &aTrack.mAlbumArtist, &aTrack.mComposer, &aTrack.mGenre})
            in = in || matcher.indexIn(*field) >= 0;
        if (!in)
            return false;
    }
    return true;
}

std::vector<qint32> referenceAll(const std::vector<LibraryTrack>& aTracks, const QStringList& aWords)
{
    std::vector<qint32> result;
    for (size_t i = 0; i < aTracks.size(); ++i) {
        if (reference(aTracks[i], aWords))
            result.push_back(qint32(i));
    }
    return result;
}

} // namespace

class TestLibrarySearch : public QObject
{
    Q_OBJECT

private slots:
    void wordsIgnoreCaseAndMayBeInDifferentFields()
    {
        const std::vector<LibraryTrack> tracks = {
            track(QStringLiteral("High Wave"), QStringLiteral("Ben Sine"),
                  QStringLiteral("Ωmega Tides")),
            track(QStringLiteral("Highway"), QStringLiteral("Other"), QStringLiteral("Roads")),
            track(QStringLiteral("Été"), QStringLiteral("𐐀rchive"), {}, QStringLiteral("Jazz")),
            track({}),
        };
        const TrackSearchIndex index(tracks);
        using Found = std::vector<qint32>;
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("HIGH")}), (Found{0, 1}));
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("high"), QStringLiteral("sine")}),
                 (Found{0}));
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("ωMEGA"), QStringLiteral("wave")}),
                 (Found{0}));
        // Accented and supplementary-plane letters fold like the rest.
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("éTÉ"), QStringLiteral("𐐨RCH")}),
                 (Found{2}));
        // A word never spans two fields, nor two tracks.
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("wavebe")}), (Found{}));
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("jazzhigh")}), (Found{}));
        QCOMPARE(index.tracksWithAllWords({QString(QChar(0))}), (Found{}));
        QCOMPARE(index.tracksWithAllWords({}), (Found{0, 1, 2, 3}));
        QCOMPARE(index.tracksWithAllWords({QStringLiteral("high"), QStringLiteral("nothing")}),
                 (Found{}));
    }

    void agreesWithAPlainSearchOnRandomText()
    {
        // A small alphabet makes matches, repeats and near misses frequent.
        const QStringList letters = {QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("b"),
                                     QStringLiteral("ä"), QStringLiteral("Ä"), QStringLiteral("𐐀"),
                                     QStringLiteral("𐐨"), QStringLiteral("ß")};
        QRandomGenerator random(20261207);
        const auto text = [&](int aMaxLength) {
            QString result;
            const int length = random.bounded(aMaxLength + 1);
            for (int i = 0; i < length; ++i)
                result += letters.at(random.bounded(letters.size()));
            return result;
        };
        for (int round = 0; round < 40; ++round) {
            std::vector<LibraryTrack> tracks;
            for (int i = 0; i < 60; ++i) {
                LibraryTrack one = track(text(6), text(4), text(5), text(3));
                one.mComposer = text(3);
                one.mAlbumArtist = text(3);
                tracks.push_back(one);
            }
            const TrackSearchIndex index(tracks);
            for (int query = 0; query < 30; ++query) {
                QStringList words;
                for (int w = random.bounded(1, 4); w > 0; --w)
                    words << text(3);
                words.removeAll(QString());
                QCOMPARE(index.tracksWithAllWords(words), referenceAll(tracks, words));
            }
        }
    }
};

PELLMAR_TEST_MAIN(TestLibrarySearch)
#include "test_library_search.moc"
