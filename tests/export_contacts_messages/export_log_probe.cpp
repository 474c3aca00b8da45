// Runs one exporter with the trace log of its HOME, for the tests that read the log:
//   export_log_probe addressbook|messages|calendar|notes <output> <database>...
#include "backup/iphone/AddressBookExporter.h"
#include "backup/iphone/CalendarExporter.h"
#include "backup/iphone/MessagesExporter.h"
#include "backup/iphone/NotesExporter.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    const QStringList databases = args.mid(3);
    int result = 0;
    if (args.at(1) == QLatin1String("addressbook"))
        result = AddressBookExporter(databases, QString()).generate(args.at(2));
    else if (args.at(1) == QLatin1String("messages"))
        result = MessagesExporter(databases, {}).generate(args.at(2));
    else if (args.at(1) == QLatin1String("calendar"))
        result = CalendarExporter(databases).generate(args.at(2));
    else if (args.at(1) == QLatin1String("notes"))
        result = NotesExporter(databases).generate(args.at(2));
    else
        return 2;
    std::printf("%d\n", result);
    return 0;
}
