#include "LayeringTable.h"

#include <QRegularExpression>

namespace {

QStringList namesIn(const QString& aCell)
{
    static const QRegularExpression quoted(QStringLiteral("`([^`]+)`"));
    QStringList names;
    for (const auto& match : quoted.globalMatch(aCell))
        names.append(match.captured(1).trimmed());
    return names;
}

} // namespace

LayeringTable LayeringTable::parse(const QString& aMarkdown)
{
    LayeringTable table;
    bool inTable = false;
    for (const QString& rawLine : aMarkdown.split(u'\n')) {
        const QString line = rawLine.trimmed();
        if (!line.startsWith(u'|')) {
            if (inTable)
                break;
            continue;
        }
        inTable = true;
        QStringList cells = line.split(u'|');
        // The leading and trailing bars leave empty cells at both ends.
        cells = cells.mid(1, cells.size() - 2);
        if (cells.size() < 2)
            continue;
        const QStringList folders = namesIn(cells.first());
        if (folders.isEmpty())
            continue; // the header and the separator row
        const QString folder = folders.first();
        QSet<QString>& allowed = table.mAllowed[folder];
        for (const QString& name : namesIn(cells.last()))
            allowed.insert(name);
        for (const QString& prefix : folders)
            table.mFolderOfPrefix.insert(prefix, folder);
    }
    return table;
}

QString LayeringTable::folderOf(const QString& aPath) const
{
    QString best;
    qsizetype bestLength = -1;
    for (auto it = mFolderOfPrefix.cbegin(); it != mFolderOfPrefix.cend(); ++it) {
        const QString& prefix = it.key();
        if (prefix.size() > bestLength && aPath.startsWith(prefix + u'/')) {
            best = it.value();
            bestLength = prefix.size();
        }
    }
    return best;
}

bool LayeringTable::mayInclude(const QString& aFrom, const QString& aTo) const
{
    return aFrom == aTo || mAllowed.value(aFrom).contains(aTo);
}

QStringList LayeringTable::cycles() const
{
    QStringList found;
    for (auto it = mAllowed.cbegin(); it != mAllowed.cend(); ++it) {
        // Everything the folder reaches, following the table.
        QSet<QString> reached;
        QStringList pending(it.value().cbegin(), it.value().cend());
        while (!pending.isEmpty()) {
            const QString next = pending.takeLast();
            if (reached.contains(next))
                continue;
            reached.insert(next);
            for (const QString& further : mAllowed.value(next))
                pending.append(further);
        }
        if (reached.contains(it.key()))
            found.append(it.key());
    }
    found.sort();
    return found;
}
