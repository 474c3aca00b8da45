#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// The table of which folder may include which, read from the Markdown table in
// docs/layering.md: the first column names a folder (and the subfolders that count as it), the
// last column the folders it may include, each name in backticks.
class LayeringTable
{
public:
    // Reads the rows of the first table in aMarkdown whose first cell names a folder.
    static LayeringTable parse(const QString& aMarkdown);

    bool isEmpty() const { return mAllowed.isEmpty(); }
    // The folder of the table that aPath (relative to src/, or "tools/..." for the helper
    // programs) lies in: the longest folder or subfolder that is a prefix. Empty if none.
    QString folderOf(const QString& aPath) const;
    // Whether a file of aFrom may include a file of aTo (its own folder always).
    bool mayInclude(const QString& aFrom, const QString& aTo) const;
    // Folders that reach themselves again through the table; empty when it has layers.
    QStringList cycles() const;
    QStringList folders() const { return mAllowed.keys(); }

private:
    QHash<QString, QSet<QString>> mAllowed;
    // Every folder and counted subfolder, mapped to its folder.
    QHash<QString, QString> mFolderOfPrefix;
};
