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
const QString kPhoneFolder = QLatin1String(SettingKeys::kPhoneFolder.name);

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
        root = mDocument.createElement(QStringLiteral("settings"));
        mDocument.appendChild(root);
    }
    return root;
}

QDomElement SyncSettings::getDeviceElement(const QString& aId) const
{
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.firstChildElement(kDevice); !device.isNull();
         device = device.nextSiblingElement(kDevice)) {
        if (device.firstChildElement(kId).text() == aId)
            return device;
    }
    return QDomElement();
}

int SyncSettings::deviceLineNumber(const QString& aId) const
{
    const QDomElement device = getDeviceElement(aId);
    return device.isNull() ? -1 : device.lineNumber();
}

QDomElement SyncSettings::deviceValueElement(const QString& aId, const QString& aKey) const
{
    const QDomElement device = getDeviceElement(aId);
    return device.isNull() ? QDomElement() : device.firstChildElement(aKey);
}

QString SyncSettings::getStringValue(const QString& aId, const QString& aKey) const
{
    const QDomElement child = deviceValueElement(aId, aKey);
    return child.isNull() ? QString() : child.text();
}

int SyncSettings::getIntValue(const QString& aId, const QString& aKey, int aDefault) const
{
    const QDomElement child = deviceValueElement(aId, aKey);
    if (child.isNull())
        return aDefault;
    return child.text().toInt(); // not a number reads as 0
}

bool SyncSettings::getBooleanValue(const QString& aId, const QString& aKey, bool aDefault) const
{
    const QDomElement child = deviceValueElement(aId, aKey);
    if (child.isNull())
        return aDefault;
    return child.text() == QLatin1String("true");
}

