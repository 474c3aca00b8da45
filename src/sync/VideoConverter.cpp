#include "sync/VideoConverter.h"

#include "app/DebugLog.h"
#include "app/HelperLookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QStringList VideoConverter::arguments(const QString& aSource, const QString& aOutput,
                                      int aScreenPixels)
{
    if (aScreenPixels > kRepackAbovePixels)
        return {QStringLiteral("-i"), aSource, QStringLiteral("-f"), QStringLiteral("mp4"),
                QStringLiteral("-vcodec"), QStringLiteral("copy"), QStringLiteral("-acodec"),
                QStringLiteral("copy"), aOutput};
    return {QStringLiteral("-i"), aSource, QStringLiteral("-f"), QStringLiteral("mp4"),
            QStringLiteral("-vcodec"), QStringLiteral("mpeg4"), QStringLiteral("-acodec"),
            QStringLiteral("copy"), QStringLiteral("-s"), QStringLiteral("480x270"),
            QStringLiteral("-b"), QStringLiteral("500k"), aOutput};
}

bool VideoConverter::convert(const QString& aSource, const QString& aOutput, int aScreenPixels,
                             const HelperWait::CancelCheck& aCancelled)
{
    LogScope scope("MusicSync::convertVideo");
    QFile::remove(aOutput);
    QDir().mkpath(QFileInfo(aOutput).absolutePath());
    const QString converter =
        HelperLookup::find(QStringLiteral("ffmpeg/ffmpeg"), QStringLiteral("ffmpeg"));
    logValue("converter", converter);
    if (converter.isEmpty()) {
        logMessage("ffmpeg not found");
        return false;
    }
    const QStringList args = arguments(aSource, aOutput, aScreenPixels);
    logValue("arguments", args.join(QLatin1Char(' ')));
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(converter, args);
    if (!process.waitForStarted(-1))
        return false;
    const bool finished = HelperWait::untilFinished(process, aCancelled);
    logValue("exitCode", process.exitCode());
    const bool ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0
                    && QFileInfo(aOutput).size() > 0;
    if (!ok)
        QFile::remove(aOutput);
    logReturn(ok);
    return ok;
}
