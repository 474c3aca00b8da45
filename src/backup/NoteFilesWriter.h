#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

// Writes notes as one UTF-8 text file each into a folder, which any phone opens: the file is
// named after the note's title, made safe for every file system a phone uses (no "/" or other
// character FAT refuses, no leading ".", no control characters, at most 255 bytes, unique
// without regard to case), holds the note's text, and carries the note's modification time.
class NoteFilesWriter
{
public:
    explicit NoteFilesWriter(const QString& aFolder);

    // Creates the folder.
    bool open();
    bool isOpen() const { return mOpen; }
    QString folder() const { return mFolder; }

    // Writes one note; nothing while not open. aTitle may be empty: the text's first line then
    // names the file. An invalid aModified leaves the file's time alone. Returns whether the
    // file was written whole (a failed one is removed).
    bool write(const QString& aTitle, const QString& aText, const QDateTime& aModified);
    int count() const { return mCount; }

    // The file name for a title (or, without one, the text), ".txt" included, before it is
    // made unique.
    static QString fileName(const QString& aTitle, const QString& aText);
    // The text of a note body kept as HTML: tags dropped, line-ending elements as line breaks,
    // character references decoded.
    static QString plainText(const QString& aHtml);

    static constexpr qsizetype kMaxNameBytes = 255;

private:
    // aName, or aName with " (n)" before its extension, so that no two files share a name.
    QString uniqueName(const QString& aName);

    QString mFolder;
    QSet<QString> mTaken;
    bool mOpen = false;
    int mCount = 0;
};
