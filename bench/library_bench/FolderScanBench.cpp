#include "FolderScanBench.h"

#include "app/HelperLookup.h"
#include "library/folder/MusicFolderSource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThreadPool>

#include <fileref.h>
#include <id3v2tag.h>
#include <tpropertymap.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFiles = 20000;
constexpr int kRuns = 5;

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

// One tone, and 20,000 copies of it under Artist/Album/NN Title.mp3, each with tags of its own
// (an ID3v2.4 tag rendered by TagLib in front of the audio).
bool generate(const QString& aRoot, const QString& aListFile)
{
    QDir().mkpath(aRoot);
    const QString tone = QFileInfo(aListFile).absolutePath() + QStringLiteral("/tone.mp3");
    QProcess ffmpeg;
    ffmpeg.start(HelperLookup::find(QStringLiteral("ffmpeg/ffmpeg"), QStringLiteral("ffmpeg")),
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1",
                  "-map_metadata", "-1", "-c:a", "libmp3lame", "-b:a", "64k", tone});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return false;
    QFile toneFile(tone);
    if (!toneFile.open(QIODevice::ReadOnly))
        return false;
    const QByteArray audio = toneFile.readAll();
    QFile list(aListFile);
    if (!list.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < kFiles; ++i) {
        const int artist = i / 100;
        const int album = (i / 10) % 10;
        const QString title = QStringLiteral("Song %1 of the collection").arg(i);
        const QString folder = QStringLiteral("%1/Artist %2/Album %3").arg(aRoot).arg(artist).arg(album);
        if (i % 10 == 0 && !QDir().mkpath(folder))
            return false;
        TagLib::ID3v2::Tag tag;
        TagLib::PropertyMap properties;
        properties.replace("TITLE", TagLib::String(title.toStdString(), TagLib::String::UTF8));
        properties.replace("ARTIST", TagLib::String(QStringLiteral("Artist %1").arg(artist).toStdString()));
        properties.replace("ALBUMARTIST", TagLib::String(QStringLiteral("Artist %1").arg(artist).toStdString()));
        properties.replace("ALBUM", TagLib::String(QStringLiteral("Album %1 of %2").arg(album).arg(artist).toStdString()));
        properties.replace("GENRE", TagLib::String(i % 3 ? "Rock" : "Jazz"));
        properties.replace("TRACKNUMBER", TagLib::String(std::to_string(1 + i % 10)));
        properties.replace("DATE", TagLib::String(std::to_string(1970 + i % 50)));
        tag.setProperties(properties);
        const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v4);
        const QString path = QStringLiteral("%1/%2 %3.mp3").arg(folder).arg(1 + i % 10, 2, 10, QLatin1Char('0')).arg(title);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(rendered.data(), rendered.size()) < 0
            || file.write(audio) != audio.size())
            return false;
        list.write(QFile::encodeName(path) + '\n');
    }
    QFile::remove(tone);
    return true;
}

// The peer of the first scan: FileRef on each listed file, its tags and its length.
int tagLibLoop(const QString& aListFile)
{
    QFile list(aListFile);
    if (!list.open(QIODevice::ReadOnly))
        return 1;
    const QList<QByteArray> paths = list.readAll().split('\n');
    QElapsedTimer timer;
    timer.start();
    qint64 total = 0;
    for (const QByteArray& path : paths) {
        if (path.isEmpty())
            continue;
        const TagLib::FileRef ref(path.constData(), true, TagLib::AudioProperties::Average);
        if (ref.isNull())
            return 1;
        const TagLib::PropertyMap properties = ref.file()->properties();
        total += properties.size() + ref.audioProperties()->lengthInMilliseconds();
    }
    std::printf("%lld %lld\n", (long long)timer.elapsed(), (long long)total);
    return 0;
}

// Ours: a read of the folder by a fresh source (from the index when HOME holds one).
int scan(const QString& aRoot)
{
    const qint64 before = statusKb("VmHWM");
    QElapsedTimer timer;
    timer.start();
    MusicFolderSource source(aRoot);
    const LibraryRead read = source.read();
    const qint64 ms = timer.elapsed();
    if (!read.mContent)
        return 1;
    std::printf("%lld %lld %lld %zu\n", (long long)ms, (long long)before,
                (long long)statusKb("VmHWM"), read.mContent->tracks().size());
    return 0;
}

struct Child
{
    qint64 ms = -1;
    qint64 hwmKb = -1;
    qint64 count = -1;
};

Child measure(const QString& aSelf, const QStringList& aArguments, const QString& aHome)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), aHome);
    child.setProcessEnvironment(environment);
    child.start(aSelf, aArguments);
    child.waitForFinished(-1);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    Child result;
    if (child.exitCode() != 0 || fields.size() < 2)
        return result;
    result.ms = fields[0].toLongLong();
    if (fields.size() >= 4) {
        result.hwmKb = fields[2].toLongLong();
        result.count = fields[3].toLongLong();
    }
    return result;
}

