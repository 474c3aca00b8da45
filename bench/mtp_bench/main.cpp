// The MTP phone over the in-memory phone store against the folder phone, with the same library
// in the same run: backend calls of a first sync and of a resync with nothing to do, and the
// first sync's time against the folder phone's.
#include "BenchLibrary.h"
#include "BenchSync.h"
#include "mtp/FakeMtpBackend.h"

#include "app/AppPaths.h"
#include "device/UsbMSDevice.h"
#include "device/mtp/MtpPhone.h"
#include "device/mtp/MtpPhoneParent.h"
#include "device/mtp/MtpPhoneRefresher.h"
#include "library/LibraryFactory.h"
#include "library/MusicLibrary.h"
#include "library/itunes/FolderListingCache.h"
#include "library/itunes/ITunesXmlCache.h"
#include "settings/SyncSettings.h"
#include "tracks/SyncState.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

constexpr int kTracks = 20000;
constexpr int kFileSize = 4 * 1024;
constexpr int kAlbums = 200;
constexpr int kPlaylists = 20;
constexpr int kRounds = 3;

using SyncOutcome = BenchSync::Outcome;

QByteArray coverJpeg()
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

QStringList playlistNames()
{
    QStringList names;
    for (int p = 1; p <= kPlaylists; ++p)
        names << QStringLiteral("Playlist %1").arg(p);
    return names;
}

void configure(Device& aPhone)
{
    aPhone.SetConfigured();
    SyncSettings settings;
    settings.load();
    settings.setConfig(aPhone.UniqueDeviceId(), aPhone.FriendlyName(), false, playlistNames(), 0, {});
    settings.setEnableArtworkSync(aPhone.UniqueDeviceId(), true);
    settings.setForceArtworkSync(aPhone.UniqueDeviceId(), false);
    settings.save();
}

SyncOutcome runSync(MusicLibrary& aLibrary, Device& aPhone)
{
    return BenchSync::run(aLibrary, aPhone);
}

// A fresh library object that reads the library file again, as a first sync of a process does.
SyncOutcome firstSync(Device& aPhone)
{
    ITunesXmlCache::clear();
    FolderListingCache::instance().clear();
    MusicLibrary library;
    return runSync(library, aPhone);
}

// The phone as the refresher opens it.
std::unique_ptr<MtpPhoneParent> openPhone(const std::shared_ptr<FakeMtpBackend>& aBackend)
{
    MtpPhoneRefresher refresher(aBackend);
    refresher.setOpenRetry(1, 0);
    refresher.startRefresh({});
    refresher.waitForRun();
    const QList<DeviceParent*> found = refresher.takeNewParents();
    return std::unique_ptr<MtpPhoneParent>(
        found.isEmpty() ? nullptr : static_cast<MtpPhoneParent*>(found.first()));
}

