#include "library/LibraryFactory.h"

#include "app/DebugLog.h"
#include "library/itunes/ITunesXmlLibrary.h"
#include "library/itunes/LibraryLocator.h"
#include "library/rhythmbox/RhythmboxSource.h"
#include "library/strawberry/StrawberrySource.h"
#include "settings/SyncSettings.h"

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
    SyncSettings settings;
    settings.load();
    settings.setITunesLibraryPath(aPath);
    settings.save();
}
