// Times the BlackBerry reader on a backup of 100,000 text messages and 5,000 contacts against
// reading the same file with cat and checking the XML it wrote with xmllint, in the same run.
// Prints one TARGET line per goal.
#include "BenchSupport.h"
#include "app/DebugLog.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "backup/IpdBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>

using namespace BenchSupport;

namespace {

constexpr int kMessages = 100000;
constexpr int kContacts = 5000;
// The fastest of several runs: other work on the machine only ever adds time.
constexpr int kRuns = 5;


QByteArray contact(QRandomGenerator& aGen, int aIndex)
{
    QByteArray field = IpdBuilder::textSubfield(32, QStringLiteral("First%1").arg(aIndex))
                       + IpdBuilder::textSubfield(32, QStringLiteral("Last%1").arg(aIndex))
                       + IpdBuilder::textSubfield(8, QStringLiteral("+44 7700 9%1").arg(aIndex, 5, 10, QLatin1Char('0')))
                       + IpdBuilder::textSubfield(17, QStringLiteral("+44 20 7946 %1").arg(aIndex % 10000))
                       + IpdBuilder::charsetSubfield(1, 1, QStringLiteral("person%1@exämple.org").arg(aIndex))
                       + IpdBuilder::textSubfield(33, QStringLiteral("Company %1").arg(aGen.bounded(500)))
                       + IpdBuilder::textSubfield(61, QStringLiteral("%1 High Street").arg(aIndex))
                       + IpdBuilder::charsetSubfield(69, 0, QStringLiteral("Zürich"))
                       + IpdBuilder::textSubfield(71, QStringLiteral("8000"));
    return field;
}

bool buildBackup(const QString& aPath)
{
    QRandomGenerator gen(15);
    IpdBuilder ipd({QStringLiteral("SMS Messages"), QStringLiteral("Address Book - All")});
    for (int i = 0; i < kMessages; ++i) {
        const QByteArray number = "+4477009" + QByteArray::number(gen.bounded(100000));
        ipd.record(0, IpdBuilder::sms(int(gen.bounded(2)), number, words(gen, 3, 25),
                                      1300000000000ULL + quint64(i) * 60000));
    }
    for (int i = 0; i < kContacts; ++i)
        ipd.record(1, {{10, contact(gen, i)}, {3, QByteArray(8, 'x')}});
    return ipd.write(aPath);
}


bool runQuiet(const QString& aProgram, const QStringList& aArguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(aProgram, aArguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}


} // namespace

int main(int argc, char** argv)
{
    BenchSupport::restartWithoutTraceLog(argv, "IPD_BENCH_CHILD");
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("backup.ipd"));
    const QString working = dir.filePath(QStringLiteral("extracted/"));
    std::printf("building %d text messages and %d contacts...\n", kMessages, kContacts);
    std::fflush(stdout);
    if (!buildBackup(backup)) {
        std::fprintf(stderr, "could not build the backup\n");
        return 1;
    }
    const QString messages = working + QStringLiteral("messages.xml");
    const QString address = working + QStringLiteral("address.xml");

    // Memory is measured over the reader alone: the builder above held the whole file too.
    struct rusage before {};
    getrusage(RUSAGE_SELF, &before);
    const double reader = timeIt(kRuns, [&] {
        BlackBerryReader::readBlackBerryBackup(backup, working, 3);
        return QFileInfo::exists(messages) && QFileInfo::exists(address);
    });
    struct rusage after {};
    getrusage(RUSAGE_SELF, &after);
    const double cat = timeIt(kRuns, [&] { return runQuiet(QStringLiteral("cat"), {backup}); });
    const double xmllint = timeIt(kRuns, [&] {
        return runQuiet(QStringLiteral("xmllint"), {QStringLiteral("--noout"), messages, address});
    });

    std::printf("backup file           %lld bytes\n", QFileInfo(backup).size());
    std::printf("XML written           %lld + %lld bytes\n", QFileInfo(messages).size(),
                QFileInfo(address).size());
    std::printf("readBlackBerryBackup  %.3f s\n", reader);
    std::printf("cat FILE > /dev/null  %.3f s\n", cat);
    std::printf("xmllint --noout XML   %.3f s\n", xmllint);
    const bool measured = reader > 0 && cat > 0 && xmllint > 0;
    const double ratio = measured ? reader / xmllint : 999;
    std::printf("reader / cat          %.2f\n", measured ? reader / cat : 999);
    std::printf("reader / xmllint      %.2f\n", ratio);
    // ru_maxrss is the peak of the whole process; the builder's own peak came before.
    const double peakMb = after.ru_maxrss / 1024.0;
    std::printf("peak memory           %.1f MB (%.1f MB before the reader)\n", peakMb,
                before.ru_maxrss / 1024.0);
    target("ipd_reader_vs_xmllint", ratio, 2.0, measured && ratio <= 2.0);
    target("ipd_peak_memory_mb", peakMb, 400, peakMb < 400);
    return 0;
}
