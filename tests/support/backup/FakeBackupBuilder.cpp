#include "backup/FakeBackupBuilder.h"

#include "TestPaths.h"
#include "app/AppPaths.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/FakeKeybag.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QUuid>
#include <QtEndian>

#include <plist/plist.h>

#include <cstdlib>

namespace {

QByteArray serialize(plist_t aRoot, FakeBackupBuilder::PlistFormat aFormat)
{
    char* data = nullptr;
    uint32_t length = 0;
    if (aFormat == FakeBackupBuilder::PlistFormat::Binary)
        plist_to_bin(aRoot, &data, &length);
    else
        plist_to_xml(aRoot, &data, &length);
    QByteArray result(data, qsizetype(length));
    free(data);
    plist_free(aRoot);
    return result;
}

// The "file" column of Manifest.db: an archived MBFile, as a binary plist.
QByteArray fileBlob(const QString& aRelativePath, qint64 aSize, int aFlags,
                    const QByteArray& aWrappedKey = QByteArray())
{
    plist_t file = plist_new_dict();
    plist_dict_set_item(file, "RelativePath", plist_new_string(aRelativePath.toUtf8().constData()));
    plist_dict_set_item(file, "Size", plist_new_uint(uint64_t(aSize)));
    const uint64_t mode = aFlags == FakeBackupBuilder::kFolderFlag ? 040755
                          : aFlags == FakeBackupBuilder::kLinkFlag  ? 0120755
                                                                    : 0100644;
    plist_dict_set_item(file, "Mode", plist_new_uint(mode));
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_array_append_item(objects, file);
    if (!aWrappedKey.isEmpty()) {
        // NSData is archived as an object of its own holding the bytes.
        plist_t data = plist_new_dict();
        plist_dict_set_item(data, "NS.data",
                            plist_new_data(aWrappedKey.constData(), uint64_t(aWrappedKey.size())));
        plist_array_append_item(objects, data);
        plist_dict_set_item(file, "EncryptionKey", plist_new_uid(2));
        plist_dict_set_item(file, "ProtectionClass", plist_new_uint(3));
    }
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_dict_set_item(root, "$top", top);
    plist_dict_set_item(root, "$objects", objects);
    return serialize(root, FakeBackupBuilder::PlistFormat::Binary);
}

void appendU16(QByteArray& aOut, quint16 aValue)
{
    aOut.append(char(aValue >> 8)).append(char(aValue & 0xFF));
}

void appendNumber(QByteArray& aOut, quint64 aValue, int aBytes)
{
    for (int i = aBytes - 1; i >= 0; --i)
        aOut.append(char((aValue >> (8 * i)) & 0xFF));
}

void appendString(QByteArray& aOut, const QByteArray& aValue)
{
    if (aValue.isNull()) {
        appendU16(aOut, 0xFFFF);
        return;
    }
    appendU16(aOut, quint16(aValue.size()));
    aOut.append(aValue);
}

} // namespace

FakeBackupBuilder::FakeBackupBuilder(const QString& aFolder, Index aIndex, Storage aStorage)
    : mFolder(QDir::cleanPath(aFolder)), mIndex(aIndex), mStorage(aStorage)
{
}

QString FakeBackupBuilder::fileIdFor(const QString& aDomain, const QString& aRelativePath)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((aDomain + QLatin1Char('-') + aRelativePath).toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex());
}

FakeBackupBuilder::Entry FakeBackupBuilder::entryFor(const QString& aDomain,
                                                     const QString& aRelativePath)
{
    Entry entry;
    entry.mFileId = fileIdFor(aDomain, aRelativePath);
    entry.mDomain = aDomain;
    entry.mRelativePath = aRelativePath;
    return entry;
}

QString FakeBackupBuilder::addFile(const QString& aDomain, const QString& aRelativePath,
                                   const QByteArray& aContents)
{
    Entry entry = entryFor(aDomain, aRelativePath);
    entry.mContents = aContents.isNull() ? QByteArray("") : aContents;
    mEntries.append(entry);
    return entry.mFileId;
}

QString FakeBackupBuilder::addFileFrom(const QString& aDomain, const QString& aRelativePath,
                                       const QString& aSourcePath)
{
    Entry entry = entryFor(aDomain, aRelativePath);
    entry.mSourcePath = aSourcePath;
    mEntries.append(entry);
    return entry.mFileId;
}

QString FakeBackupBuilder::addMissingFile(const QString& aDomain, const QString& aRelativePath)
{
    Entry entry = entryFor(aDomain, aRelativePath);
    entry.mStored = false;
    mEntries.append(entry);
    return entry.mFileId;
}

void FakeBackupBuilder::addFolder(const QString& aDomain, const QString& aRelativePath)
{
    Entry entry = entryFor(aDomain, aRelativePath);
    entry.mFlags = kFolderFlag;
    entry.mStored = false;
    mEntries.append(entry);
}

