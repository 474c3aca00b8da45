#include "backup/NoteFilesWriter.h"

#include "app/DebugLog.h"
#include "backup/PortableText.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString kExtension = QStringLiteral(".txt");

// aName cut to at most aMaxBytes bytes of UTF-8, never inside a character.
QString fitBytes(const QString& aName, qsizetype aMaxBytes)
{
    QString name = aName;
    while (name.toUtf8().size() > aMaxBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name;
}

QString decodeReference(const QString& aName)
{
    if (aName.startsWith(u'#')) {
        bool ok = false;
        const uint code = aName.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                              ? aName.mid(2).toUInt(&ok, 16)
                              : aName.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString();
        const char32_t character = code;
        return QString::fromUcs4(&character, 1);
    }
    static const QHash<QString, QString> kNamed = {
        {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QStringLiteral(" ")},
    };
    return kNamed.value(aName.toLower(), QLatin1Char('&') + aName + QLatin1Char(';'));
}

} // namespace

NoteFilesWriter::NoteFilesWriter(const QString& aFolder) : mFolder(aFolder) {}

bool NoteFilesWriter::open()
{
    mOpen = QDir().mkpath(mFolder);
    mTaken.clear();
    mCount = 0;
    return mOpen;
}

QString NoteFilesWriter::plainText(const QString& aHtml)
{
    if (!aHtml.contains(u'<') && !aHtml.contains(u'&'))
        return aHtml;
    static const QRegularExpression kHidden(
        QStringLiteral("<(head|style|script)\\b[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // A block starts and ends on a line of its own; <br> is a line break.
    static const QRegularExpression kTag(QStringLiteral("<(/?)([A-Za-z][A-Za-z0-9]*)[^>]*>|<[^>]*>"));
    static const QSet<QString> kBlocks = {
        QStringLiteral("p"),  QStringLiteral("div"), QStringLiteral("li"), QStringLiteral("ul"),
        QStringLiteral("ol"), QStringLiteral("h1"),  QStringLiteral("h2"), QStringLiteral("h3"),
        QStringLiteral("h4"), QStringLiteral("h5"),  QStringLiteral("h6"), QStringLiteral("tr"),
        QStringLiteral("table"), QStringLiteral("blockquote"), QStringLiteral("pre")};
    static const QRegularExpression kReference(QStringLiteral("&(#?[A-Za-z0-9]{1,8});"));

    QString html = aHtml;
    html.remove(kHidden);
    // Line breaks in the markup itself are only spaces between words.
    html.replace(QLatin1String("\r\n"), QLatin1String(" "));
    html.replace(u'\n', u' ');
    QString text;
    text.reserve(html.size());
    qsizetype position = 0;
    auto tags = kTag.globalMatch(html);
    while (tags.hasNext()) {
        const QRegularExpressionMatch tag = tags.next();
        text += QStringView(html).mid(position, tag.capturedStart() - position);
        position = tag.capturedEnd();
        const QString name = tag.captured(2).toLower();
        if (name == QLatin1String("br"))
            text += u'\n';
        else if (kBlocks.contains(name) && !text.isEmpty() && !text.endsWith(u'\n'))
            text += u'\n';
    }
    text += QStringView(html).mid(position);

    QString decoded;
    decoded.reserve(text.size());
    qsizetype last = 0;
    auto match = kReference.globalMatch(text);
    while (match.hasNext()) {
        const QRegularExpressionMatch found = match.next();
        decoded += QStringView(text).mid(last, found.capturedStart() - last);
        decoded += decodeReference(found.captured(1));
        last = found.capturedEnd();
    }
    decoded += QStringView(text).mid(last);
    // A last line break of a final block is no empty last line.
    while (decoded.endsWith(u'\n'))
        decoded.chop(1);
    return decoded;
}

QString NoteFilesWriter::fileName(const QString& aTitle, const QString& aText)
{
    QString name = PortableText::withoutControls(aTitle, false).simplified();
    if (name.isEmpty()) {
        const QString text = PortableText::withoutControls(aText, true);
        name = text.section(u'\n', 0, 0, QString::SectionSkipEmpty).simplified();
    }
    // What FAT and exFAT refuse, and the separator of every system.
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"'
            || c == u'<' || c == u'>' || c == u'|')
            c = u'_';
    }
    // No hidden file, and nothing FAT would trim away.
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    while (name.endsWith(u'.') || name.endsWith(u' '))
        name.chop(1);
    name = name.trimmed();
    if (name.isEmpty())
        name = QStringLiteral("Note");
    // Room for the extension and for " (nnnn)" to make it unique.
    return fitBytes(name, kMaxNameBytes - kExtension.size() - 7).trimmed() + kExtension;
}

QString NoteFilesWriter::uniqueName(const QString& aName)
{
    QString name = aName;
    const QString stem = aName.chopped(kExtension.size());
    for (int n = 2; mTaken.contains(name.toLower()); ++n)
        name = stem + QStringLiteral(" (%1)").arg(n) + kExtension;
    mTaken.insert(name.toLower());
    return name;
}

bool NoteFilesWriter::write(const QString& aTitle, const QString& aText, const QDateTime& aModified)
{
    if (!mOpen)
        return false;
    const QString path = mFolder + QLatin1Char('/') + uniqueName(fileName(aTitle, aText));
    QFile file(path);
    const QByteArray content = PortableText::withoutControls(aText, true).toUtf8();
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
              && file.write(content) == content.size() && file.flush();
    // Set after the last write, which would change it again.
    if (ok && aModified.isValid() && !file.setFileTime(aModified, QFileDevice::FileModificationTime))
        logValue("Could not set the note's time", path);
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (!ok) {
        logValue("Could not write note file", path);
        QFile::remove(path);
        return false;
    }
    ++mCount;
    return true;
}
