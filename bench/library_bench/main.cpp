// Times the load of an iTunes library file plus reading every track of it through
// MusicLibrary, against `python3 -c 'import plistlib; plistlib.load(...)'` on the same file,
// for libraries of 20,000 and 100,000 tracks with 50 playlists. Each measurement of ours runs in
// a child process (with a temporary HOME, so the trace log stays closed) that reports its own
// time and the growth of its peak resident memory (VmHWM) across the load, so the memory figure
// is what the load itself needs, not what earlier runs left behind.
// Large files are read by two threads, so the target is judged on wall time, what the user waits
// for, measured the same way for both sides: from starting the process to its exit. CPU time is
// printed beside it.
// Then a music folder of 20,000 tagged files (FolderScanBench); `--folder-only` runs just that.
#include "library/LibraryXmlBuilder.h"

#include "FolderScanBench.h"

#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"
#include "library/itunes/ITunesXmlCache.h"
#include "tracks/TrackList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

qint64 statusKb(const char* aField)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(aField) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// The child: load and read the whole library once; print "ms hwm_before_kb hwm_after_kb tracks".
int runChild(const QString& aLibrary)
{
    const qint64 before = statusKb("VmHWM");
    QElapsedTimer timer;
    timer.start();
    LibraryFactory::setChosenPath(aLibrary);
    // The file is parsed here (and the parse reused below); the split is printed to stderr.
    const ITunesXmlCache::Result parsed = ITunesXmlCache::acquire(aLibrary);
    const qint64 parseMs = timer.elapsed();
    MusicLibrary library;
    TrackList tracks;
    TrackList drm;
    PlaylistEntry entry;
    qint64 size = 0;
    const int result = parsed.mContent
                           ? library.tracks(QString(), tracks, size, false, drm, entry, true)
                           : MusicLibrary::kFailure;
    const qint64 ms = timer.elapsed();
    std::fprintf(stderr, "parse %lld ms, tracks %lld ms\n", (long long)parseMs, (long long)(ms - parseMs));
    const qint64 after = statusKb("VmHWM");
    std::printf("%lld %lld %lld %d %d\n", (long long)ms, (long long)before, (long long)after,
                tracks.count() + drm.count(), result);
    return result == 0 ? 0 : 1;
}

// The floor: QXmlStreamReader reading every token of the file and nothing else.
int runTokenizeOnly(const QString& aLibrary)
{
    QFile file(aLibrary);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    QXmlStreamReader reader(&file);
    qint64 tokens = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        ++tokens;
    }
    std::printf("%lld\n", (long long)tokens);
    return reader.hasError() ? 1 : 0;
}

void generate(const QString& aPath, int aTracks)
{
    QRandomGenerator random(aTracks);
    LibraryXmlBuilder builder(LibraryXmlBuilder::Style::Windows);
    const int artists = std::max(50, aTracks / 50);
    for (int i = 0; i < aTracks; ++i) {
        LibraryXmlBuilder::TrackSpec trackFields;
        const int artist = int(random.bounded(artists));
        const int album = artist * 4 + int(random.bounded(4));
        trackFields.mName = QStringLiteral("Song number %1 of the collection").arg(i);
        trackFields.mArtist = QStringLiteral("Artist %1").arg(artist);
        trackFields.mAlbumArtist = trackFields.mArtist;
        trackFields.mAlbum = QStringLiteral("Album %1").arg(album);
        trackFields.mTrackNumber = 1 + i % 14;
        trackFields.mSize = 2000000 + qint64(random.bounded(8000000));
        trackFields.mCompilation = i % 23 == 0;
        const QString extension = i % 97 == 0 ? QStringLiteral("m4p") : QStringLiteral("mp3");
        trackFields.mLocation = LibraryXmlBuilder::windowsUrl(
            QStringLiteral("C:/Users/bob/Music/iTunes/iTunes Media/Music/%1/%2/%3 %4.%5")
                .arg(trackFields.mArtist, trackFields.mAlbum)
                .arg(trackFields.mTrackNumber, 2, 10, QChar(u'0'))
                .arg(trackFields.mName, extension));
        builder.addTrack(trackFields);
    }
    const QList<qint64> ids = builder.trackIds();
    builder.addMasterPlaylist();
    LibraryXmlBuilder::PlaylistSpec music;
    music.mName = QStringLiteral("Music");
    music.mDistinguishedKind = 4;
    music.mFlags = {QStringLiteral("Music")};
    music.mTrackIds = ids;
    builder.addPlaylist(music);
    for (int p = 0; p < 48; ++p) {
        LibraryXmlBuilder::PlaylistSpec playlist;
        playlist.mName = QStringLiteral("Playlist %1").arg(p);
        playlist.mSmart = p % 5 == 0;
        const int count = int(random.bounded(50, 1000));
        for (int i = 0; i < count; ++i)
            playlist.mTrackIds.append(ids.at(int(random.bounded(ids.size()))));
        builder.addPlaylist(playlist);
    }
    builder.write(aPath);
}

