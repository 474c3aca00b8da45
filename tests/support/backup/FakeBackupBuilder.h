#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class AppleExtractor;
class FakeKeybag;

// Builds a whole iPhone backup folder as iTunes lays it out: the index ("Manifest.db" of iOS 10
// and later, or the older "Manifest.mbdb"), the stored files named by their file id (in
// two-character subfolders or flat), "Info.plist" and "Manifest.plist" (XML or binary, written
// with libplist). Nothing is written until write().
//
// Typical use in an exporter test:
//     FakeBackupBuilder backup(home + "/backups/B1");
//     backup.addFileFrom("HomeDomain", "Library/SMS/sms.db", fixturePath);
//     QVERIFY(backup.write());
//     AppleExtractor extractor;
//     QCOMPARE(backup.extract(extractor), 0);
class FakeBackupBuilder
{
public:
    enum class Index { ManifestDb, Mbdb };
    enum class Storage { Sharded, Flat };
    enum class PlistFormat { Xml, Binary };

    // Flags of Manifest.db entries.
    static constexpr int kFileFlag = 1;
    static constexpr int kFolderFlag = 2;
    static constexpr int kLinkFlag = 4;

    explicit FakeBackupBuilder(const QString& aFolder, Index aIndex = Index::ManifestDb,
                               Storage aStorage = Storage::Sharded);

    // The backup folder without and with the trailing separator.
    QString folder() const { return mFolder; }
    QString backupPath() const { return mFolder + QLatin1Char('/'); }

    // A regular file stored in the backup and listed in its index. Returns its file id.
    QString addFile(const QString& aDomain, const QString& aRelativePath,
                    const QByteArray& aContents);
    QString addFileFrom(const QString& aDomain, const QString& aRelativePath,
                        const QString& aSourcePath);
    // Listed in the index but not stored, as in partial backups.
    QString addMissingFile(const QString& aDomain, const QString& aRelativePath);
    void addFolder(const QString& aDomain, const QString& aRelativePath);
    // A symbolic link entry. The stored copy under its file id is made a real link to
    // aLinkTarget, so that a tool that follows links would copy the target.
    QString addLink(const QString& aDomain, const QString& aRelativePath,
                    const QString& aLinkTarget);
    // An index entry exactly as given (Manifest.db only): any file id, any flags. The contents,
    // when not null, are stored under the id in its subfolder if the id is a plain file name.
    void addRawEntry(const QString& aFileId, const QString& aDomain,
                     const QString& aRelativePath, int aFlags, const QByteArray& aContents);

    // Info.plist with "Display Name" (and "Device Name") set to aDeviceName.
    void setInfoPlist(const QString& aDeviceName, PlistFormat aFormat = PlistFormat::Xml);
    // Manifest.plist with IsEncrypted.
    void setManifestPlist(bool aEncrypted, PlistFormat aFormat = PlistFormat::Xml);

    // Encrypts the backup as iTunes does with a password: every stored file with a key of its
    // own (wrapped with its class key, protection class 3), Manifest.db with the key that
    // ManifestKey holds, and Manifest.plist carrying the keybag (IsEncrypted true). aKeybag
    // must outlive write().
    void setEncryption(const FakeKeybag* aKeybag, const QString& aProductVersion = "14.2");
    // The bytes written as BackupKeyBag instead of the keybag's own (a damaged keybag).
    void setKeybagBytes(const QByteArray& aBytes) { mKeybagOverride = aBytes; }
    // The record of this file is written without its key.
    void omitKeyOf(const QString& aFileId) { mKeyless.append(aFileId); }
    // Manifest.db stays plain in an encrypted backup, as iOS 10.0 and 10.1 left it.
    void setPlainIndex(bool aPlain) { mPlainIndex = aPlain; }
    // Manifest.db is left in WAL mode, as iTunes leaves it.
    void setManifestWal(bool aWal) { mManifestWal = aWal; }

    // Writes the folder. False when something could not be written.
    bool write();

    // The id under which iTunes stores a file: lowercase hex SHA-1 of domain + "-" + path.
    static QString fileIdFor(const QString& aDomain, const QString& aRelativePath);

    // The application's working folder for extraction (CORVO/extracted/).
    static QString workingFolder();
    // Puts the built pellmar-extract on PATH and removes the wait for a missing list, so that
    // AppleExtractor runs the real tool at once. False when the tool has not been built.
    static bool prepareExtraction();
    // Runs the real extraction of this backup into workingFolder(); returns its result.
    int extract(AppleExtractor& aExtractor) const;

private:
    struct Entry
    {
        QString mFileId;
        QString mDomain;
        QString mRelativePath;
        int mFlags = kFileFlag;
        QByteArray mContents;
        QString mSourcePath;
        QString mLinkTarget;
        bool mStored = true;
        // Set when the backup is encrypted.
        QByteArray mWrappedKey;
        qint64 mPlainSize = -1;
    };

    // A plain file entry under the id iTunes gives aDomain and aRelativePath.
    static Entry entryFor(const QString& aDomain, const QString& aRelativePath);
    QString storedPath(const QString& aFileId) const;
    bool writeStoredFiles();
    bool writeManifestDb();
    bool writeMbdb();
    // Replaces the contents of every stored file with its encryption.
    bool encryptEntries();
    bool encryptManifestDb(QByteArray& aManifestKey);

    QString mFolder;
    Index mIndex;
    Storage mStorage;
    QList<Entry> mEntries;
    QByteArray mInfoPlist;
    QByteArray mManifestPlist;
    PlistFormat mManifestFormat = PlistFormat::Xml;
    const FakeKeybag* mKeybag = nullptr;
    QString mProductVersion;
    QByteArray mKeybagOverride;
    QStringList mKeyless;
    bool mManifestWal = false;
    bool mPlainIndex = false;
};
