#include "BackupUnpacker.h"

#include "ManifestDbReader.h"
#include "MbdbReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

bool hasLineBreakOrNul(const QString& aText)
{
    for (QChar c : aText)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.unicode() == 0)
            return true;
    return false;
}

// Neither a link nor anything but a plain file.
bool isPlainFile(const QString& aPath)
{
    const QFileInfo info(aPath);
    return !info.isSymLink() && info.isFile();
}

bool isSqliteFile(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

} // namespace

BackupUnpacker::BackupUnpacker(const QString& aBackupFolder, const QString& aWorkingFolder,
                               QTextStream& aMessages, PasswordSource aPassword)
    : mBackupFolder(QDir(aBackupFolder).absolutePath()),
      mWorkingFolder(aWorkingFolder),
      mMessages(aMessages),
      mPassword(std::move(aPassword))
{
}

BackupUnpacker::Result BackupUnpacker::openEncryption()
{
    mManifest.load(mBackupFolder + QStringLiteral("/Manifest.plist"));
    if (!mManifest.mEncrypted)
        return kListWritten;
    BackupKeybag keybag;
    if (!keybag.parse(mManifest.mKeybag)) {
        mMessages << "pellmar-extract: the backup is encrypted and its keybag cannot be read: "
                  << (mManifest.mKeybag.isEmpty() ? QStringLiteral("Manifest.plist holds none")
                                                  : keybag.error())
                  << "\n";
        return kUnreadable;
    }
    QByteArray password = mPassword ? mPassword() : QByteArray();
    if (password.isEmpty()) {
        mMessages << "pellmar-extract: the backup is encrypted; its password is read from "
                     "standard input\n";
        return kNoPassword;
    }
    mMessages << "pellmar-extract: checking the backup password\n";
    mMessages.flush();
    auto decryptor = std::make_unique<BackupDecryptor>();
    const BackupDecryptor::Unlock unlocked = decryptor->unlock(mManifest, password);
    password.fill('\0');
    if (unlocked == BackupDecryptor::Unlock::WrongPassword) {
        mMessages << "pellmar-extract: the backup password is not right\n";
        return kWrongPassword;
    }
    if (unlocked != BackupDecryptor::Unlock::Unlocked) {
        mMessages << "pellmar-extract: the backup is encrypted and its keybag cannot be read: "
                  << decryptor->error() << "\n";
        return kUnreadable;
    }
    mDecryptor = std::move(decryptor);
    return kListWritten;
}

BackupUnpacker::Result BackupUnpacker::checkPassword()
{
    if (!QFileInfo(mBackupFolder).isDir()) {
        mMessages << "pellmar-extract: not a backup folder: " << mBackupFolder << "\n";
        return kUnreadable;
    }
    const Result result = openEncryption();
    if (result == kListWritten)
        mMessages << (mDecryptor ? "pellmar-extract: the backup password is right\n"
                                 : "pellmar-extract: the backup is not encrypted\n");
    return result;
}

BackupIndex BackupUnpacker::readEncryptedIndex(const QString& aManifestDb)
{
    // The plain index exists only while it is read, in the private working folder.
    const QString plain = mWorkingFolder + QStringLiteral("/Manifest.db.plain");
    if (!mDecryptor->decryptIndex(aManifestDb, plain)) {
        mMessages << "pellmar-extract: " << mDecryptor->error() << "\n";
        QFile::remove(plain);
        BackupIndex failed;
        failed.mPath = aManifestDb;
        return failed;
    }
    BackupIndex index = ManifestDbReader::read(plain, true);
    QFile::remove(plain);
    index.mPath = aManifestDb;
    if (!index.mReadable)
        mMessages << "pellmar-extract: Manifest.db cannot be read once decrypted\n";
    return index;
}

bool BackupUnpacker::isValidFileId(const QString& aFileId)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{40}$"));
    return pattern.match(aFileId).hasMatch();
}

QStringList BackupUnpacker::safeComponents(const QString& aRelativePath)
{
    if (aRelativePath.startsWith(QLatin1Char('/')) || hasLineBreakOrNul(aRelativePath))
        return {};
    QStringList components;
    for (const QString& part : aRelativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            return {};
        if (part != QLatin1String("."))
            components << part;
    }
    return components;
}