// CPU time (user + system) of the children waited for so far, in milliseconds.
qint64 childrenCpuMs()
{
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

struct Timing
{
    qint64 wallMs = -1;
    qint64 cpuMs = -1;
};

struct ChildResult
{
    qint64 ms = -1;
    qint64 processMs = -1;
    qint64 cpuMs = -1;
    qint64 growthKb = -1;
    int tracks = 0;
};

ChildResult runOurs(const QString& aSelf, const QString& aLibrary, const QString& aHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), aHome);
    environment.remove(QStringLiteral("WINEPREFIX"));
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    const qint64 cpuBefore = childrenCpuMs();
    timer.start();
    child.start(aSelf, {QStringLiteral("--child"), aLibrary});
    child.waitForFinished(-1);
    const qint64 processMs = timer.elapsed();
    const qint64 cpu = childrenCpuMs() - cpuBefore;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    ChildResult result;
    if (child.exitCode() != 0 || fields.size() < 4)
        return result;
    result.ms = fields[0].toLongLong();
    result.processMs = processMs;
    result.cpuMs = cpu;
    result.growthKb = fields[2].toLongLong() - fields[1].toLongLong();
    result.tracks = fields[3].toInt();
    return result;
}

Timing runPlistlib(const QString& aLibrary)
{
    QProcess python;
    QElapsedTimer timer;
    const qint64 cpuBefore = childrenCpuMs();
    timer.start();
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import plistlib, sys; plistlib.load(open(sys.argv[1], 'rb'))"),
                  aLibrary});
    python.waitForFinished(-1);
    Timing timing;
    if (python.exitCode() == 0) {
        timing.wallMs = timer.elapsed();
        timing.cpuMs = childrenCpuMs() - cpuBefore;
    }
    return timing;
}

