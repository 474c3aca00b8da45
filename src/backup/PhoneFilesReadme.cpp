#include "backup/PhoneFilesReadme.h"

#include "app/DebugLog.h"
#include "backup/PhoneFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString PhoneFilesReadme::text(bool aContacts, bool aCalendar, const QString& aSmsFile,
                               bool aNotes)
{
    const QString folder = PhoneFiles::kPhoneFolder;
    QString text = QStringLiteral(
        "Pellmar put the data of your old phone in this folder (%1), in files that\n"
        "this phone can import. Each is imported once; after that you may delete the folder.\n")
                       .arg(folder);
    if (aContacts) {
        text += QStringLiteral(
                    "\nContacts: %1\n"
                    "  Open the Contacts app, go to its settings (\"Fix & manage\" on some\n"
                    "  phones), choose \"Import from file\" or \"Import\" > \".vcf file\", and\n"
                    "  pick %1 in %2.\n")
                    .arg(PhoneFiles::kContacts, folder);
    }
    if (aCalendar) {
        text += QStringLiteral(
                    "\nCalendar: %1\n"
                    "  Open the Files app, go to %2 and tap %1; choose your calendar app to\n"
                    "  add the events. With Google Calendar you can also import the file on a\n"
                    "  computer at calendar.google.com (Settings > Import & export).\n")
                    .arg(PhoneFiles::kCalendar, folder);
    }
    if (!aSmsFile.isEmpty()) {
        text += QStringLiteral(
                    "\nText messages: %1\n"
                    "  Install the free app \"SMS Backup & Restore\" (by SyncTech) from the\n"
                    "  Play Store, choose \"Restore\", then the local backup %1 in %2.\n"
                    "  The app asks to be the phone's messaging app while it restores; switch\n"
                    "  back to your usual one when it is done.\n")
                    .arg(aSmsFile, folder);
    }
    if (aNotes) {
        text += QStringLiteral(
                    "\nNotes: the folder %1\n"
                    "  One text file per note, named after its title. Open them with any text\n"
                    "  or notes app, or copy their text into the notes app you use.\n")
                    .arg(PhoneFiles::kNotesFolder);
    }
    return text;
}

bool PhoneFilesReadme::write(const QString& aFolder)
{
    const QDir folder(aFolder);
    const bool contacts = folder.exists(PhoneFiles::kContacts);
    const bool calendar = folder.exists(PhoneFiles::kCalendar);
    const bool notes = QFileInfo(folder.filePath(PhoneFiles::kNotesFolder)).isDir();
    QString sms;
    const QStringList smsFiles =
        folder.entryList({QStringLiteral("sms-*.xml")}, QDir::Files, QDir::Name);
    for (const QString& name : smsFiles) {
        if (PhoneFiles::isSmsFileName(name))
            sms = name; // the latest, by its time in the name
    }
    if (!contacts && !calendar && !notes && sms.isEmpty())
        return false;
    QSaveFile file(folder.filePath(PhoneFiles::kReadme));
    if (!file.open(QIODevice::WriteOnly)) {
        logValue("Could not write", file.fileName());
        return false;
    }
    file.write(text(contacts, calendar, sms, notes).toUtf8());
    return file.commit();
}
