#include "settings/SyncSettings.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "settings/DamagedSettingsCopy.h"
#include "settings/SettingsFileParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString kDevice = QLatin1String(SettingKeys::kDeviceTag);
const QString kId = QLatin1String(SettingKeys::kIdTag);
const QString kName = QLatin1String(SettingKeys::kNameTag);
const QString kCache = QLatin1String(SettingKeys::kCacheTag);
const QString kPlaylist = QLatin1String(SettingKeys::kPlaylistTag);
const QString kPodcast = QLatin1String(SettingKeys::kPodcastTag);
const QString kList = QLatin1String(SettingKeys::kListTag);
const QString kPodcastSyncSetting = QLatin1String(SettingKeys::kPodcastSyncSetting.name);
const QString kRunStarted = QLatin1String(SettingKeys::kRunStarted.name);

QString boolText(bool aValue)
{
    return aValue ? QStringLiteral("true") : QStringLiteral("false");
}

void appendTextElement(QDomDocument& aDocument, QDomElement& aParent, const QString& aTag,
                       const QString& aText)
{
    QDomElement child = aDocument.createElement(aTag);
    child.appendChild(aDocument.createTextNode(aText));
    aParent.appendChild(child);
}

} // namespace

QString SyncSettings::settingsFilePath()
{
    return SettingsSnapshot::filePath();
}

int SyncSettings::load()
{
    LogScope scope("SyncSettings::load");
    mDamagedCopyPath.clear();
    SettingsFileParser parser = SettingsFileParser::readFile(settingsFilePath());
    mDocument = parser.document();
    mDamaged = parser.state() == SettingsFileParser::State::Damaged;
    return parser.state() == SettingsFileParser::State::Missing ? kCantOpen : 0;
}

SettingsSnapshot SyncSettings::snapshot() const
{
    return SettingsSnapshot::fromDocument(mDocument);
}

int SyncSettings::update(const std::function<void(SyncSettings&)>& aChange)
{
    SyncSettings settings;
    settings.load();
    aChange(settings);
    return settings.save();
}

int SyncSettings::save()
{
    LogScope scope("SyncSettings::save");
    const QString path = settingsFilePath();
    if (mDamaged && QFileInfo::exists(path)) {
        // The file could not be read, so the document holds none of it: what the user had is
        // kept beside it before it is replaced, or nothing is replaced.
        mDamagedCopyPath = DamagedSettingsCopy::keep(path);
        if (mDamagedCopyPath.isEmpty()) {
            logMessage("Error opening file");
            logReturn(kSaveFailed);
            return kSaveFailed;
        }
    }
    QDomElement root = mDocument.documentElement();
    const QString format = QLatin1String(SettingKeys::kFormatAttribute);
    // A file from a newer program keeps its number: what it added is still in the document.
    if (!root.isNull() && root.attribute(format).toInt() < SettingKeys::kFormat)
        root.setAttribute(format, SettingKeys::kFormat);
    QDir().mkpath(AppPaths::corvoFolder());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        logMessage("Error opening file");
        logReturn(kSaveFailed);
        return kSaveFailed;
    }
    const QByteArray bytes = mDocument.toByteArray(0);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        // QSaveFile leaves the previous file in place when the write or the rename fails.
        logMessage("Error opening file");
        logValue("error", file.errorString());
        logReturn(kSaveFailed);
        return kSaveFailed;
    }
    mDamaged = false;
    logMessage("File opened");
    logReturn(0);
    return 0;
}

QDomElement SyncSettings::rootElement(bool aCreate)
{
    QDomElement root = mDocument.documentElement();
    if (root.isNull() && aCreate) {
        root = mDocument.createElement(QLatin1String(SettingKeys::kRootTag));
        mDocument.appendChild(root);
    }
    return root;
}

QDomElement SyncSettings::deviceElement(const QString& aId) const
{
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.firstChildElement(kDevice); !device.isNull();
         device = device.nextSiblingElement(kDevice)) {
        if (device.firstChildElement(kId).text() == aId)
            return device;
    }
    return QDomElement();
}

void SyncSettings::setStringValue(const QString& aId, const QString& aKey, const QString& aValue)
{
    QDomElement device = deviceElement(aId);
    if (device.isNull())
        return;
    const QDomElement old = device.firstChildElement(aKey);
    if (!old.isNull())
        device.removeChild(old);
    appendTextElement(mDocument, device, aKey, aValue);
}

void SyncSettings::setIntValue(const QString& aId, const QString& aKey, int aValue)
{
    setStringValue(aId, aKey, QString::number(aValue));
}

