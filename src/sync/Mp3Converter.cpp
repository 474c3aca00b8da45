#include "sync/Mp3Converter.h"

#include "app/DebugLog.h"
#include "app/HelperLookup.h"
#include "tracks/Track.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QStringList Mp3Converter::arguments(const QString& aSourcePath, const QString& aOutputPath,
                                    qint32 aBitRateKbps)
{
    const qint32 bitRate = aBitRateKbps > 0 ? aBitRateKbps : kDefaultBitRateKbps;
    // "-map_metadata 0" keeps the tags of the source (title, artist, album) in the MP3.
    return {QStringLiteral("-i"), aSourcePath, QStringLiteral("-y"), QStringLiteral("-ab"),
            QString::number(bitRate) + QLatin1Char('k'), QStringLiteral("-map_metadata"),
            QStringLiteral("0"), aOutputPath};
}

QString Mp3Converter::program()
{
    return HelperLookup::find(QStringLiteral("ffmpeg/ffmpeg"), QStringLiteral("ffmpeg"));
}

bool Mp3Converter::convert(const Track& aTrack, const HelperWait::CancelCheck& aCancelled)
{
    LogScope scope("Mp3Converter::convert");
    const QString output = aTrack.uploadSourcePath();
    logValue("source", aTrack.path());
    logValue("output", output);
    if (QFile::exists(output) && !QFile::remove(output))
        logMessage("Could not remove old conversion output");
    QDir().mkpath(QFileInfo(output).absolutePath());

    const QString converter = program();
    if (converter.isEmpty()) {
        logMessage("ffmpeg not found");
        logReturn(0);
        return false;
    }
    const QStringList args = arguments(aTrack.path(), output, aTrack.conversionBitRate());
    logValue("converter", converter);
    logValue("arguments", args.join(QLatin1Char(' ')));

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    // The converter's console output is of no use here and must not fill a pipe.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(converter, args);
    if (!process.waitForStarted(-1)) {
        logMessage("Converter could not be started");
        logReturn(0);
        return false;
    }
    const bool finished = HelperWait::untilFinished(process, aCancelled);
    logValue("exitCode", process.exitCode());
    const bool ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
                    && QFileInfo(output).size() > 0;
    // A half-written MP3 must not reach the phone under the track's name.
    if (!ok)
        QFile::remove(output);
    logReturn(ok);
    return ok;
}