qint64 findMs(const QString& aRoot)
{
    QProcess find;
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"), {aRoot, QStringLiteral("-printf"), QStringLiteral("%T@ %s %p\\n")});
    qint64 bytes = 0;
    while (find.state() != QProcess::NotRunning || find.bytesAvailable() > 0) {
        find.waitForReadyRead(1000);
        bytes += find.readAllStandardOutput().size();
    }
    const qint64 ms = timer.elapsed();
    return find.exitCode() == 0 && bytes > 0 ? ms : -1;
}

qint64 median(QList<qint64> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    return aValues.isEmpty() ? -1 : aValues.at(aValues.size() / 2);
}

} // namespace

int FolderScanBench::runChild(const QStringList& aArguments)
{
    if (aArguments.size() >= 3 && aArguments[1] == QLatin1String("--taglib-loop"))
        return tagLibLoop(aArguments[2]);
    if (aArguments.size() >= 3 && aArguments[1] == QLatin1String("--folder-scan")) {
        // --one-thread: TagLib reads in this thread only, to compare by hand.
        if (aArguments.contains(QLatin1String("--one-thread")))
            QThreadPool::globalInstance()->setMaxThreadCount(1);
        return scan(aArguments[2]);
    }
    // Writes the folder (and its file list beside it), to look at or to time by hand.
    if (aArguments.size() >= 3 && aArguments[1] == QLatin1String("--folder-generate"))
        return generate(aArguments[2] + QStringLiteral("/Music"), aArguments[2] + QStringLiteral("/files.txt")) ? 0 : 1;
    return -1;
}

void FolderScanBench::run(const QString& aSelf, QStringList& aTargets)
{
    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/Music");
    const QString list = dir.path() + QStringLiteral("/files.txt");
    QElapsedTimer timer;
    timer.start();
    if (!generate(root, list)) {
        std::printf("music folder: could not generate the files\n");
        aTargets << QStringLiteral("TARGET folder_first_scan_vs_taglib 99 1.5 FAIL");
        return;
    }
    std::printf("music folder of %d tagged mp3 files generated in %lld ms\n", kFiles, (long long)timer.elapsed());
    std::fflush(stdout);

    QList<qint64> loop, first, rescan, find;
    qint64 peakKb = 0;
    qint64 tracks = 0;
    for (int run = 0; run < kRuns; ++run) {
        // A HOME of its own per first scan, so no index exists; the rescan uses the index it left.
        const QString home = dir.path() + QStringLiteral("/home-%1").arg(run);
        QDir().mkpath(home);
        loop << measure(aSelf, {QStringLiteral("--taglib-loop"), list}, home).ms;
        const Child scanned = measure(aSelf, {QStringLiteral("--folder-scan"), root}, home);
        first << scanned.ms;
        peakKb = std::max(peakKb, scanned.hwmKb);
        tracks = scanned.count;
        const Child again = measure(aSelf, {QStringLiteral("--folder-scan"), root}, home);
        rescan << again.ms;
        peakKb = std::max(peakKb, again.hwmKb);
        find << findMs(root);
    }
    const double firstRatio = median(loop) > 0 && median(first) >= 0 ? double(median(first)) / double(median(loop)) : 99;
    const double rescanRatio = median(find) > 0 && median(rescan) >= 0 ? double(median(rescan)) / double(median(find)) : 99;
    const double peakMb = peakKb / 1024.0;
    std::printf("  tracks read: %lld\n", (long long)tracks);
    std::printf("  first scan (walk, TagLib, index written; median of %d): %lld ms; plain TagLib "
                "loop over the same files: %lld ms; ratio %.3f\n",
                kRuns, (long long)median(first), (long long)median(loop), firstRatio);
    std::printf("  rescan of the unchanged folder by a new process (index loaded, files statted): "
                "%lld ms; find -printf over it: %lld ms (process start included); ratio %.3f\n",
                (long long)median(rescan), (long long)median(find), rescanRatio);
    std::printf("  peak resident memory of a scanning process (VmHWM): %.1f MB\n", peakMb);
    std::fflush(stdout);
    aTargets << QStringLiteral("TARGET folder_first_scan_vs_taglib %1 1.5 %2")
                    .arg(firstRatio, 0, 'f', 3).arg(firstRatio <= 1.5 ? "PASS" : "FAIL");
    aTargets << QStringLiteral("TARGET folder_rescan_vs_find %1 1.5 %2")
                    .arg(rescanRatio, 0, 'f', 3).arg(rescanRatio <= 1.5 ? "PASS" : "FAIL");
    aTargets << QStringLiteral("TARGET folder_scan_peak_memory_mb %1 300 %2")
                    .arg(peakMb, 0, 'f', 1).arg(peakMb < 300 ? "PASS" : "FAIL");
}
