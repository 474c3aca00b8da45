#pragma once

#include <QDateTime>
#include <QString>

// The files that a stock Android phone (or a widely used free app on it) imports, written beside
// the companion app's XML files: their names inside the folder that holds them, and that
// folder's place on the phone.
namespace PhoneFiles {

inline const QString kContacts = QStringLiteral("contacts.vcf");
inline const QString kCalendar = QStringLiteral("calendar.ics");
inline const QString kNotesFolder = QStringLiteral("notes");
inline const QString kReadme = QStringLiteral("README.txt");
// Every file picker on Android shows the Download folder.
inline const QString kPhoneFolder = QStringLiteral("Download/Pellmar");

// "sms-<yyyyMMddHHmmss>.xml", the name the SMS Backup & Restore app looks for.
inline QString smsFileName(const QDateTime& aTime)
{
    return QStringLiteral("sms-") + aTime.toString(QStringLiteral("yyyyMMddHHmmss"))
           + QStringLiteral(".xml");
}

inline bool isSmsFileName(const QString& aName)
{
    return aName.size() == 22 && aName.startsWith(QLatin1String("sms-"))
           && aName.endsWith(QLatin1String(".xml"));
}

} // namespace PhoneFiles