QString FakeBackupBuilder::addLink(const QString& aDomain, const QString& aRelativePath,
                                   const QString& aLinkTarget)
{
    Entry entry = entryFor(aDomain, aRelativePath);
    entry.mFlags = kLinkFlag;
    entry.mLinkTarget = aLinkTarget;
    mEntries.append(entry);
    return entry.mFileId;
}

void FakeBackupBuilder::addRawEntry(const QString& aFileId, const QString& aDomain,
                                    const QString& aRelativePath, int aFlags,
                                    const QByteArray& aContents)
{
    Entry entry;
    entry.mFileId = aFileId;
    entry.mDomain = aDomain;
    entry.mRelativePath = aRelativePath;
    entry.mFlags = aFlags;
    entry.mContents = aContents;
    const bool plainName = !aFileId.isEmpty() && !aFileId.contains(QLatin1Char('/'))
                           && aFileId != QLatin1String("..") && aFileId != QLatin1String(".");
    entry.mStored = !aContents.isNull() && plainName;
    mEntries.append(entry);
}

void FakeBackupBuilder::setInfoPlist(const QString& aDeviceName, PlistFormat aFormat)
{
    plist_t root = plist_new_dict();
    const QByteArray name = aDeviceName.toUtf8();
    plist_dict_set_item(root, "Build Version", plist_new_string("8J2"));
    plist_dict_set_item(root, "Device Name", plist_new_string(name.constData()));
    plist_dict_set_item(root, "Display Name", plist_new_string(name.constData()));
    plist_dict_set_item(root, "Product Type", plist_new_string("iPhone3,1"));
    plist_dict_set_item(root, "Product Version", plist_new_string("4.3.3"));
    mInfoPlist = serialize(root, aFormat);
}

void FakeBackupBuilder::setEncryption(const FakeKeybag* aKeybag, const QString& aProductVersion)
{
    mKeybag = aKeybag;
    mProductVersion = aProductVersion;
}

bool FakeBackupBuilder::encryptEntries()
{
    for (Entry& entry : mEntries) {
        if (!entry.mStored || entry.mFlags != kFileFlag)
            continue;
        QByteArray plain = entry.mContents;
        if (!entry.mSourcePath.isEmpty()) {
            QFile source(entry.mSourcePath);
            if (!source.open(QIODevice::ReadOnly))
                return false;
            plain = source.readAll();
            entry.mSourcePath.clear();
        }
        const QByteArray key = FakeKeybag::randomBytes(32);
        entry.mContents = FakeKeybag::encrypt(key, plain);
        entry.mPlainSize = plain.size();
        if (!mKeyless.contains(entry.mFileId))
            entry.mWrappedKey = mKeybag->wrapForClass(3, key);
    }
    return true;
}

bool FakeBackupBuilder::encryptManifestDb(QByteArray& aManifestKey)
{
    QFile file(mFolder + QStringLiteral("/Manifest.db"));
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray key = FakeKeybag::randomBytes(32);
    // A database is a whole number of pages, so no padding is needed.
    const QByteArray cipher = FakeKeybag::encrypt(key, file.readAll(), false);
    aManifestKey = mKeybag->wrapForClass(4, key);
    return file.resize(0) && file.seek(0) && file.write(cipher) == cipher.size();
}

void FakeBackupBuilder::setManifestPlist(bool aEncrypted, PlistFormat aFormat)
{
    mManifestFormat = aFormat;
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "IsEncrypted", plist_new_bool(aEncrypted ? 1 : 0));
    plist_dict_set_item(root, "Version", plist_new_string("10.0"));
    mManifestPlist = serialize(root, aFormat);
}

QString FakeBackupBuilder::storedPath(const QString& aFileId) const
{
    if (mStorage == Storage::Flat)
        return mFolder + QLatin1Char('/') + aFileId;
    return mFolder + QLatin1Char('/') + aFileId.left(2) + QLatin1Char('/') + aFileId;
}

bool FakeBackupBuilder::writeStoredFiles()
{
    for (const Entry& entry : std::as_const(mEntries)) {
        if (!entry.mStored)
            continue;
        const QString path = storedPath(entry.mFileId);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return false;
        QFile::remove(path);
        if (!entry.mLinkTarget.isEmpty()) {
            if (!QFile::link(entry.mLinkTarget, path))
                return false;
        } else if (!entry.mSourcePath.isEmpty()) {
            if (!QFile::copy(entry.mSourcePath, path))
                return false;
        } else {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(entry.mContents) < 0)
                return false;
        }
    }
    return true;
}

bool FakeBackupBuilder::writeManifestDb()
{
    const QString path = mFolder + QStringLiteral("/Manifest.db");
    QFile::remove(path);
    const QString connection = QStringLiteral("fake-manifest-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            ok = query.exec(QStringLiteral(
                     "CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, "
                     "relativePath TEXT, flags INTEGER, file BLOB)"))
                 && query.exec(QStringLiteral(
                     "CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)"))
                 && db.transaction();
            for (const Entry& entry : std::as_const(mEntries)) {
                if (!ok)
                    break;
                query.prepare(QStringLiteral(
                    "INSERT OR REPLACE INTO Files VALUES (?, ?, ?, ?, ?)"));
                query.addBindValue(entry.mFileId);
                query.addBindValue(entry.mDomain);
                query.addBindValue(entry.mRelativePath);
                query.addBindValue(entry.mFlags);
                query.addBindValue(fileBlob(entry.mRelativePath,
                                            entry.mPlainSize >= 0 ? entry.mPlainSize
                                                                  : entry.mContents.size(),
                                            entry.mFlags, entry.mWrappedKey));
                ok = query.exec();
            }
            ok = ok && db.commit();
            if (ok && mManifestWal)
                ok = query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