std::shared_ptr<FakeMtpBackend> newMtpPhone(quint32& aStorage)
{
    auto backend = std::make_shared<FakeMtpBackend>();
    const int phone = backend->addPhone(QStringLiteral("Google"), QStringLiteral("Pixel 7"),
                                        QStringLiteral("BENCH"), QStringLiteral("Bench Phone"));
    aStorage = backend->addStorage(phone, QStringLiteral("Internal storage"), 1ULL << 36, 1ULL << 36);
    backend->putFile(aStorage, QStringLiteral("CORVO/android.xml"), "<android version=\"13\"/>");
    return backend;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    qputenv("HOME", work.path().toUtf8());
    AppPaths::setApplicationDataPath(work.path());
    QCoreApplication app(argc, argv);

    const QString source = work.path() + QStringLiteral("/source");
    std::printf("Generating %d tracks in %d albums with covers, %d playlists...\n", kTracks,
                kAlbums, kPlaylists);
    std::fflush(stdout);
    if (!BenchLibrary::generate(source, kTracks, kFileSize, kAlbums, kPlaylists, coverJpeg())) {
        std::fprintf(stderr, "could not generate the library\n");
        return 1;
    }
    LibraryFactory::setChosenPath(BenchLibrary::libraryFile(source));

    // Rounds alternate between the kinds, each on a new empty phone; the best of each counts.
    SyncOutcome folderBest;
    SyncOutcome mtpBest;
    int firstSends = 0;
    int expectedSends = 0;
    int maxListings = 0;
    int foldersListed = 0;
    bool allOnPhone = true;
    for (int round = 0; round < kRounds; ++round) {
        const QString root = work.path() + QStringLiteral("/phone%1").arg(round);
        QDir().mkpath(root);
        SyncOutcome folder;
        {
            UsbMSDevice phone(root, QStringLiteral("Bench Phone"), true);
            QThread::msleep(3); // a phone's id comes from the clock's milliseconds
            configure(phone);
            folder = firstSync(phone);
        }
        QDir(root).removeRecursively();

        // Counted from the opening of the new phone on: setting it up is part of a first sync.
        quint32 storage = 0;
        const std::shared_ptr<FakeMtpBackend> backend = newMtpPhone(storage);
        std::unique_ptr<MtpPhoneParent> parent = openPhone(backend);
        if (!parent)
            return 1;
        Device* phone = parent->Devices().first();
        QThread::msleep(3);
        configure(*phone);
        const SyncOutcome mtp = firstSync(*phone);
        std::printf("round %d: folder phone %.3f s, MTP phone %.3f s\n", round + 1, folder.seconds,
                    mtp.seconds);
        std::fflush(stdout);
        if (round == 0 || folder.seconds < folderBest.seconds)
            folderBest = folder;
        if (round == 0 || mtp.seconds < mtpBest.seconds)
            mtpBest = mtp;
        if (round > 0)
            continue;

        // Counts of the first round: every track and album picture is one send, besides the
        // playlists, the run's marker and the phone's id file.
        firstSends = backend->calls(FakeMtpBackend::kSend);
        expectedSends = kTracks + kAlbums + kPlaylists + 2;
        const QHash<QString, int> listings = backend->folderListings();
        foldersListed = int(listings.size());
        for (const int count : listings)
            maxListings = std::max(maxListings, count);
        const QMap<QString, QByteArray> files = backend->files(storage);
        int tracks = 0;
        int pictures = 0;
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            tracks += it.key().endsWith(QLatin1String(".mp3"));
            pictures += it.key().endsWith(QLatin1String("/folder.jpg"));
        }
        allOnPhone = tracks == kTracks && pictures == kAlbums;
        std::printf("first sync: %d sends for %d tracks, %d album pictures, %d playlists, the "
                    "marker and the id; %d folders listed, at most %d times each\n",
                    firstSends, tracks, pictures, kPlaylists, foldersListed, maxListings);

        // A resync with nothing to do, on the phone opened afresh as the next run would.
        parent.reset();
        parent = openPhone(backend);
        backend->resetCalls();
        MusicLibrary library;
        const SyncOutcome resync = runSync(library, *parent->Devices().first());
        const int resyncCalls = backend->totalCalls();
        std::printf("no-op resync: %d backend calls (%d listings, %d fetches, %d sends, %d "
                    "deletions), %.3f s, final state %d\n",
                    resyncCalls, backend->calls(FakeMtpBackend::kListFolder),
                    backend->calls(FakeMtpBackend::kGet), backend->calls(FakeMtpBackend::kSend),
                    backend->calls(FakeMtpBackend::kDelete), resync.seconds, resync.finalState);
        const bool resyncValid = resync.finalState == SyncState::Finished && resync.notCopied == 0;
        BenchSync::target("mtp_noop_resync_backend_calls", resyncValid ? resyncCalls : -1, 2.0 * kPlaylists + 20);
    }

    const bool valid = folderBest.finalState == SyncState::Finished && folderBest.notCopied == 0
                       && mtpBest.finalState == SyncState::Finished && mtpBest.notCopied == 0
                       && allOnPhone;
    std::printf("folder phone first sync (best): %8.3f s\n", folderBest.seconds);
    std::printf("MTP phone first sync (best):    %8.3f s\n", mtpBest.seconds);
    if (!valid)
        std::printf("The synchronisations did not complete; the figures are not meaningful.\n");
    BenchSync::target("mtp_first_sync_sends_per_object", valid ? double(firstSends) / expectedSends : -1, 1.0);
    BenchSync::target("mtp_first_sync_listings_per_folder", valid ? maxListings : -1, 1.0);
    BenchSync::target("mtp_first_sync_vs_folder_phone",
           valid && folderBest.seconds > 0 ? mtpBest.seconds / folderBest.seconds : -1, 1.2);
    return 0;
}
