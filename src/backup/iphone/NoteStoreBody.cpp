#include "backup/iphone/NoteStoreBody.h"

#include "backup/iphone/GzipInflater.h"
#include "backup/iphone/ProtobufReader.h"

QString NoteStoreBody::textOfMessage(QByteArrayView aMessage)
{
    // Document (field 2) -> note (field 3) -> note text (field 2).
    std::optional<QByteArrayView> part = ProtobufReader::lengthDelimited(aMessage, 2);
    if (part)
        part = ProtobufReader::lengthDelimited(*part, 3);
    if (part)
        part = ProtobufReader::lengthDelimited(*part, 2);
    if (!part)
        return QString();
    QString text = QString::fromUtf8(*part);
    if (text.isNull())
        text = QLatin1String(""); // an empty note is a note
    return text;
}

QString NoteStoreBody::text(QByteArrayView aData)
{
    if (!GzipInflater::looksCompressed(aData))
        return textOfMessage(aData);
    const std::optional<QByteArray> inflated = GzipInflater::inflate(aData, kInflateLimit);
    if (!inflated)
        return QString();
    return textOfMessage(*inflated);
}

QString NoteStoreBody::toHtml(const QString& aText)
{
    QString html = aText.toHtmlEscaped();
    html.remove(QChar(0xFFFC));
    html.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return html;
}