void SyncSettings::setStringValue(const QString& aId, const QString& aKey, const QString& aValue)
{
    QDomElement device = getDeviceElement(aId);
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

QString SyncSettings::getGlobalStringValue(const QString& aKey) const
{
    const QDomElement child = mDocument.documentElement().firstChildElement(aKey);
    return child.isNull() ? QString() : child.text();
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

int SyncSettings::getCacheFileName(const QString& aId, QString& aCacheFileName) const
{
    const QDomElement device = getDeviceElement(aId);
    if (device.isNull())
        return kNoSuchDevice;
    aCacheFileName = device.firstChildElement(kCache).text();
    return 0;
}

int SyncSettings::getConfig(const QString& aId, bool& aSyncEntireLibrary,
                            int& aPodcastSyncSetting, QStringList& aPlaylists,
                            QStringList& aPodcasts) const
{
    LogScope scope("SyncSettings::getConfig");
    const QDomElement device = getDeviceElement(aId);
    if (device.isNull()) {
        logReturn(kNoSuchDevice);
        return kNoSuchDevice;
    }
    QDomElement playlist = device.firstChildElement(kPlaylist);
    const QString first = playlist.isNull() ? QString() : playlist.text();
    aPlaylists.append(first);
    aSyncEntireLibrary = first.isEmpty();
    if (!playlist.isNull()) {
        for (playlist = playlist.nextSiblingElement(kPlaylist); !playlist.isNull();
             playlist = playlist.nextSiblingElement(kPlaylist))
            aPlaylists.append(playlist.text());
    }
    if (aPlaylists.size() == 1 && aPlaylists.first() == QLatin1String(kDontSyncMusic)) {
        aSyncEntireLibrary = false;
        aPlaylists.clear();
    }
    aPodcastSyncSetting = getIntValue(aId, kPodcastSyncSetting, 0);
    QDomElement podcast = device.firstChildElement(kPodcast);
    aPodcasts.append(podcast.isNull() ? QString() : podcast.text());
    if (!podcast.isNull()) {
        for (podcast = podcast.nextSiblingElement(kPodcast); !podcast.isNull();
             podcast = podcast.nextSiblingElement(kPodcast))
            aPodcasts.append(podcast.text());
    }
    logReturn(0);
    return 0;
}

int SyncSettings::setConfig(const QString& aId, const QString& aName, bool aSyncEntireLibrary,
                            const QStringList& aPlaylists, int aPodcastSyncSetting,
                            const QStringList& aPodcasts)
{
    LogScope scope("SyncSettings::setConfig");
    const auto& warnings = SettingKeys::kPreservedWarnings;
    bool preserved[std::size(warnings)];
    for (size_t i = 0; i < std::size(warnings); ++i)
        preserved[i] = getBooleanValue(aId, QLatin1String(warnings[i]->name), false);
    // Where the phone is, not what goes onto it: a new choice of music keeps it.
    const QString folder = phoneFolder(aId);

    QDomElement root = rootElement(true);
    QString cacheName;
    getCacheFileName(aId, cacheName);
    const QDomElement old = getDeviceElement(aId);
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
            setBooleanValue(aId, QLatin1String(warnings[i]->name), true);
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
    QDomElement device = getDeviceElement(aId);
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

QList<QPair<QString, QString>> SyncSettings::getSettingsList(const QString& aId,
                                                             const QString& aListName) const
{
    QList<QPair<QString, QString>> pairs;
    const QDomElement list =
        const_cast<SyncSettings*>(this)->findListElement(aId, aListName, false);
    for (QDomElement entry = list.firstChildElement(); !entry.isNull();
         entry = entry.nextSiblingElement())
        pairs.append({entry.attribute(QStringLiteral("key")),
                      entry.attribute(QStringLiteral("value"))});
    return pairs;
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
        QDomElement entry = mDocument.createElement(QStringLiteral("entry"));
        entry.setAttribute(QStringLiteral("key"), pair.first);
        entry.setAttribute(QStringLiteral("value"), pair.second);
        list.appendChild(entry);
    }
}

QStringList SyncSettings::getUsedCacheFilenames() const
{
    QStringList names;
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.lastChildElement(kDevice); !device.isNull();
         device = device.previousSiblingElement(kDevice)) {
        const QDomElement cache = device.firstChildElement(kCache);
        if (!cache.isNull())
            names.append(cache.text());
    }
    return names;
}

bool SyncSettings::isGeneratedCacheFileName(const QString& aCacheFileName)
{
    static const QRegularExpression kGenerated(QStringLiteral("(^|[/\\\\])mcache[0-9]{1,9}$"));
    return kGenerated.match(aCacheFileName).hasMatch();
}

int SyncSettings::ensureGeneratedCacheFileName(const QString& aId)
{
    LogScope scope("SyncSettings::ensureGeneratedCacheFileName");
    QDomElement device = getDeviceElement(aId);
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
    const QStringList used = getUsedCacheFilenames();
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

#define PELLMAR_BOOL_SETTING(getter, setter, key, fallback)                                     \
    bool SyncSettings::getter(const QString& aId) const                                         \
    {                                                                                           \
        return getBooleanValue(aId, QStringLiteral(key), fallback);                             \
    }                                                                                           \
    void SyncSettings::setter(const QString& aId, bool aValue)                                  \
    {                                                                                           \
        setBooleanValue(aId, QStringLiteral(key), aValue);                                      \
    }

PELLMAR_BOOL_SETTING(deleteWithoutWarning, setDeleteWithoutWarning, "delete-without-warning", false)
PELLMAR_BOOL_SETTING(convertAacToMp3, setConvertAacToMp3, "convert-to-mp3", false)
PELLMAR_BOOL_SETTING(skipUsbEjectWarning, setSkipUsbEjectWarning, "dont-warn-usb", false)
PELLMAR_BOOL_SETTING(skipDrmWarning, setSkipDrmWarning, "dont-warn-drm", false)
PELLMAR_BOOL_SETTING(skipNotCopiedWarning, setSkipNotCopiedWarning, "dont-warn-not-copied", false)
PELLMAR_BOOL_SETTING(skipNotDeletedWarning, setSkipNotDeletedWarning, "dont-warn-not-deleted",
                     false)
PELLMAR_BOOL_SETTING(forceArtworkSync, setForceArtworkSync, "force-album-art-sync", true)
PELLMAR_BOOL_SETTING(enableArtworkSync, setEnableArtworkSync, "enable-album-art-sync", true)
PELLMAR_BOOL_SETTING(copyTextMessages, setCopyTextMessages, "copy-text-messages", false)
PELLMAR_BOOL_SETTING(copyAddressBook, setCopyAddressBook, "copy-address-book", false)
PELLMAR_BOOL_SETTING(copyPhotos, setCopyPhotos, "copy-photos", false)
PELLMAR_BOOL_SETTING(copyNotes, setCopyNotes, "copy-notes", false)
PELLMAR_BOOL_SETTING(copyCalendar, setCopyCalendar, "copy-calendar", false)
PELLMAR_BOOL_SETTING(firstUse, setFirstUse, "first-use", false)

#undef PELLMAR_BOOL_SETTING

int SyncSettings::numberOfEpisodesToSync(const QString& aId) const
{
    return getIntValue(aId, QStringLiteral("number-of-episodes-to-sync"), 0);
}

void SyncSettings::setNumberOfEpisodesToSync(const QString& aId, int aValue)
{
    setIntValue(aId, QStringLiteral("number-of-episodes-to-sync"), aValue);
}

QString SyncSettings::selectedBackupPath(const QString& aId) const
{
    return getStringValue(aId, QStringLiteral("backup-path"));
}

void SyncSettings::setSelectedBackupPath(const QString& aId, const QString& aValue)
{
    setStringValue(aId, QStringLiteral("backup-path"), aValue);
}

QString SyncSettings::skipUpdateMessage() const
{
    return getGlobalStringValue(QStringLiteral("dont-display-message"));
}

void SyncSettings::setSkipUpdateMessage(const QString& aVersion)
{
    setGlobalStringValue(QStringLiteral("dont-display-message"), aVersion);
}

QString SyncSettings::phoneFolder(const QString& aId) const
{
    return getStringValue(aId, kPhoneFolder);
}

void SyncSettings::setPhoneFolder(const QString& aId, const QString& aFolder)
{
    setStringValue(aId, kPhoneFolder, aFolder);
}

QString SyncSettings::unfinishedRunStart(const QString& aId) const
{
    return getStringValue(aId, QStringLiteral("run-started"));
}

void SyncSettings::setUnfinishedRunStart(const QString& aId, const QString& aTime)
{
    if (!aTime.isEmpty()) {
        setStringValue(aId, QStringLiteral("run-started"), aTime);
        return;
    }
    QDomElement device = getDeviceElement(aId);
    const QDomElement old = device.firstChildElement(QStringLiteral("run-started"));
    if (!old.isNull())
        device.removeChild(old);
}

QList<QPair<QString, QString>> SyncSettings::phoneFolders() const
{
    QList<QPair<QString, QString>> folders;
    const QDomElement root = mDocument.documentElement();
    for (QDomElement device = root.firstChildElement(kDevice); !device.isNull();
         device = device.nextSiblingElement(kDevice)) {
        const QString folder = device.firstChildElement(kPhoneFolder).text();
        if (!folder.isEmpty())
            folders.append({device.firstChildElement(kId).text(), folder});
    }
    return folders;
}

QString SyncSettings::iTunesLibraryPath() const
{
    return getGlobalStringValue(QStringLiteral("itunes-library"));
}

void SyncSettings::setITunesLibraryPath(const QString& aPath)
{
    setGlobalStringValue(QStringLiteral("itunes-library"), aPath);
}
