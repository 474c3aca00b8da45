#include "library/itunes/LibraryScanReader.h"

#include "app/DebugLog.h"
#include "library/itunes/LibraryPlistParser.h"
#include "library/itunes/LibraryXmlReader.h"
#include "library/itunes/PlistScanner.h"

#include <algorithm>
#include <iterator>
#include <thread>

namespace {

// How far past the middle a track start is looked for.
constexpr qsizetype kSplitSearchBytes = 1024 * 1024;

// Where the second part starts: a track near the middle of the "Tracks" dictionary, which is
// taken to end where the "Playlists" array begins (iTunes writes them in that order); -1 when
// none is found. The first part reads the playlists after the second part is done, so the
// tracks are shared evenly.
qsizetype splitPoint(QByteArrayView aData)
{
    const qsizetype playlists = aData.lastIndexOf(QByteArrayView("<key>Playlists</key>"));
    const qsizetype from = (playlists > 0 ? playlists : aData.size()) / 2;
    const QByteArrayView window =
        aData.sliced(from, std::min(kSplitSearchBytes, aData.size() - from));
    const qsizetype at = LibraryXmlReader::trackStartIn(window);
    return at < 0 ? -1 : from + at;
}

bool readWhole(QByteArrayView aData, LibraryPlistContent& aContent)
{
    PlistScanner scanner(aData);
    LibraryPlistParser<PlistScanner> parser(scanner);
    const bool ok = parser.readPlist() && !scanner.failed();
    if (ok)
        aContent = std::move(parser.content());
    return ok;
}

} // namespace

bool LibraryScanReader::read(QByteArrayView aData, bool aSplit, LibraryPlistContent& aContent,
                             bool* aParallel)
{
    *aParallel = false;
    const qsizetype split = aSplit ? splitPoint(aData) : -1;
    if (split < 0)
        return readWhole(aData, aContent) && (aContent.mHaveTracks || aContent.mHavePlaylists);

    // The second part: inside the root, its dictionary and the "Tracks" dictionary.
    PlistScanner rest(aData);
    rest.startInside(split, {QByteArrayView("plist"), QByteArrayView("dict"),
                             QByteArrayView("dict")});
    LibraryPlistParser<PlistScanner> restParser(rest);
    bool restOk = false;
    std::thread worker([&rest, &restParser, &restOk] {
        // A failure here (out of memory) must not end the program from a thread of its own.
        try {
            restParser.readTracksPart();
            restOk = !rest.failed() && rest.openElements().size() == 2;
        } catch (...) {
            restOk = false;
        }
    });

    PlistScanner first(aData);
    LibraryPlistParser<PlistScanner> parser(first);
    first.setSplit(split, [&]() {
        worker.join();
        if (!first.stoppedAtSplit() || !restOk)
            return false;
        // In file order: the first part's tracks, then the second's.
        std::vector<LibraryTrack>& tracks = parser.content().mTracks;
        std::vector<LibraryTrack>& more = restParser.content().mTracks;
        tracks.reserve(tracks.size() + more.size());
        std::move(more.begin(), more.end(), std::back_inserter(tracks));
        std::vector<qint64>& ids = parser.content().mTrackIds;
        const std::vector<qint64>& moreIds = restParser.content().mTrackIds;
        ids.insert(ids.end(), moreIds.begin(), moreIds.end());
        first.resumeAfterTracks(rest.position());
        return true;
    });
    bool ok = false;
    try {
        ok = parser.readPlist() && !first.failed();
    } catch (...) {
        // A thread still joinable at unwinding would end the program.
        if (worker.joinable())
            worker.join();
        throw;
    }
    // The first part may never have reached the "Tracks" dictionary's end.
    if (worker.joinable())
        worker.join();
    LibraryPlistContent& content = parser.content();
    if (!ok || !(content.mHaveTracks || content.mHavePlaylists))
        return false;
    *aParallel = first.stoppedAtSplit();
    if (!*aParallel)
        logMessage("Split scan not possible - the first part read every track");
    aContent = std::move(content);
    return true;
}
