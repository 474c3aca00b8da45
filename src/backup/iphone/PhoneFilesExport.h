#pragma once

#include <QString>
#include <QStringList>

class AddressBookExporter;
class CalendarExporter;
class MessagesExporter;
class NotesExporter;

// Runs an exporter so that, beside its XML file for the companion app, it writes the file of
// its kind that a stock phone imports into one folder: contacts.vcf, an SMS Backup & Restore
// file, calendar.ics, or the notes folder. A file that could not be written whole is removed.
// Without a folder the exporters write their XML file alone.
class PhoneFilesExport
{
public:
    explicit PhoneFilesExport(const QString& aFolder);

    // Each returns the exporter's result.
    int addressBook(AddressBookExporter& aExporter, const QString& aOutputPath);
    // aAddressBooks name the correspondents in the messages file.
    int messages(MessagesExporter& aExporter, const QString& aOutputPath,
                 const QStringList& aAddressBooks = {});
    int calendar(CalendarExporter& aExporter, const QString& aOutputPath);
    int notes(NotesExporter& aExporter, const QString& aOutputPath);

private:
    // The folder exists (it is made when missing); false without a folder.
    bool ready() const;
    QString file(const QString& aName) const;

    QString mFolder;
};
