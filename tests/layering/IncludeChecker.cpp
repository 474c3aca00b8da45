#include "IncludeChecker.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Paths as the table names them: below src/ without the prefix, helper programs as "tools/...".
QString tablePath(const QString& aRelative)
{
    return aRelative.startsWith(QLatin1String("src/")) ? aRelative.mid(4) : aRelative;
}

} // namespace

QString IncludeChecker::includedFolder(const QString& aRoot, const QString& aSourceFolder,
                                       const QString& aIncluded) const
{
    // Beside the including file first, as the compiler looks; then from src/.
    const QString beside = QDir(aSourceFolder).filePath(aIncluded);
    if (QFileInfo::exists(beside))
        return mTable.folderOf(tablePath(QDir(aRoot).relativeFilePath(beside)));
    return mTable.folderOf(aIncluded);
}

QStringList IncludeChecker::violations(const QString& aRoot) const
{
    static const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s*"([^"]+)")re"));
    QStringList found;
    const QDir root(aRoot);
    for (const QString top : {QStringLiteral("src"), QStringLiteral("tools")}) {
        QDirIterator it(root.filePath(top), {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            const QString relative = root.relativeFilePath(file);
            const QString from = mTable.folderOf(tablePath(relative));
            if (from.isEmpty()) {
                found.append(relative + QStringLiteral(":1: folder missing from the table"));
                continue;
            }
            QFile source(file);
            if (!source.open(QIODevice::ReadOnly)) {
                found.append(relative + QStringLiteral(":1: cannot be read"));
                continue;
            }
            int lineNumber = 0;
            while (!source.atEnd()) {
                const QString line = QString::fromUtf8(source.readLine());
                ++lineNumber;
                const auto match = include.match(line);
                if (!match.hasMatch())
                    continue;
                const QString included = match.captured(1);
                const QString to = includedFolder(aRoot, QFileInfo(file).path(), included);
                // A name of no folder is a generated file (moc output) or a neighbour.
                if (to.isEmpty() || mTable.mayInclude(from, to))
                    continue;
                found.append(QStringLiteral("%1:%2: %3 may not include %4 (\"%5\")")
                                 .arg(relative)
                                 .arg(lineNumber)
                                 .arg(from, to, included));
            }
        }
    }
    found.sort();
    return found;
}
