#include "settings/PhoneSettings.h"

PhoneSettings::PhoneSettings(std::shared_ptr<const Record> aRecord)
    : mRecord(std::move(aRecord))
{
}

QString PhoneSettings::stored(const QString& aTag, const QString& aFallback) const
{
    if (!mRecord)
        return aFallback;
    const auto found = mRecord->values.constFind(aTag);
    return found == mRecord->values.constEnd() ? aFallback : *found;
}

QString PhoneSettings::id() const
{
    return mRecord ? mRecord->id : QString();
}

QString PhoneSettings::name() const
{
    return stored(QLatin1String(SettingKeys::kNameTag), QString());
}

QString PhoneSettings::cacheFileName() const
{
    return stored(QLatin1String(SettingKeys::kCacheTag), QString());
}

int PhoneSettings::lineNumber() const
{
    return mRecord ? mRecord->lineNumber : -1;
}

bool PhoneSettings::flag(const SettingKey& aKey) const
{
    return flagFromText(text(aKey));
}

int PhoneSettings::number(const SettingKey& aKey) const
{
    return numberFromText(text(aKey));
}

QString PhoneSettings::text(const SettingKey& aKey) const
{
    return stored(QLatin1String(aKey.name), QLatin1String(aKey.fallback));
}

bool PhoneSettings::syncEntireLibrary() const
{
    if (!mRecord)
        return false;
    const QStringList& named = mRecord->playlistElements;
    // The lone marker means no music, not the whole library.
    return named.isEmpty() || named.constFirst().isEmpty();
}

QStringList PhoneSettings::playlists() const
{
    if (!mRecord)
        return QStringList();
    const QStringList& named = mRecord->playlistElements;
    if (named.isEmpty())
        return QStringList{QString()};
    if (named.size() == 1 && named.constFirst() == QLatin1String(SettingKeys::kDontSyncMusic))
        return QStringList();
    return named;
}

QStringList PhoneSettings::podcasts() const
{
    if (!mRecord)
        return QStringList();
    const QStringList& named = mRecord->podcastElements;
    return named.isEmpty() ? QStringList{QString()} : named;
}

int PhoneSettings::getConfig(bool& aSyncEntireLibrary, int& aPodcastSyncSetting,
                             QStringList& aPlaylists, QStringList& aPodcasts) const
{
    if (!mRecord)
        return kNoSuchDevice;
    aSyncEntireLibrary = syncEntireLibrary();
    aPodcastSyncSetting = podcastSyncSetting();
    aPlaylists.append(playlists());
    aPodcasts.append(podcasts());
    return 0;
}

PhoneSettings::Entries PhoneSettings::list(const QString& aName) const
{
    if (!mRecord)
        return Entries();
    for (const auto& [name, entries] : mRecord->lists) {
        if (name == aName)
            return entries;
    }
    return Entries();
}
