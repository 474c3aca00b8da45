#include "backup/PortableText.h"

#include "app/DebugLog.h"

namespace {

bool isXmlForbidden(const QString& aText, qsizetype aIndex)
{
    const char16_t c = aText.at(aIndex).unicode();
    if (c < 0x20)
        return c != u'\t' && c != u'\n' && c != u'\r';
    if (c == 0xFFFE || c == 0xFFFF)
        return true;
    return PortableText::isLoneSurrogate(aText, aIndex);
}

} // namespace

bool PortableText::isLoneSurrogate(const QString& aText, qsizetype aIndex)
{
    const char16_t c = aText.at(aIndex).unicode();
    if (QChar::isHighSurrogate(c))
        return aIndex + 1 >= aText.size() || !QChar::isLowSurrogate(aText.at(aIndex + 1).unicode());
    if (QChar::isLowSurrogate(c))
        return aIndex == 0 || !QChar::isHighSurrogate(aText.at(aIndex - 1).unicode());
    return false;
}

QString PortableText::forXml(const QString& aText)
{
    const qsizetype size = aText.size();
    qsizetype first = 0;
    while (first < size && !isXmlForbidden(aText, first))
        ++first;
    if (first == size)
        return aText;

    QString result;
    result.reserve(size);
    result.append(QStringView(aText).left(first));
    int removed = 0;
    for (qsizetype i = first; i < size; ++i) {
        if (isXmlForbidden(aText, i))
            ++removed;
        else
            result.append(aText.at(i));
    }
    logValue("Removed characters XML cannot carry", removed);
    return result;
}

QString PortableText::withoutControls(const QString& aText, bool aKeepLineBreaks)
{
    const qsizetype size = aText.size();
    qsizetype first = 0;
    while (first < size) {
        const char16_t c = aText.at(first).unicode();
        if (c < 0x20 || c == 0x7F || c == 0xFFFE || c == 0xFFFF || isLoneSurrogate(aText, first))
            break;
        ++first;
    }
    if (first == size)
        return aText;

    QString result;
    result.reserve(size);
    result.append(QStringView(aText).left(first));
    const QChar lineBreak = aKeepLineBreaks ? QChar(u'\n') : QChar(u' ');
    for (qsizetype i = first; i < size; ++i) {
        const char16_t c = aText.at(i).unicode();
        if (c == u'\r') {
            // CR LF and a lone CR are one line break each.
            result.append(lineBreak);
            if (i + 1 < size && aText.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            result.append(lineBreak);
        } else if (c == u'\t') {
            result.append(u' ');
        } else if (c < 0x20 || c == 0x7F || c == 0xFFFE || c == 0xFFFF
                   || isLoneSurrogate(aText, i)) {
            continue;
        } else {
            result.append(aText.at(i));
        }
    }
    return result;
}
