#include "settings/SettingsFileParser.h"

#include "app/DebugLog.h"

#include <QFile>
#include <QXmlStreamReader>

SettingsFileParser SettingsFileParser::readFile(const QString& aPath)
{
    LogScope scope("SettingsFileParser::readFile");
    SettingsFileParser parser;
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly)) {
        logMessage("Settings file not opened");
        return parser;
    }
    // Read one byte more than allowed: a larger file is refused without reading it whole.
    const QByteArray contents = file.read(kMaxFileSize + 1);
    if (contents.size() > kMaxFileSize) {
        parser.refuse(QStringLiteral("larger than %1 bytes").arg(kMaxFileSize));
        return parser;
    }
    return parse(contents);
}

SettingsFileParser SettingsFileParser::parse(const QByteArray& aContents)
{
    SettingsFileParser parser;
    parser.mState = State::Read;
    if (aContents.size() > kMaxFileSize) {
        parser.refuse(QStringLiteral("larger than %1 bytes").arg(kMaxFileSize));
        return parser;
    }
    if (aContents.trimmed().isEmpty())
        return parser; // nothing written yet: no values, nothing damaged
    if (!parser.depthIsSane(aContents))
        return parser;
    QString error;
    int line = 0;
    int column = 0;
    if (!parser.mDocument.setContent(aContents, &error, &line, &column)) {
        // Whatever was parsed is not trusted.
        parser.mDocument.clear();
        parser.refuse(QStringLiteral("%1 at line %2, column %3").arg(error).arg(line).arg(column));
    }
    return parser;
}

bool SettingsFileParser::depthIsSane(const QByteArray& aContents)
{
    QXmlStreamReader reader(aContents);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxDepth) {
                refuse(QStringLiteral("elements nested deeper than %1 at line %2")
                           .arg(kMaxDepth)
                           .arg(reader.lineNumber()));
                return false;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default: break;
        }
    }
    return true;
}

void SettingsFileParser::refuse(const QString& aProblem)
{
    mState = State::Damaged;
    mProblem = aProblem;
    mDocument.clear();
    logValue("Settings file refused", aProblem);
}
