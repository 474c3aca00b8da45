#include "backup/BlackBerryAddressBookWriter.h"

#include "app/DebugLog.h"
#include "backup/BackupDatabase.h"
#include "backup/ContactSubfieldDecoder.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"

int BlackBerryAddressBookWriter::write(const BackupDatabase& aDatabase,
                                       const QString& aOutputPath)
{
    LogScope scope("BlackBerryReader::writeAddressBook");
    ExportXmlWriter writer(aOutputPath);
    if (writer.open(QStringLiteral("address_book")) != ExportResult::Ok)
        return ExportResult::OutputNotOpened;
    const QString person = QStringLiteral("person");
    const QString type = QStringLiteral("type");
    const QString value = QStringLiteral("value");
    for (const BackupRecord& record : aDatabase.mRecords) {
        writer.writeStartElement(person);
        for (const PersonItem& item : ContactSubfieldDecoder::person(record)) {
            if (item.mType.isNull()) {
                writer.writeTextElement(item.mName, item.mValue);
                continue;
            }
            writer.writeStartElement(item.mName);
            writer.writeAttribute(type, item.mType);
            writer.writeAttribute(value, item.mValue);
            for (const auto& entry : item.mEntries)
                writer.writeTextElement(entry.first, entry.second);
            writer.writeEndElement();
        }
        writer.writeEndElement();
    }
    return writer.finish() ? ExportResult::Ok : ExportResult::OutputNotOpened;
}