void SyncSettings::setBooleanValue(const QString& aId, const QString& aKey, bool aValue)
{
    setStringValue(aId, aKey, boolText(aValue));
}

void SyncSettings::setFlag(const QString& aId, const SettingKey& aKey, bool aValue)
{
    setBooleanValue(aId, QLatin1String(aKey.name), aValue);
}

void SyncSettings::setGlobalStringValue(const QString& aKey, const QString& aValue)
{
    QDomElement root = rootElement(true);
    for (QDomElement old = root.firstChildElement(aKey); !old.isNull();) {
        const QDomElement next = old.nextSiblingElement(aKey);
        root.removeChild(old);
        old = next;
    }
    appendTextElement(mDocument, root, aKey, aValue);
}

int SyncSettings::setConfig(const QString& aId, const QString& aName, bool aSyncEntireLibrary,
                            const QStringList& aPlaylists, int aPodcastSyncSetting,
                            const QStringList& aPodcasts)
{
    LogScope scope("SyncSettings::setConfig");
    const PhoneSettings before = snapshot().phone(aId);
    const auto& warnings = SettingKeys::kPreservedWarnings;
    bool preserved[std::size(warnings)];
    for (size_t i = 0; i < std::size(warnings); ++i)
        preserved[i] = before.flag(*warnings[i]);
    // Where the phone is, not what goes onto it: a new choice of music keeps it.
    const QString folder = before.phoneFolder();

    QDomElement root = rootElement(true);
    QString cacheName = before.cacheFileName();
    const QDomElement old = deviceElement(aId);
    if (!old.isNull())
        root.removeChild(old);
    if (cacheName.isEmpty())
        cacheName = generateUniqueCacheFilename();

    QDomElement device = mDocument.createElement(kDevice);
    appendTextElement(mDocument, device, kId, aId);
    appendTextElement(mDocument, device, kName, aName);
    appendTextElement(mDocument, device, kCache, cacheName);
    if (!aSyncEntireLibrary) {
        for (const QString& name : aPlaylists)
            appendTextElement(mDocument, device, kPlaylist, name);
        if (aPlaylists.isEmpty())
            appendTextElement(mDocument, device, kPlaylist, QLatin1String(kDontSyncMusic));
    }
    if (aPodcastSyncSetting == 2) {
        for (const QString& name : aPodcasts)
            appendTextElement(mDocument, device, kPodcast, name);
    }
    root.appendChild(device);
    for (size_t i = 0; i < std::size(warnings); ++i) {
        if (preserved[i])
            setFlag(aId, *warnings[i], true);
    }
    setIntValue(aId, kPodcastSyncSetting, aPodcastSyncSetting);
    if (!folder.isEmpty())
        setPhoneFolder(aId, folder);
    const int result = save();
    logReturn(result);
    return result;
}

QDomElement SyncSettings::findListElement(const QString& aId, const QString& aListName,
                                          bool aCreate)
{
    QDomElement device = deviceElement(aId);
    if (device.isNull())
        return QDomElement();
    for (QDomElement list = device.firstChildElement(kList); !list.isNull();
         list = list.nextSiblingElement(kList)) {
        if (list.attribute(kName) == aListName)
            return list;
    }
    if (!aCreate)
        return QDomElement();
    QDomElement list = mDocument.createElement(kList);
    list.setAttribute(kName, aListName);
    device.appendChild(list);
    return list;
}

void SyncSettings::removeSettingsList(const QString& aId, const QString& aListName)
{
    QDomElement list = findListElement(aId, aListName, false);
    if (!list.isNull())
        list.parentNode().removeChild(list);
}

void SyncSettings::setSettingsList(const QString& aId, const QString& aListName,
                                   const QList<QPair<QString, QString>>& aEntries)
{
    removeSettingsList(aId, aListName);
    QDomElement list = findListElement(aId, aListName, true);
    for (const auto& pair : aEntries) {
        QDomElement entry = mDocument.createElement(QLatin1String(SettingKeys::kListEntryTag));
        entry.setAttribute(QStringLiteral("key"), pair.first);
        entry.setAttribute(QStringLiteral("value"), pair.second);
        list.appendChild(entry);
    }
}

bool SyncSettings::isGeneratedCacheFileName(const QString& aCacheFileName)
{
    static const QRegularExpression kGenerated(QStringLiteral("(^|[/\\\\])mcache[0-9]{1,9}$"));
    return kGenerated.match(aCacheFileName).hasMatch();
}

