#include "backup/PhoneFilesReadme.h"

#include "app/DebugLog.h"
#include "backup/PhoneFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

QString PhoneFilesReadme::text(bool aContacts, bool aCalendar, const QString& aSmsFile,
                               bool aNotes)
{
    // Names stand at the ends of lines, so that long ones do not break the lines between.
    const QString folder = PhoneFiles::kPhoneFolder;
    QString text = QStringLiteral(
                       "Pellmar put the data of your old phone in this folder, in files that this\n"
                       "phone can import. Import each once; then you may delete the folder:\n"
                       "  %1\n")
                       .arg(folder);
    if (aContacts) {
        text += QStringLiteral(
                    "\nContacts\n"
                    "  Open the Contacts app and go to its settings (\"Fix & manage\" on some\n"
                    "  phones). Choose \"Import\" or \"Import from file\", then \".vcf file\",\n"
                    "  and pick this folder's file\n"
                    "  %1\n")
                    .arg(PhoneFiles::kContacts);
    }
    if (aCalendar) {
        text += QStringLiteral(
                    "\nCalendar\n"
                    "  Open the Files app, go to this folder and tap the file below; choose your\n"
                    "  calendar app to add the events. With Google Calendar you can also import\n"
                    "  it on a computer at calendar.google.com (Settings > Import & export).\n"
                    "  %1\n")
                    .arg(PhoneFiles::kCalendar);
    }
    if (!aSmsFile.isEmpty()) {
        text += QStringLiteral(
                    "\nText messages\n"
                    "  Install the free app \"SMS Backup & Restore\" (by SyncTech) from the Play\n"
                    "  Store, choose \"Restore\" and then, as the local backup, this folder's file\n"
                    "  %1\n"
                    "  The app asks to be the phone's messaging app while it restores; switch\n"
                    "  back to your usual one when it is done.\n")
                    .arg(aSmsFile);
    }
    if (aNotes) {
        text += QStringLiteral(
                    "\nNotes\n"
                    "  One text file per note, named after its title, in the folder\n"
                    "  %1\n"
                    "  Open them with any text or notes app, or copy their text into the notes\n"
                    "  app you use.\n")
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
