// backup_decrypt_bench: pellmar-extract opening an encrypted backup, against OpenSSL's own
// command line on the same work in the same run.
//   - decryption: 200 MB of backup files unpacked by pellmar-extract, against
//     "openssl enc -d -aes-256-cbc" decrypting the same encrypted bytes; goal >= 0.7x its
//     throughput;
//   - key derivation: "pellmar-extract --check-password" on a keybag of N rounds, against
//     "openssl kdf" PBKDF2 with the same rounds (SHA-256, then SHA-1); goal within 1.2x;
//   - one derivation at the ten million rounds phones use.
#include "BenchSupport.h"
#include "TestPaths.h"
#include "backup/FakeBackupBuilder.h"
#include "backup/FakeKeybag.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

const QByteArray kPassword = "bench password";
constexpr qint64 kTotalBytes = 200LL * 1024 * 1024;
// Real backups hold many photos and a few videos.
constexpr int kVideos = 4;
constexpr qint64 kVideoBytes = 35LL * 1024 * 1024;
constexpr qint64 kPhotoBytes = 3LL * 1024 * 1024 + 517;

bool runProgram(const QString& aProgram, const QStringList& aArguments,
                const QByteArray& aInput = QByteArray(), QByteArray* aOutput = nullptr)
{
    QProcess process;
    process.start(aProgram, aArguments);
    if (!process.waitForStarted())
        return false;
    process.write(aInput);
    process.closeWriteChannel();
    if (!process.waitForFinished(-1))
        return false;
    if (aOutput)
        *aOutput = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(aProgram),
                     process.readAllStandardError().constData());
        return false;
    }
    return true;
}

QByteArray randomBytes(qint64 aSize)
{
    QByteArray bytes(aSize, Qt::Uninitialized);
    QRandomGenerator gen(42 + quint32(aSize));
    gen.fillRange(reinterpret_cast<quint32*>(bytes.data()), aSize / 4);
    return bytes;
}

// "openssl kdf" PBKDF2 of aPassword (hex) with aSalt (hex); the key as hex.
bool opensslPbkdf2(const QString& aDigest, const QByteArray& aHexPassword,
                   const QByteArray& aHexSalt, int aRounds, QByteArray& aKey)
{
    QByteArray out;
    if (!runProgram("openssl", {"kdf", "-keylen", "32", "-kdfopt", "digest:" + aDigest,
                                "-kdfopt", "hexpass:" + aHexPassword, "-kdfopt",
                                "hexsalt:" + aHexSalt, "-kdfopt",
                                "iter:" + QString::number(aRounds), "PBKDF2"},
                    QByteArray(), &out))
        return false;
    aKey = out.trimmed().replace(":", "").toLower();
    return aKey.size() == 64;
}

// The derivation a phone's keybag asks for, as OpenSSL's command line does it.
bool opensslDerivation(int aSha256Rounds, int aSha1Rounds)
{
    const QByteArray salt = QByteArray(20, 's').toHex();
    QByteArray first;
    QByteArray key;
    return opensslPbkdf2("SHA256", kPassword.toHex(), salt, aSha256Rounds, first)
           && opensslPbkdf2("SHA1", first, salt, aSha1Rounds, key);
}

// A small encrypted backup whose keybag asks for these rounds.
QString keybagBackup(const QString& aFolder, int aSha256Rounds, int aSha1Rounds)
{
    FakeKeybag keybag(kPassword, aSha1Rounds, aSha256Rounds);
    FakeBackupBuilder backup(aFolder);
    backup.addFile("HomeDomain", "Library/Notes/notes.sqlite", "notes");
    backup.setEncryption(&keybag);
    return backup.write() ? backup.backupPath() : QString();
}

