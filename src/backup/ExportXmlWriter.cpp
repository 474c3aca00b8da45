#include "backup/ExportXmlWriter.h"

#include "app/DebugLog.h"
#include "backup/ExportResult.h"

namespace {

// Whether the code unit at aIndex cannot be written: a control character, a surrogate without its
// partner, or one of the two non-characters that XML excludes.
bool isIllegalAt(const QString& aText, qsizetype aIndex)
{
    const char16_t c = aText.at(aIndex).unicode();
    if (c < 32)
        return true;
    if (c == 0xFFFE || c == 0xFFFF)
        return true;
    if (QChar::isHighSurrogate(c))
        return aIndex + 1 >= aText.size() || !QChar::isLowSurrogate(aText.at(aIndex + 1).unicode());
    if (QChar::isLowSurrogate(c))
        return aIndex == 0 || !QChar::isHighSurrogate(aText.at(aIndex - 1).unicode());
    return false;
}

} // namespace

ExportXmlWriter::ExportXmlWriter(const QString& aPath) : mFile(aPath) {}

ExportXmlWriter::~ExportXmlWriter()
{
    finish();
}

int ExportXmlWriter::open(const QString& aRootElement)
{
    if (!mFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return ExportResult::OutputNotOpened;
    mWriter.setDevice(&mFile);
    mWriter.setAutoFormatting(true);
    mWriter.setAutoFormattingIndent(4);
    mWriter.writeStartDocument(QStringLiteral("1.0"));
    mWriter.writeStartElement(aRootElement);
    return ExportResult::Ok;
}

void ExportXmlWriter::writeStartElement(const QString& aName)
{
    if (isOpen())
        mWriter.writeStartElement(aName);
}

void ExportXmlWriter::writeEndElement()
{
    if (isOpen())
        mWriter.writeEndElement();
}

void ExportXmlWriter::writeAttribute(const QString& aName, const QString& aValue)
{
    if (isOpen())
        mWriter.writeAttribute(aName, clean(aValue));
}

void ExportXmlWriter::writeTextElement(const QString& aName, const QString& aText)
{
    if (isOpen())
        mWriter.writeTextElement(aName, clean(aText));
}

void ExportXmlWriter::writeCharacters(const QString& aText)
{
    if (isOpen())
        mWriter.writeCharacters(clean(aText));
}

bool ExportXmlWriter::finish()
{
    if (!isOpen())
        return true;
    mWriter.writeEndDocument(); // closes the root element and any element left open
    mFile.flush();
    const bool ok = mFile.error() == QFileDevice::NoError && !mWriter.hasError();
    mFile.close();
    return ok;
}

QString ExportXmlWriter::clean(const QString& aText)
{
    qsizetype first = 0;
    const qsizetype size = aText.size();
    while (first < size && !isIllegalAt(aText, first))
        ++first;
    if (first == size)
        return aText;

    QString result;
    result.reserve(size);
    result.append(QStringView(aText).left(first));
    for (qsizetype i = first; i < size; ++i) {
        if (isIllegalAt(aText, i)) {
            logValue("Removed illegal character", int(aText.at(i).unicode()));
            continue;
        }
        result.append(aText.at(i));
    }
    return result;
}