int SyncSettings::ensureGeneratedCacheFileName(const QString& aId)
{
    LogScope scope("SyncSettings::ensureGeneratedCacheFileName");
    QDomElement device = deviceElement(aId);
    if (device.isNull()) {
        logReturn(kNoSuchDevice);
        return kNoSuchDevice;
    }
    QDomElement cache = device.firstChildElement(kCache);
    if (isGeneratedCacheFileName(cache.text())) {
        logReturn(0);
        return 0;
    }
    logValue("Cache file name is not one this program makes; not used", cache.text());
    const QString name = generateUniqueCacheFilename();
    logValue("New cache file name", name);
    if (cache.isNull()) {
        appendTextElement(mDocument, device, kCache, name);
    } else {
        while (cache.hasChildNodes())
            cache.removeChild(cache.firstChild());
        cache.appendChild(mDocument.createTextNode(name));
    }
    const int result = save();
    logReturn(result);
    return result;
}

QString SyncSettings::generateUniqueCacheFilename() const
{
    const QStringList used = snapshot().usedCacheFileNames();
    const QString prefix = AppPaths::corvoFolder() + QStringLiteral("/mcache");
    for (int n = 0;; ++n) {
        const QString candidate = prefix + QString::number(n);
        // A cache file left behind by a phone whose settings are gone would hand its records
        // to the new phone, which would then never receive those tracks.
        if (!used.contains(candidate) && !QFileInfo::exists(candidate)
            && !QFileInfo::exists(candidate + QLatin1Char('p')))
            return candidate;
    }
}

#define PELLMAR_FLAG_SETTER(setter, key)                                                         \
    void SyncSettings::setter(const QString& aId, bool aValue)                                  \
    {                                                                                           \
        setFlag(aId, SettingKeys::key, aValue);                                                 \
    }

PELLMAR_FLAG_SETTER(setDeleteWithoutWarning, kDeleteWithoutWarning)
PELLMAR_FLAG_SETTER(setConvertAacToMp3, kConvertToMp3)
PELLMAR_FLAG_SETTER(setSkipUsbEjectWarning, kSkipUsbEjectWarning)
PELLMAR_FLAG_SETTER(setSkipDrmWarning, kSkipDrmWarning)
PELLMAR_FLAG_SETTER(setSkipNotCopiedWarning, kSkipNotCopiedWarning)
PELLMAR_FLAG_SETTER(setSkipNotDeletedWarning, kSkipNotDeletedWarning)
PELLMAR_FLAG_SETTER(setForceArtworkSync, kForceArtworkSync)
PELLMAR_FLAG_SETTER(setEnableArtworkSync, kEnableArtworkSync)
PELLMAR_FLAG_SETTER(setCopyTextMessages, kCopyTextMessages)
PELLMAR_FLAG_SETTER(setCopyAddressBook, kCopyAddressBook)
PELLMAR_FLAG_SETTER(setCopyPhotos, kCopyPhotos)
PELLMAR_FLAG_SETTER(setCopyNotes, kCopyNotes)
PELLMAR_FLAG_SETTER(setCopyCalendar, kCopyCalendar)
PELLMAR_FLAG_SETTER(setFirstUse, kFirstUse)

#undef PELLMAR_FLAG_SETTER

void SyncSettings::setNumberOfEpisodesToSync(const QString& aId, int aValue)
{
    setIntValue(aId, QLatin1String(SettingKeys::kEpisodesToSync.name), aValue);
}

void SyncSettings::setSelectedBackupPath(const QString& aId, const QString& aValue)
{
    setStringValue(aId, QLatin1String(SettingKeys::kBackupPath.name), aValue);
}

void SyncSettings::setPhoneFolder(const QString& aId, const QString& aFolder)
{
    setStringValue(aId, QLatin1String(SettingKeys::kPhoneFolder.name), aFolder);
}

void SyncSettings::setUnfinishedRunStart(const QString& aId, const QString& aTime)
{
    if (!aTime.isEmpty()) {
        setStringValue(aId, kRunStarted, aTime);
        return;
    }
    QDomElement device = deviceElement(aId);
    const QDomElement old = device.firstChildElement(kRunStarted);
    if (!old.isNull())
        device.removeChild(old);
}

void SyncSettings::setSkipUpdateMessage(const QString& aVersion)
{
    setGlobalStringValue(QLatin1String(SettingKeys::kSkipUpdateMessage.name), aVersion);
}

void SyncSettings::setITunesLibraryPath(const QString& aPath)
{
    setGlobalStringValue(QLatin1String(SettingKeys::kITunesLibrary.name), aPath);
}