bool BackupUnpacker::isSafeDomain(const QString& aDomain)
{
    return !aDomain.isEmpty() && aDomain != QLatin1String(".") && aDomain != QLatin1String("..")
           && !aDomain.contains(QLatin1Char('/')) && !hasLineBreakOrNul(aDomain);
}

BackupIndex BackupUnpacker::readIndex()
{
    const QString manifestDb = mBackupFolder + QStringLiteral("/Manifest.db");
    const QString manifestMbdb = mBackupFolder + QStringLiteral("/Manifest.mbdb");
    // Encrypted backups of iOS 10.0 and 10.1 keep Manifest.db itself plain.
    if (isPlainFile(manifestDb) && mDecryptor && !mManifest.mManifestKey.isEmpty()
        && !isSqliteFile(manifestDb))
        return readEncryptedIndex(manifestDb);
    if (isPlainFile(manifestDb)) {
        BackupIndex index = ManifestDbReader::read(manifestDb, mDecryptor != nullptr);
        index.mPath = manifestDb;
        if (index.mReadable)
            return index;
        mMessages << "pellmar-extract: Manifest.db cannot be read\n";
    }
    if (isPlainFile(manifestMbdb)) {
        BackupIndex index = MbdbReader::read(manifestMbdb);
        index.mPath = manifestMbdb;
        if (!index.mReadable)
            mMessages << "pellmar-extract: Manifest.mbdb cannot be read\n";
        return index;
    }
    mMessages << "pellmar-extract: no backup index (Manifest.db or Manifest.mbdb) in "
              << mBackupFolder << "\n";
    return {};
}

QString BackupUnpacker::storedFile(const QString& aFileId) const
{
    const QString shard = mBackupFolder + QLatin1Char('/') + aFileId.left(2);
    const QString sharded = shard + QLatin1Char('/') + aFileId;
    if (!QFileInfo(shard).isSymLink() && isPlainFile(sharded))
        return sharded;
    const QString flat = mBackupFolder + QLatin1Char('/') + aFileId;
    if (isPlainFile(flat))
        return flat;
    return QString();
}

QString BackupUnpacker::sourceFor(const BackupEntry& aEntry)
{
    if (!aEntry.mRegularFile)
        return QString();
    if (!isValidFileId(aEntry.mFileId)) {
        mMessages << "pellmar-extract: skipped entry with invalid file id\n";
        return QString();
    }
    if (safeComponents(aEntry.mRelativePath).isEmpty() || !isSafeDomain(aEntry.mDomain)) {
        mMessages << "pellmar-extract: skipped unsafe path of " << aEntry.mFileId << "\n";
        return QString();
    }
    // Partial backups list many files they do not hold: an empty result.
    return storedFile(aEntry.mFileId);
}

bool BackupUnpacker::unpack(const BackupEntry& aEntry, const QString& aSource,
                            QString& aUnpackedPath)
{
    const QStringList components = safeComponents(aEntry.mRelativePath);
    const QString target =
        mUnpackRoot + QLatin1Char('/') + aEntry.mDomain + QLatin1Char('/') + components.join('/');
    const QString parent = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(parent))
        return false;
    // Whatever the names, the file must land below the unpack folder.
    const QString realParent = QFileInfo(parent).canonicalFilePath();
    if (realParent.isEmpty() || !(realParent + QLatin1Char('/')).startsWith(mUnpackRoot + '/')) {
        mMessages << "pellmar-extract: skipped path leaving the working folder\n";
        return false;
    }
    const QString realTarget = realParent + QLatin1Char('/') + components.last();
    const QFileInfo existing(realTarget);
    if (existing.isSymLink() || existing.exists()) {
        if (existing.isDir() && !existing.isSymLink())
            return false;
        QFile::remove(realTarget);
    }
    if (mDecryptor) {
        if (!mDecryptor->decryptFile(aEntry, aSource, realTarget)) {
            mDecryptionError = aEntry.mDomain + QLatin1Char('/') + aEntry.mRelativePath
                               + QStringLiteral(" cannot be decrypted: ") + mDecryptor->error();
            return false;
        }
    } else if (!QFile::copy(aSource, realTarget)) {
        mMessages << "pellmar-extract: could not copy " << aEntry.mFileId << "\n";
        return false;
    }
    QFile::setPermissions(realTarget, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    aUnpackedPath = realTarget;
    return true;
}

