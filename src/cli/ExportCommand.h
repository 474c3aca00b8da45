#pragma once

#include "cli/CliCommand.h"

class AppleExtractor;
class QTextStream;

// "export BACKUP OUTDIR": unpacks an iPhone backup and writes the XML files the phone would
// receive (messages, contacts, calendar, notes) into OUTDIR, and with --photos the camera roll.
// A BlackBerry backup file gives its messages and contacts.
class ExportCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("export"); }
    QString summary() const override;
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    QStringList argumentNames() const override;
    QString notes() const override;
    int run(const CliOptions& aOptions) override;

private:
    // The backup folder (ending in "/") named by aWord: a folder, or the folder name or phone
    // name of a backup that "backups" lists. Empty with aError when there is none.
    static QString resolveBackup(const QString& aWord, QString& aError);
    static int copyPhotos(const AppleExtractor& aExtractor, const QString& aOutDir,
                          QTextStream& aOut, QTextStream& aErr);
    // "export" of a BlackBerry backup file (".ipd" or ".bbb"): messages.xml and address.xml.
    static int exportBlackBerry(const QString& aBackupFile, const CliOptions& aOptions,
                                QTextStream& aOut, QTextStream& aErr);
};
