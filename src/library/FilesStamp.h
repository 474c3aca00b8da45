#pragma once

#include <QString>
#include <QStringList>

// A text that changes whenever one of some files appears, disappears, grows, shrinks or is
// rewritten: sources compare it with the last read's to skip reading an unchanged library.
class FilesStamp
{
public:
    static QString of(const QStringList& aPaths);
};
