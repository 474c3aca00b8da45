#include "library/LibraryFactory.h"

#include "app/DebugLog.h"
#include "library/LibraryFinder.h"
#include "library/LibrarySetting.h"
#include "library/folder/MusicFolderSource.h"
#include "library/itunes/ITunesXmlLibrary.h"
#include "library/itunes/LibraryLocator.h"
#include "library/rhythmbox/RhythmboxSource.h"
#include "library/strawberry/StrawberrySource.h"

#include <QFileInfo>
#include <QMutex>

namespace {
QMutex sMutex;
QString sChosenPath;
} // namespace

std::shared_ptr<LibrarySource> LibraryFactory::open(const QString& aPath)
{
    if (aPath.isEmpty())
        return nullptr;
    if (QFileInfo(aPath).isDir())
        return std::make_shared<MusicFolderSource>(aPath);
    if (RhythmboxSource::recognises(aPath))
        return std::make_shared<RhythmboxSource>(aPath);
    StrawberrySource::Player player = StrawberrySource::Player::Strawberry;
    if (StrawberrySource::recognises(aPath, &player))
        return std::make_shared<StrawberrySource>(aPath, player);
    return std::make_shared<ITunesXmlLibrary>(aPath);
}

bool LibraryFactory::locate(QString* aPath, QStringList* aTried)
{
    LogScope scope("LibraryFactory::locate");
    const QString chosen = chosenPath();
    const QStringList candidates =
        chosen.isEmpty() ? LibraryLocator::candidatePaths() : QStringList{chosen};
    if (aTried)
        *aTried = candidates;
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate)) {
            *aPath = candidate;
            logValue("Library", candidate);
            return true;
        }
    }
    logValue("Library not found; paths tried", candidates.join(QStringLiteral("; ")));
    // With no library chosen and none of iTunes's, the only library on this computer is the one
    // meant; among several the user has to choose.
    if (chosen.isEmpty()) {
        const QList<FoundLibrary> found = LibraryFinder::find();
        if (found.size() == 1) {
            *aPath = found.constFirst().mPath;
            logValue("The only library found", *aPath);
            return true;
        }
    }
    return false;
}

void LibraryFactory::setChosenPath(const QString& aPath)
{
    QMutexLocker lock(&sMutex);
    sChosenPath = aPath;
}

QString LibraryFactory::chosenPath()
{
    QMutexLocker lock(&sMutex);
    return sChosenPath;
}

void LibraryFactory::storeChosenPath(const QString& aPath)
{
    LogScope scope("LibraryFactory::storeChosenPath");
    LibrarySetting::store(LibrarySetting::kindOf(aPath), aPath);
}