bool checkPassword(const QString& aTool, const QString& aBackup)
{
    return runProgram(aTool, {"--check-password", aBackup}, kPassword + "\n");
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::restartWithoutTraceLog(argv, "PELLMAR_BENCH_CHILD");
    QCoreApplication app(argc, argv);
    const QString tool = TestPaths::program("pellmar-extract");
    if (tool.isEmpty()) {
        std::fprintf(stderr, "pellmar-extract is not built\n");
        return 1;
    }
    QTemporaryDir dir;

    // The same files twice: the encrypted backup, and its stored bytes end to end under one key
    // for OpenSSL (the same amount of AES-CBC work, without a process per file).
    std::printf("Building an encrypted backup of %lld MB...\n", kTotalBytes >> 20);
    std::fflush(stdout);
    FakeKeybag keybag(kPassword, 1, 1);
    FakeBackupBuilder backup(dir.filePath("backup"));
    qint64 planned = 0;
    for (int i = 0; planned < kTotalBytes; ++i) {
        const bool video = i < kVideos;
        const qint64 size = qMin(video ? kVideoBytes : kPhotoBytes, kTotalBytes - planned);
        const QString source = dir.filePath(QStringLiteral("source-%1").arg(i));
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly) || file.write(randomBytes(size)) != size)
            return 1;
        file.close();
        backup.addFileFrom("CameraRollDomain",
                           QStringLiteral("Media/DCIM/100APPLE/IMG_%1.%2")
                               .arg(i, 4, 10, QLatin1Char('0'))
                               .arg(video ? "MOV" : "JPG"),
                           source);
        planned += size;
    }
    backup.setEncryption(&keybag);
    if (!backup.write())
        return 1;
    for (const QString& name : QDir(dir.path()).entryList({"source-*"}, QDir::Files))
        QFile::remove(dir.filePath(name));
    const QString joined = dir.filePath("joined.enc");
    {
        QFile out(joined);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray key = FakeKeybag::randomBytes(32);
        const QByteArray plain = randomBytes(kTotalBytes);
        out.write(FakeKeybag::encrypt(key, plain));
        QFile keyFile(dir.filePath("key.hex"));
        if (!keyFile.open(QIODevice::WriteOnly))
            return 1;
        keyFile.write(key.toHex());
    }
    QFile keyFile(dir.filePath("key.hex"));
    keyFile.open(QIODevice::ReadOnly);
    const QString keyHex = QString::fromLatin1(keyFile.readAll());

    const QString working = dir.filePath("work");
    const double ours = BenchSupport::timeIt(3, [&] {
        QDir(working).removeRecursively();
        return runProgram(tool, {backup.backupPath(), working}, kPassword + "\n");
    });
    const double openssl = BenchSupport::timeIt(3, [&] {
        return runProgram("openssl", {"enc", "-d", "-aes-256-cbc", "-K", keyHex, "-iv",
                                      QString(32, QLatin1Char('0')), "-in", joined, "-out",
                                      dir.filePath("joined.plain")});
    });
    QFile::remove(dir.filePath("joined.plain"));
    // The timed runs did the whole work: every byte came out.
    qint64 unpacked = 0;
    for (QDirIterator it(working, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        it.next();
        if (it.fileName() != QLatin1String("backup_file_list"))
            unpacked += it.fileInfo().size();
    }
    if (unpacked != planned) {
        std::fprintf(stderr, "pellmar-extract unpacked %lld bytes of %lld\n", unpacked, planned);
        return 1;
    }
    QDir(working).removeRecursively();
    const double mb = double(kTotalBytes) / (1024 * 1024);
    std::printf("decrypt %.0f MB: pellmar-extract %.3f s (%.0f MB/s), openssl enc %.3f s "
                "(%.0f MB/s)\n",
                mb, ours, mb / ours, openssl, mb / openssl);
    const double throughput = ours > 0 && openssl > 0 ? openssl / ours : 0;
    std::printf("throughput ratio (pellmar-extract / openssl): %.2f\n", throughput);

    // Key derivation: SHA-256 rounds then SHA-1 rounds, as iOS 10.2 and later ask.
    constexpr int kSha256Rounds = 1'000'000;
    constexpr int kSha1Rounds = 10'000;
    const QString small = keybagBackup(dir.filePath("kdf"), kSha256Rounds, kSha1Rounds);
    const double ourKdf = BenchSupport::timeIt(2, [&] { return checkPassword(tool, small); });
    const double opensslKdf =
        BenchSupport::timeIt(2, [&] { return opensslDerivation(kSha256Rounds, kSha1Rounds); });
    const double kdfRatio = ourKdf > 0 && opensslKdf > 0 ? ourKdf / opensslKdf : 99;
    std::printf("derive %d + %d rounds: pellmar-extract %.3f s, openssl kdf %.3f s, ratio %.2f\n",
                kSha256Rounds, kSha1Rounds, ourKdf, opensslKdf, kdfRatio);

    // The rounds real backups use: ten million of SHA-256.
    constexpr int kRealRounds = 10'000'000;
    const QString real = keybagBackup(dir.filePath("real"), kRealRounds, kSha1Rounds);
    const double ourReal = BenchSupport::timeIt(1, [&] { return checkPassword(tool, real); });
    const double opensslReal =
        BenchSupport::timeIt(1, [&] { return opensslDerivation(kRealRounds, kSha1Rounds); });
    const double realRatio = ourReal > 0 && opensslReal > 0 ? ourReal / opensslReal : 99;
    std::printf("derive %d + %d rounds (a real backup): pellmar-extract %.2f s, openssl kdf "
                "%.2f s, ratio %.2f\n",
                kRealRounds, kSha1Rounds, ourReal, opensslReal, realRatio);

    BenchSupport::target("decrypt_throughput_vs_openssl", throughput, 0.7, throughput >= 0.7);
    BenchSupport::target("kdf_time_vs_openssl", kdfRatio, 1.2, kdfRatio <= 1.2);
    BenchSupport::target("kdf_10M_rounds_time_vs_openssl", realRatio, 1.2, realRatio <= 1.2);
    return 0;
}