BackupUnpacker::Result BackupUnpacker::run()
{
    if (!QFileInfo(mBackupFolder).isDir()) {
        mMessages << "pellmar-extract: not a backup folder: " << mBackupFolder << "\n";
        return kUnreadable;
    }
    const Result encryption = openEncryption();
    if (encryption != kListWritten)
        return encryption;
    // The decrypted index is read from the working folder.
    if (mDecryptor && !QDir().mkpath(mWorkingFolder)) {
        mMessages << "pellmar-extract: cannot create " << mWorkingFolder << "\n";
        return kUnreadable;
    }
    const BackupIndex index = readIndex();
    if (!index.mReadable)
        return kUnreadable;
    // An index cut right after its header, or garbage behind one, lists nothing; a backup
    // of a phone always holds files, so that is no backup to unpack.
    if (index.mEntries.isEmpty()) {
        mMessages << "pellmar-extract: the backup index " << index.mPath
                  << (index.mTruncated ? " is damaged: no entry could be read\n"
                                       : " lists no files\n");
        return kUnreadable;
    }
    if (index.mTruncated)
        mMessages << "pellmar-extract: the backup index " << index.mPath
                  << " is damaged; using the " << index.mEntries.size()
                  << " entries before the damage\n";

    if (!QDir().mkpath(mWorkingFolder)) {
        mMessages << "pellmar-extract: cannot create " << mWorkingFolder << "\n";
        return kUnreadable;
    }
    const QString workingFolder = QFileInfo(mWorkingFolder).canonicalFilePath();
    mUnpackRoot = workingFolder + QLatin1Char('/') + QLatin1String(kUnpackedFolder);
    const QFileInfo unpackRoot(mUnpackRoot);
    if (unpackRoot.isSymLink() || (unpackRoot.exists() && !unpackRoot.isDir())
        || !QDir().mkpath(mUnpackRoot)) {
        mMessages << "pellmar-extract: cannot create " << mUnpackRoot << "\n";
        return kUnreadable;
    }

    QSaveFile list(workingFolder + QLatin1Char('/') + QLatin1String(kListName));
    if (!list.open(QIODevice::WriteOnly)) {
        mMessages << "pellmar-extract: cannot write the backup file list\n";
        return kUnreadable;
    }
    // Small files first: when the disk fills up, the databases are in and only the largest
    // files (videos) are missing.
    QList<Planned> plan;
    for (int i = 0; i < index.mEntries.size(); ++i) {
        const QString source = sourceFor(index.mEntries.at(i));
        if (!source.isEmpty())
            plan.append({i, source, QFileInfo(source).size(), QString()});
    }
    QList<Planned*> bySize;
    for (Planned& p : plan)
        bySize.append(&p);
    std::stable_sort(bySize.begin(), bySize.end(),
                     [](const Planned* a, const Planned* b) { return a->mSize < b->mSize; });
    for (Planned* p : bySize) {
        unpack(index.mEntries.at(p->mIndex), p->mSource, p->mUnpacked);
        // Half a decrypted backup is no backup: nothing of it is left behind.
        if (!mDecryptionError.isEmpty()) {
            mMessages << "pellmar-extract: " << mDecryptionError << "\n";
            list.cancelWriting();
            QDir(mUnpackRoot).removeRecursively();
            return kUnreadable;
        }
    }

    // The list keeps the order of the backup's index.
    int unpacked = 0;
    for (const Planned& p : std::as_const(plan)) {
        if (p.mUnpacked.isEmpty())
            continue;
        const BackupEntry& entry = index.mEntries.at(p.mIndex);
        const QString place = entry.mDomain + safeComponents(entry.mRelativePath).join('/');
        list.write(p.mUnpacked.toUtf8() + '\n' + place.toUtf8() + '\n');
        ++unpacked;
    }
    if (!list.commit()) {
        mMessages << "pellmar-extract: cannot write the backup file list\n";
        return kUnreadable;
    }
    mMessages << "pellmar-extract: unpacked " << unpacked << " of " << index.mEntries.size()
              << " entries\n";
    return index.mTruncated ? kDamaged : kListWritten;
}
