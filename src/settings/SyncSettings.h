#pragma once

#include "settings/SettingKeys.h"
#include "settings/SettingsSnapshot.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// Changes the settings file "CORVO/corvo.xml": loads it, changes values in memory and saves it
// whole. Only this class writes the file; everyone who only reads takes a SettingsSnapshot.
class SyncSettings
{
public:
    static constexpr int kCantOpen = -5003;
    // The file could not be written; the previous file is kept.
    static constexpr int kSaveFailed = -5004;
    static constexpr int kNoSuchDevice = -6000;

    static constexpr const char* kDontSyncMusic = SettingKeys::kDontSyncMusic;

    // Full path of the settings file.
    static QString settingsFilePath();
    // Reads the file, lets aChange edit it and saves: for changing a value or two. The result
    // of save.
    static int update(const std::function<void(SyncSettings&)>& aChange);

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

    // A phone's value: when the phone has an element, its first child named aKey is replaced
    // by one at the end; for a phone without one nothing happens.
    void setStringValue(const QString& aId, const QString& aKey, const QString& aValue);
    void setIntValue(const QString& aId, const QString& aKey, int aValue);
    void setBooleanValue(const QString& aId, const QString& aKey, bool aValue);
    // A global value: every earlier child of the root named aKey gives way to one at the end.
    void setGlobalStringValue(const QString& aKey, const QString& aValue);

    // Replaces the phone's element as a whole: id, name, cache, the music and podcast choice;
    // keeps the warning choices that were on and the phone's folder, drops the other values.
    // Saves; the result of save.
    int setConfig(const QString& aId, const QString& aName, bool aSyncEntireLibrary,
                  const QStringList& aPlaylists, int aPodcastSyncSetting,
                  const QStringList& aPodcasts);

    void removeSettingsList(const QString& aId, const QString& aListName);
    // Replaces the named list with one "entry" element per pair (key, value), in order.
    void setSettingsList(const QString& aId, const QString& aListName,
                         const QList<QPair<QString, QString>>& aEntries);

    // The first name of the form CORVO/mcacheN that no phone uses and no file left behind
    // holds.
    QString generateUniqueCacheFilename() const;
    // A name of the form generateUniqueCacheFilename makes ("mcache" and a number, in any
    // folder: a settings file may come from another home). Any other name (the settings file
    // itself, another file of the user's) must never be written or deleted as a cache.
    static bool isGeneratedCacheFileName(const QString& aCacheFileName);
    // Gives the phone aId a generated cache name in place of one that is missing or not of the
    // generated form, and saves. 0 when the phone's name is usable (now); kNoSuchDevice or
    // kSaveFailed otherwise.
    int ensureGeneratedCacheFileName(const QString& aId);

    void setDeleteWithoutWarning(const QString& aId, bool aValue);
    void setConvertAacToMp3(const QString& aId, bool aValue);
    void setSkipUsbEjectWarning(const QString& aId, bool aValue);
    void setSkipDrmWarning(const QString& aId, bool aValue);
    void setSkipNotCopiedWarning(const QString& aId, bool aValue);
    void setSkipNotDeletedWarning(const QString& aId, bool aValue);
    void setForceArtworkSync(const QString& aId, bool aValue);
    void setEnableArtworkSync(const QString& aId, bool aValue);
    void setNumberOfEpisodesToSync(const QString& aId, int aValue);
    void setCopyTextMessages(const QString& aId, bool aValue);
    void setCopyAddressBook(const QString& aId, bool aValue);
    void setCopyPhotos(const QString& aId, bool aValue);
    void setCopyNotes(const QString& aId, bool aValue);
    void setCopyCalendar(const QString& aId, bool aValue);
    void setFirstUse(const QString& aId, bool aValue);
    void setSelectedBackupPath(const QString& aId, const QString& aValue);
    void setPhoneFolder(const QString& aId, const QString& aFolder);
    // An empty aTime removes the value (the run finished).
    void setUnfinishedRunStart(const QString& aId, const QString& aTime);

    void setSkipUpdateMessage(const QString& aVersion);
    void setITunesLibraryPath(const QString& aPath);

private:
    void setFlag(const QString& aId, const SettingKey& aKey, bool aValue);
    QDomElement rootElement(bool aCreate);
    // The first `device` element whose `id` is aId, or a null element.
    QDomElement deviceElement(const QString& aId) const;
    QDomElement findListElement(const QString& aId, const QString& aListName, bool aCreate);

    QString mDamagedCopyPath;
    QDomDocument mDocument;
    bool mDamaged = false;
};