bool FakeBackupBuilder::writeMbdb()
{
    QByteArray out("mbdb\x05\x00", 6);
    for (const Entry& entry : std::as_const(mEntries)) {
        const quint16 mode = entry.mFlags == kFolderFlag ? 040755
                             : entry.mFlags == kLinkFlag  ? 0120755
                                                          : 0100644;
        QByteArray size = entry.mContents;
        if (!entry.mSourcePath.isEmpty())
            size.resize(QFileInfo(entry.mSourcePath).size());
        if (entry.mPlainSize >= 0)
            size.resize(entry.mPlainSize);
        appendString(out, entry.mDomain.toUtf8());
        appendString(out, entry.mRelativePath.toUtf8());
        appendString(out, entry.mFlags == kLinkFlag ? entry.mLinkTarget.toUtf8() : QByteArray());
        appendString(out, QCryptographicHash::hash(size, QCryptographicHash::Sha1));
        appendString(out, entry.mWrappedKey.isEmpty() ? QByteArray() : entry.mWrappedKey);
        appendU16(out, mode);
        appendNumber(out, 1000 + quint64(out.size()), 8); // inode
        appendNumber(out, 501, 4);
        appendNumber(out, 501, 4);
        for (int i = 0; i < 3; ++i)
            appendNumber(out, 1300000000, 4);
        appendNumber(out, quint64(size.size()), 8);
        out.append(char(entry.mFlags == kFileFlag ? 4 : 0));
        out.append(char(1)); // one property pair
        appendString(out, "com.apple.backup.test");
        appendString(out, "1");
    }
    QFile file(mFolder + QStringLiteral("/Manifest.mbdb"));
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

bool FakeBackupBuilder::write()
{
    // Encryption rewrites the entries for this writing only.
    const QList<Entry> plainEntries = mEntries;
    const auto restore = qScopeGuard([&] { mEntries = plainEntries; });
    if (mKeybag && !encryptEntries())
        return false;
    if (!QDir().mkpath(mFolder) || !writeStoredFiles())
        return false;
    if (mIndex == Index::ManifestDb ? !writeManifestDb() : !writeMbdb())
        return false;
    if (mKeybag) {
        QByteArray manifestKey;
        if (mIndex == Index::ManifestDb && !mPlainIndex && !encryptManifestDb(manifestKey))
            return false;
        plist_t root = plist_new_dict();
        const QByteArray keybag = mKeybagOverride.isNull() ? mKeybag->bytes() : mKeybagOverride;
        plist_dict_set_item(root, "BackupKeyBag",
                            plist_new_data(keybag.constData(), uint64_t(keybag.size())));
        plist_dict_set_item(root, "IsEncrypted", plist_new_bool(1));
        if (!manifestKey.isEmpty())
            plist_dict_set_item(root, "ManifestKey", plist_new_data(manifestKey.constData(),
                                                                    uint64_t(manifestKey.size())));
        plist_t lockdown = plist_new_dict();
        plist_dict_set_item(lockdown, "ProductVersion",
                            plist_new_string(mProductVersion.toUtf8().constData()));
        plist_dict_set_item(root, "Lockdown", lockdown);
        plist_dict_set_item(root, "Version", plist_new_string("10.0"));
        mManifestPlist = serialize(root, mManifestFormat);
    }
    const QList<QPair<QString, QByteArray>> plists = {
        {QStringLiteral("Info.plist"), mInfoPlist},
        {QStringLiteral("Manifest.plist"), mManifestPlist}};
    for (const auto& [name, data] : plists) {
        if (data.isNull())
            continue;
        QFile file(mFolder + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return false;
    }
    return true;
}

QString FakeBackupBuilder::workingFolder()
{
    return AppPaths::corvoFolder() + QStringLiteral("/extracted/");
}

bool FakeBackupBuilder::prepareExtraction()
{
    const QString tool = TestPaths::program(QStringLiteral("pellmar-extract"));
    if (tool.isEmpty())
        return false;
    const QByteArray toolFolder = QFile::encodeName(QFileInfo(tool).absolutePath());
    const QByteArray path = qgetenv("PATH");
    if (!path.split(':').contains(toolFolder))
        qputenv("PATH", toolFolder + ':' + path);
    qputenv("PELLMAR_EXTRACT_SETTLE_MS", "0");
    return true;
}

int FakeBackupBuilder::extract(AppleExtractor& aExtractor) const
{
    prepareExtraction();
    return aExtractor.extractFromManifest(backupPath(), workingFolder());
}