qint64 median(QList<qint64> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    return aValues.isEmpty() ? -1 : aValues.at(aValues.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const int folderChild = FolderScanBench::runChild(args); folderChild >= 0)
        return folderChild;
    if (args.size() >= 3 && args[1] == QLatin1String("--child"))
        return runChild(args[2]);
    if (args.size() >= 3 && args[1] == QLatin1String("--tokenize"))
        return runTokenizeOnly(args[2]);
    // Writes one generated library, to look at or to time by hand.
    if (args.size() >= 4 && args[1] == QLatin1String("--generate")) {
        generate(args[3], args[2].toInt());
        return 0;
    }

    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/home");
    QDir().mkpath(home);
    // Medians of five: the machine may be shared, and a neighbour slows one run, not all.
    const int runs = 5;
    QStringList targets;
    // --folder-only: just the music folder's part.
    const bool folderOnly = args.contains(QLatin1String("--folder-only"));
    for (const int size : {20000, 100000}) {
        if (folderOnly)
            break;
        const QString library = dir.path() + QStringLiteral("/library-%1.xml").arg(size);
        generate(library, size);
        const qint64 fileBytes = QFileInfo(library).size();
        QList<qint64> ours, oursProcess, oursCpu, theirs, theirsCpu, growth;
        int tracks = 0;
        for (int run = 0; run < runs; ++run) {
            const ChildResult result = runOurs(app.applicationFilePath(), library, home);
            ours << result.ms;
            oursProcess << result.processMs;
            oursCpu << result.cpuMs;
            growth << result.growthKb;
            tracks = result.tracks;
            const Timing python = runPlistlib(library);
            theirs << python.wallMs;
            theirsCpu << python.cpuMs;
        }
        QList<qint64> floorCpu;
        for (int run = 0; run < runs; ++run) {
            QProcess tokenizer;
            const qint64 cpuBefore = childrenCpuMs();
            tokenizer.start(app.applicationFilePath(), {QStringLiteral("--tokenize"), library});
            tokenizer.waitForFinished(-1);
            floorCpu << childrenCpuMs() - cpuBefore;
        }
        const qint64 oursMs = median(ours);
        const qint64 oursProcessMs = median(oursProcess);
        const qint64 theirsMs = median(theirs);
        const qint64 oursCpuMs = median(oursCpu);
        const qint64 theirsCpuMs = median(theirsCpu);
        const qint64 growthKb = *std::max_element(growth.begin(), growth.end());
        // Both wall times from process start to exit, interpreter and Qt start-up included.
        const double ratio =
            theirsMs > 0 && oursProcessMs >= 0 ? double(oursProcessMs) / double(theirsMs) : 99;
        const double cpuRatio =
            theirsCpuMs > 0 && oursCpuMs >= 0 ? double(oursCpuMs) / double(theirsCpuMs) : 99;
        const double memoryRatio = growthKb >= 0 ? double(growthKb) * 1024.0 / double(fileBytes) : 99;
        std::printf("library of %d tracks, 50 playlists: file %.1f MB, %d tracks read\n", size,
                    fileBytes / 1e6, tracks);
        std::printf("  load + tracks (median of %d): %lld ms wall (whole process; %lld ms "
                    "timed in the child), %lld ms CPU (whole process, both threads)\n",
                    runs, (long long)oursProcessMs, (long long)oursMs, (long long)oursCpuMs);
        std::printf("  python3 plistlib.load (median of %d): %lld ms wall, %lld ms CPU "
                    "(whole process, interpreter start included)\n",
                    runs, (long long)theirsMs, (long long)theirsCpuMs);
        std::printf("  ratio ours/plistlib: %.3f wall (judged), %.3f CPU\n", ratio, cpuRatio);
        std::printf("  QXmlStreamReader reading the file's tokens and nothing else: %lld ms CPU "
                    "= %.3f of plistlib\n",
                    (long long)median(floorCpu),
                    theirsCpuMs > 0 ? double(median(floorCpu)) / double(theirsCpuMs) : 99.0);
        std::printf("  peak memory growth across the load (VmHWM after - before, in the child): "
                    "%.1f MB = %.2f x file\n",
                    growthKb / 1024.0, memoryRatio);
        std::fflush(stdout);
        targets << QStringLiteral("TARGET library_vs_plistlib_%1 %2 0.25 %3")
                       .arg(size).arg(ratio, 0, 'f', 3).arg(ratio <= 0.25 ? "PASS" : "FAIL");
        targets << QStringLiteral("TARGET library_peak_memory_%1 %2 3.0 %3")
                       .arg(size).arg(memoryRatio, 0, 'f', 2).arg(memoryRatio <= 3.0 ? "PASS" : "FAIL");
    }
    FolderScanBench::run(app.applicationFilePath(), targets);
    for (const QString& line : targets)
        std::printf("%s\n", qPrintable(line));
    return 0;
}
