#pragma once

#include "settings/SettingKeys.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

// One phone's values as a settings snapshot holds them: read-only and cheap to copy. A phone
// that has not been set up has a view too, whose values are all the table's defaults.
class PhoneSettings
{
public:
    using Entries = QList<QPair<QString, QString>>;

    // What the file says about one phone (one `device` element).
    struct Record
    {
        QString id;
        int lineNumber = -1;
        // The text of the first child element of each tag.
        QHash<QString, QString> values;
        // The texts of every `playlist` and `podcast` child, in order.
        QStringList playlistElements;
        QStringList podcastElements;
        // The named lists, in order, with their (key, value) entries.
        QList<QPair<QString, Entries>> lists;
    };

    static constexpr int kNoSuchDevice = -6000;

    PhoneSettings() = default;
    explicit PhoneSettings(std::shared_ptr<const Record> aRecord);

    // True when the phone has been set up (it has a `device` element).
    bool isKnown() const { return mRecord != nullptr; }
    QString id() const;
    QString name() const;
    // The track-cache file the settings name; empty when none.
    QString cacheFileName() const;
    // The line of the phone's element in the file, -1 when unknown. Phones set up later stand
    // further down.
    int lineNumber() const;

    bool flag(const SettingKey& aKey) const;
    int number(const SettingKey& aKey) const;
    QString text(const SettingKey& aKey) const;

    // What music and podcasts go onto the phone. The whole library when no playlist is named
    // (playlists() is then one empty entry); no music at all when the only one is the
    // "don't sync" marker (playlists() is then empty).
    bool syncEntireLibrary() const;
    QStringList playlists() const;
    int podcastSyncSetting() const { return number(SettingKeys::kPodcastSyncSetting); }
    // The chosen podcasts; always at least one entry (an empty one when none is named).
    QStringList podcasts() const;
    // The four values above at once; kNoSuchDevice (and nothing set) for a phone not set up.
    int getConfig(bool& aSyncEntireLibrary, int& aPodcastSyncSetting, QStringList& aPlaylists,
                  QStringList& aPodcasts) const;

    // The entries of the named list; empty when there is no such list.
    Entries list(const QString& aName) const;

    bool deleteWithoutWarning() const { return flag(SettingKeys::kDeleteWithoutWarning); }
    bool convertAacToMp3() const { return flag(SettingKeys::kConvertToMp3); }
    bool skipUsbEjectWarning() const { return flag(SettingKeys::kSkipUsbEjectWarning); }
    bool skipDrmWarning() const { return flag(SettingKeys::kSkipDrmWarning); }
    bool skipNotCopiedWarning() const { return flag(SettingKeys::kSkipNotCopiedWarning); }
    bool skipNotDeletedWarning() const { return flag(SettingKeys::kSkipNotDeletedWarning); }
    bool forceArtworkSync() const { return flag(SettingKeys::kForceArtworkSync); }
    bool enableArtworkSync() const { return flag(SettingKeys::kEnableArtworkSync); }
    int numberOfEpisodesToSync() const { return number(SettingKeys::kEpisodesToSync); }
    bool copyTextMessages() const { return flag(SettingKeys::kCopyTextMessages); }
    bool copyAddressBook() const { return flag(SettingKeys::kCopyAddressBook); }
    bool copyPhotos() const { return flag(SettingKeys::kCopyPhotos); }
    bool copyNotes() const { return flag(SettingKeys::kCopyNotes); }
    bool copyCalendar() const { return flag(SettingKeys::kCopyCalendar); }
    bool firstUse() const { return flag(SettingKeys::kFirstUse); }
    QString selectedBackupPath() const { return text(SettingKeys::kBackupPath); }
    QString phoneFolder() const { return text(SettingKeys::kPhoneFolder); }
    QString unfinishedRunStart() const { return text(SettingKeys::kRunStarted); }

    // The value encodings of the file.
    static bool flagFromText(const QString& aText) { return aText == QLatin1String("true"); }
    static int numberFromText(const QString& aText) { return aText.toInt(); }

private:
    // The stored text of aTag, or aFallback when the phone or the value is missing.
    QString stored(const QString& aTag, const QString& aFallback) const;

    std::shared_ptr<const Record> mRecord;
};
