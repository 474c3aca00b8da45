#include "backup/iphone/PhoneFilesExport.h"

#include "app/DebugLog.h"
#include "backup/iphone/AddressBookExporter.h"
#include "backup/iphone/CalendarExporter.h"
#include "backup/iphone/ContactNames.h"
#include "backup/ICalendarWriter.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/NoteFilesWriter.h"
#include "backup/iphone/NotesExporter.h"
#include "backup/PhoneFiles.h"
#include "backup/PhoneFilesReadme.h"
#include "backup/SmsBackupWriter.h"
#include "backup/VCardWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace {

// Opens aWriter, or logs why not; the exporter then writes its XML file alone.
template <typename Writer>
Writer* opened(Writer& aWriter, const QString& aWhat)
{
    if (aWriter.open())
        return &aWriter;
    logValue("Could not create", aWhat);
    return nullptr;
}

// Closes aWriter; a file that is not whole does not stay.
template <typename Writer>
void finished(Writer& aWriter)
{
    if (!aWriter.isOpen())
        return;
    const QString path = aWriter.path();
    if (aWriter.finish()) {
        logValue("Wrote", path);
        logValue("count", aWriter.count());
    } else {
        logValue("Removed incomplete file", path);
        QFile::remove(path);
    }
}

} // namespace

PhoneFilesExport::PhoneFilesExport(const QString& aFolder) : mFolder(aFolder) {}

bool PhoneFilesExport::ready() const
{
    return !mFolder.isEmpty() && QDir().mkpath(mFolder);
}

QString PhoneFilesExport::file(const QString& aName) const
{
    return mFolder + QLatin1Char('/') + aName;
}

int PhoneFilesExport::addressBook(AddressBookExporter& aExporter, const QString& aOutputPath)
{
    if (!ready())
        return aExporter.generate(aOutputPath);
    VCardWriter cards(file(PhoneFiles::kContacts));
    aExporter.setCardWriter(opened(cards, cards.path()));
    const int result = aExporter.generate(aOutputPath);
    aExporter.setCardWriter(nullptr);
    finished(cards);
    PhoneFilesReadme::write(mFolder);
    return result;
}

int PhoneFilesExport::messages(MessagesExporter& aExporter, const QString& aOutputPath,
                               const QStringList& aAddressBooks)
{
    if (!ready())
        return aExporter.generate(aOutputPath);
    ContactNames names;
    names.load(aAddressBooks);
    SmsBackupWriter sms(file(PhoneFiles::smsFileName(QDateTime::currentDateTime())));
    aExporter.setSmsWriter(opened(sms, sms.path()), &names);
    const int result = aExporter.generate(aOutputPath);
    aExporter.setSmsWriter(nullptr);
    finished(sms);
    PhoneFilesReadme::write(mFolder);
    return result;
}

int PhoneFilesExport::calendar(CalendarExporter& aExporter, const QString& aOutputPath)
{
    if (!ready())
        return aExporter.generate(aOutputPath);
    ICalendarWriter events(file(PhoneFiles::kCalendar));
    aExporter.setEventWriter(opened(events, events.path()));
    const int result = aExporter.generate(aOutputPath);
    aExporter.setEventWriter(nullptr);
    finished(events);
    PhoneFilesReadme::write(mFolder);
    return result;
}

int PhoneFilesExport::notes(NotesExporter& aExporter, const QString& aOutputPath)
{
    if (!ready())
        return aExporter.generate(aOutputPath);
    // Notes of an earlier export would mix with these.
    QDir(file(PhoneFiles::kNotesFolder)).removeRecursively();
    NoteFilesWriter notes(file(PhoneFiles::kNotesFolder));
    aExporter.setNoteFiles(opened(notes, notes.folder()));
    const int result = aExporter.generate(aOutputPath);
    aExporter.setNoteFiles(nullptr);
    logValue("Note files", notes.count());
    // No folder stands for notes that are not there.
    if (notes.count() == 0)
        QDir().rmdir(notes.folder());
    PhoneFilesReadme::write(mFolder);
    return result;
}
