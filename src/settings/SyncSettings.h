#pragma once

#include "settings/SettingsSnapshot.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// Typed access to the settings file "CORVO/corvo.xml": a few global values and one `device`
// element per phone, keyed by the phone's unique id. Every reader loads, reads and drops the
// object; every writer loads, changes and saves. Nothing is cached between loads.
class SyncSettings
{
public:
    static constexpr int kCantOpen = -5003;
    // The file could not be written; the previous file is kept.
    static constexpr int kSaveFailed = -5004;
    static constexpr int kNoSuchDevice = -6000;

    static constexpr const char* kDontSyncMusic = "###DONT-SYNC-MUSIC###";

    // Full path of the settings file.
    static QString settingsFilePath();

    // Reads the file; writes nothing. 0, or kCantOpen when there is no file to read.
    int load();
    // True when load found the file damaged (its document is then empty) and no save has
    // replaced it since.
    bool wasDamaged() const { return mDamaged; }
    // Writes the document. A file load found damaged is first copied aside; when that copy
    // cannot be made nothing is written (kSaveFailed).
    int save();
    // Set by save when it kept a damaged file's content ("corvo.xml.bad"); empty otherwise.
    const QString& damagedCopyPath() const { return mDamagedCopyPath; }
    // The values of the document as it is now, without reading the file again.
    SettingsSnapshot snapshot() const;
    // Reads the file, lets aChange edit it and saves: for changing a value or two. The result
    // of save.
    static int update(const std::function<void(SyncSettings&)>& aChange);

    QDomElement getDeviceElement(const QString& aId) const;
    int deviceLineNumber(const QString& aId) const;

    QString getStringValue(const QString& aId, const QString& aKey) const;
    int getIntValue(const QString& aId, const QString& aKey, int aDefault) const;
    bool getBooleanValue(const QString& aId, const QString& aKey, bool aDefault) const;
    void setStringValue(const QString& aId, const QString& aKey, const QString& aValue);
    void setIntValue(const QString& aId, const QString& aKey, int aValue);
    void setBooleanValue(const QString& aId, const QString& aKey, bool aValue);

    QString getGlobalStringValue(const QString& aKey) const;
    void setGlobalStringValue(const QString& aKey, const QString& aValue);

    int getCacheFileName(const QString& aId, QString& aCacheFileName) const;

    int getConfig(const QString& aId, bool& aSyncEntireLibrary, int& aPodcastSyncSetting,
                  QStringList& aPlaylists, QStringList& aPodcasts) const;
    int setConfig(const QString& aId, const QString& aName, bool aSyncEntireLibrary,
                  const QStringList& aPlaylists, int aPodcastSyncSetting,
                  const QStringList& aPodcasts);

    QDomElement findListElement(const QString& aId, const QString& aListName, bool aCreate);
    QList<QPair<QString, QString>> getSettingsList(const QString& aId,
                                                   const QString& aListName) const;
    void removeSettingsList(const QString& aId, const QString& aListName);
    // Replaces the named list with one "entry" element per pair (key, value), in order.
    void setSettingsList(const QString& aId, const QString& aListName,
                         const QList<QPair<QString, QString>>& aEntries);

    QStringList getUsedCacheFilenames() const;
    QString generateUniqueCacheFilename() const;
    // A name of the form generateUniqueCacheFilename makes ("mcache" and a number, in any
    // folder: a settings file may come from another home). Any other name (the settings file
    // itself, another file of the user's) must never be written or deleted as a cache.
    static bool isGeneratedCacheFileName(const QString& aCacheFileName);
    // Gives the phone aId a generated cache name in place of one that is missing or not of the
    // generated form, and saves. 0 when the phone's name is usable (now); kNoSuchDevice or
    // kSaveFailed otherwise.
    int ensureGeneratedCacheFileName(const QString& aId);

    // Per-phone values.
    bool deleteWithoutWarning(const QString& aId) const;
    void setDeleteWithoutWarning(const QString& aId, bool aValue);
    bool convertAacToMp3(const QString& aId) const;
    void setConvertAacToMp3(const QString& aId, bool aValue);
    bool skipUsbEjectWarning(const QString& aId) const;
    void setSkipUsbEjectWarning(const QString& aId, bool aValue);
    bool skipDrmWarning(const QString& aId) const;
    void setSkipDrmWarning(const QString& aId, bool aValue);
    bool skipNotCopiedWarning(const QString& aId) const;
    void setSkipNotCopiedWarning(const QString& aId, bool aValue);
    bool skipNotDeletedWarning(const QString& aId) const;
    void setSkipNotDeletedWarning(const QString& aId, bool aValue);
    bool forceArtworkSync(const QString& aId) const;
    void setForceArtworkSync(const QString& aId, bool aValue);
    bool enableArtworkSync(const QString& aId) const;
    void setEnableArtworkSync(const QString& aId, bool aValue);
    int numberOfEpisodesToSync(const QString& aId) const;
    void setNumberOfEpisodesToSync(const QString& aId, int aValue);
    bool copyTextMessages(const QString& aId) const;
    void setCopyTextMessages(const QString& aId, bool aValue);
    bool copyAddressBook(const QString& aId) const;
    void setCopyAddressBook(const QString& aId, bool aValue);
    bool copyPhotos(const QString& aId) const;
    void setCopyPhotos(const QString& aId, bool aValue);
    bool copyNotes(const QString& aId) const;
    void setCopyNotes(const QString& aId, bool aValue);
    bool copyCalendar(const QString& aId) const;
    void setCopyCalendar(const QString& aId, bool aValue);
    bool firstUse(const QString& aId) const;
    void setFirstUse(const QString& aId, bool aValue);
    QString selectedBackupPath(const QString& aId) const;
    void setSelectedBackupPath(const QString& aId, const QString& aValue);
    // The folder named as this phone when it was set up ("phone-folder"); empty for a phone
    // that is found by itself. setConfig keeps it.
    QString phoneFolder(const QString& aId) const;
    void setPhoneFolder(const QString& aId, const QString& aFolder);
    // Every phone's folder as (id, folder), in the order of the file (the phone set up last
    // comes last).
    QList<QPair<QString, QString>> phoneFolders() const;

    // When the run of this phone that has not finished began ("run-started", UTC, ISO 8601);
    // empty once a run finished. An empty aTime removes the value.
    QString unfinishedRunStart(const QString& aId) const;
    void setUnfinishedRunStart(const QString& aId, const QString& aTime);

    // Global values.
    // The update version the user chose not to be told about again ("dont-display-message").
    QString skipUpdateMessage() const;
    void setSkipUpdateMessage(const QString& aVersion);
    // The iTunes library file the user chose ("itunes-library"); empty when not chosen.
    QString iTunesLibraryPath() const;
    void setITunesLibraryPath(const QString& aPath);

    const QDomDocument& document() const { return mDocument; }

private:
    QDomElement rootElement(bool aCreate);
    // The value element aKey of the phone aId; null when the phone or the value is missing.
    QDomElement deviceValueElement(const QString& aId, const QString& aKey) const;
    QString mDamagedCopyPath;

    QDomDocument mDocument;
    bool mDamaged = false;
};
