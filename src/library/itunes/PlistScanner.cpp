#include "library/itunes/PlistScanner.h"

#include <array>
#include <cstring>
#include <utility>

namespace {

bool isSpace(char aChar)
{
    return aChar == ' ' || aChar == '\t' || aChar == '\n' || aChar == '\r';
}

bool isNameStart(char aChar)
{
    return (aChar >= 'a' && aChar <= 'z') || (aChar >= 'A' && aChar <= 'Z') || aChar == '_';
}

bool isNameChar(char aChar)
{
    return isNameStart(aChar) || (aChar >= '0' && aChar <= '9') || aChar == '-' || aChar == '.';
}

bool startsWith(const char* aFrom, const char* aEnd, const char* aText)
{
    const size_t length = std::strlen(aText);
    return size_t(aEnd - aFrom) >= length && std::memcmp(aFrom, aText, length) == 0;
}

bool isXmlChar(char32_t aCode)
{
    return aCode == 0x9 || aCode == 0xA || aCode == 0xD || (aCode >= 0x20 && aCode <= 0xD7FF)
           || (aCode >= 0xE000 && aCode <= 0xFFFD) || (aCode >= 0x10000 && aCode <= 0x10FFFF);
}

// The length of the UTF-8 sequence at aFrom when it encodes a character XML allows, else 0.
int utf8Length(const char* aFrom, const char* aEnd)
{
    const auto* p = reinterpret_cast<const unsigned char*>(aFrom);
    const unsigned lead = p[0];
    int length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (aEnd - aFrom < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms are not characters.
    if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000))
        return 0;
    return isXmlChar(code) ? length : 0;
}

// Reads the reference at aFrom ('&'): a predefined entity or a character reference. Moves aFrom
// past it; false for anything else.
bool readReference(const char*& aFrom, const char* aEnd, char32_t& aCode)
{
    static const std::array<std::pair<const char*, char32_t>, 5> kPredefined = {{
        {"&amp;", U'&'}, {"&lt;", U'<'}, {"&gt;", U'>'}, {"&quot;", U'"'}, {"&apos;", U'\''}}};
    for (const auto& [text, code] : kPredefined) {
        if (startsWith(aFrom, aEnd, text)) {
            aFrom += std::strlen(text);
            aCode = code;
            return true;
        }
    }
    if (!startsWith(aFrom, aEnd, "&#"))
        return false;
    const char* p = aFrom + 2;
    const bool hex = p < aEnd && *p == 'x';
    if (hex)
        ++p;
    char32_t code = 0;
    const char* digitsFrom = p;
    for (; p < aEnd && *p != ';'; ++p) {
        int digit = -1;
        if (*p >= '0' && *p <= '9')
            digit = *p - '0';
        else if (hex && *p >= 'a' && *p <= 'f')
            digit = *p - 'a' + 10;
        else if (hex && *p >= 'A' && *p <= 'F')
            digit = *p - 'A' + 10;
        if (digit < 0)
            return false;
        code = code * (hex ? 16 : 10) + char32_t(digit);
        if (code > 0x10FFFF)
            return false;
    }
    if (p >= aEnd || p == digitsFrom || !isXmlChar(code))
        return false;
    aFrom = p + 1;
    aCode = code;
    return true;
}

// Element names of a property list, so that naming an element makes no string.
QStringView knownName(QByteArrayView aName)
{
    const auto is = [aName](const char* aText) {
        return std::memcmp(aName.data(), aText, size_t(aName.size())) == 0;
    };
    switch (aName.size()) {
    case 3:
        if (is("key")) return u"key";
        break;
    case 4:
        if (is("dict")) return u"dict";
        if (is("true")) return u"true";
        if (is("date")) return u"date";
        if (is("data")) return u"data";
        if (is("real")) return u"real";
        break;
    case 5:
        if (is("array")) return u"array";
        if (is("false")) return u"false";
        if (is("plist")) return u"plist";
        break;
    case 6:
        if (is("string")) return u"string";
        break;
    case 7:
        if (is("integer")) return u"integer";
        break;
    default:
        break;
    }
    return QStringView();
}

} // namespace

PlistScanner::PlistScanner(QByteArrayView aData)
    : mBegin(aData.data()), mPos(aData.data()), mEnd(aData.data() + aData.size())
{
}

void PlistScanner::startInside(qsizetype aOffset, std::vector<QByteArrayView> aOpen)
{
    mPos = mBegin + aOffset;
    mOpen = std::move(aOpen);
    mStarted = true;
}

void PlistScanner::setSplit(qsizetype aOffset, std::function<bool()> aHandOver)
{
    mSplit = mBegin + aOffset;
    mHandOver = std::move(aHandOver);
}

bool PlistScanner::atSplit() const
{
    // Positions only grow: once past the split, never again.
    if (!mSplit || mFailed || mEndPending || mPos > mSplit || mSplit - mPos > 256
        || mOpen.size() != 3)
        return false;
    for (const char* p = mPos; p < mSplit; ++p) {
        if (!isSpace(*p))
            return false;
    }
    return true;
}

void PlistScanner::tracksEnded()
{
    if (!mHandOver)
        return;
    mStoppedAtSplit = atSplit();
    // Whether or not this part took its tracks from the other, the other is done with.
    const bool handedOver = mHandOver();
    mHandOver = nullptr;
    mSplit = nullptr;
    if (mStoppedAtSplit && !handedOver)
        fail();
}

void PlistScanner::resumeAfterTracks(qsizetype aOffset)
{
    mPos = mBegin + aOffset;
    mOpen.pop_back();
}

bool PlistScanner::fail()
{
    mFailed = true;
    return false;
}

bool PlistScanner::skipSpaces()
{
    while (mPos < mEnd && isSpace(*mPos))
        ++mPos;
    return mPos < mEnd;
}

bool PlistScanner::readProlog()
{
    if (startsWith(mPos, mEnd, "\xEF\xBB\xBF"))
        mPos += 3;
    if (startsWith(mPos, mEnd, "<?xml") && mPos + 5 < mEnd && isSpace(mPos[5])) {
        mPos += 5;
        // version, then encoding and standalone, each at most once and in that order.
        static const std::array<const char*, 3> kOrder = {"version", "encoding", "standalone"};
        size_t next = 0;
        for (;;) {
            if (!skipSpaces())
                return fail();
            if (startsWith(mPos, mEnd, "?>"))
                break;
            size_t which = next;
            while (which < kOrder.size() && !startsWith(mPos, mEnd, kOrder[which]))
                ++which;
            if (which == kOrder.size() || (next == 0 && which != 0))
                return fail();
            mPos += std::strlen(kOrder[which]);
            next = which + 1;
            if (!skipSpaces() || *mPos != '=' || (++mPos, !skipSpaces()))
                return fail();
            const char quote = *mPos;
            if (quote != '"' && quote != '\'')
                return fail();
            const char* valueFrom = ++mPos;
            while (mPos < mEnd && *mPos != quote && *mPos > ' ' && *mPos < 0x7F)
                ++mPos;
            if (mPos >= mEnd || *mPos != quote)
                return fail();
            const QLatin1StringView value(valueFrom, mPos - valueFrom);
            ++mPos;
            const bool valid =
                (which == 0 && value == QLatin1StringView("1.0"))
                || (which == 1
                    && value.compare(QLatin1StringView("UTF-8"), Qt::CaseInsensitive) == 0)
                || (which == 2
                    && (value == QLatin1StringView("yes") || value == QLatin1StringView("no")));
            if (!valid)
                return fail();
        }
        mPos += 2;
    }
    bool doctypeSeen = false;
    for (;;) {
        if (!skipSpaces())
            return fail();
        if (doctypeSeen || !startsWith(mPos, mEnd, "<!DOCTYPE"))
            break;
        doctypeSeen = true;
        if (!readDoctype())
            return fail();
    }
    return true;
}

bool PlistScanner::readDoctype()
{
    // "<!DOCTYPE plist PUBLIC "..." "...">" or with SYSTEM: no internal subset, which could
    // declare entities, and literals of the public identifier's characters only.
    const auto literal = [this]() {
        if (mPos >= mEnd || (*mPos != '"' && *mPos != '\''))
            return false;
        const char quote = *mPos++;
        static const char kPunctuation[] = " -'()+,./:=?;!*#@$_%";
        while (mPos < mEnd && *mPos != quote
               && (isNameStart(*mPos) || (*mPos >= '0' && *mPos <= '9')
                   || (*mPos != 0 && std::strchr(kPunctuation, *mPos) != nullptr)))
            ++mPos;
        if (mPos >= mEnd || *mPos != quote)
            return false;
        ++mPos;
        return true;
    };
    const auto spaces = [this]() {
        const char* const from = mPos;
        skipSpaces();
        return mPos > from;
    };
    mPos += 9;
    if (!spaces() || mPos >= mEnd || !isNameStart(*mPos))
        return false;
    while (mPos < mEnd && isNameChar(*mPos))
        ++mPos;
    const char* const beforeId = mPos;
    if (spaces() && startsWith(mPos, mEnd, "PUBLIC")) {
        mPos += 6;
        if (!spaces() || !literal() || !spaces() || !literal())
            return false;
    } else if (mPos > beforeId && startsWith(mPos, mEnd, "SYSTEM")) {
        mPos += 6;
        if (!spaces() || !literal())
            return false;
    }
    skipSpaces();
    if (mPos >= mEnd || *mPos != '>')
        return false;
    ++mPos;
    return true;
}

bool PlistScanner::readRootStart()
{
    if (!startsWith(mPos, mEnd, "<plist"))
        return fail();
    mPos += 6;
    const char* const afterName = mPos;
    skipSpaces();
    // At most the version attribute.
    if (mPos > afterName && startsWith(mPos, mEnd, "version")) {
        mPos += 7;
        if (!skipSpaces() || *mPos != '=' || (++mPos, !skipSpaces()))
            return fail();
        const char quote = *mPos;
        if (quote != '"' && quote != '\'')
            return fail();
        ++mPos;
        while (mPos < mEnd && *mPos != quote && *mPos >= ' ' && *mPos < 0x7F && *mPos != '<'
               && *mPos != '&')
            ++mPos;
        if (mPos >= mEnd || *mPos != quote)
            return fail();
        ++mPos;
        skipSpaces();
    }
    if (mPos >= mEnd || *mPos != '>')
        return fail();
    ++mPos;
    mOpen.emplace_back("plist", 5);
    mName = u"plist";
    return true;
}

PlistScanner::Token PlistScanner::nextToken()
{
    if (mFailed || mRootClosed) {
        fail();
        return Token::Failed;
    }
    if (mEndPending) {
        mEndPending = false;
        mOpen.pop_back();
        mRootClosed = mOpen.empty();
        return Token::End;
    }
    if (mPos >= mEnd) {
        fail();
        return Token::Failed;
    }
    if (*mPos != '<')
        return readText();
    if (mPos + 1 < mEnd && mPos[1] == '/')
        return readEndTag();
    return readStartTag();
}

PlistScanner::Token PlistScanner::readStartTag()
{
    const char* const nameFrom = mPos + 1;
    const char* p = nameFrom;
    // Comments, processing instructions and CDATA sections give up here.
    if (p >= mEnd || !isNameStart(*p)) {
        fail();
        return Token::Failed;
    }
    while (p < mEnd && isNameChar(*p))
        ++p;
    const QByteArrayView name(nameFrom, p - nameFrom);
    while (p < mEnd && isSpace(*p))
        ++p;
    bool empty = false;
    if (p < mEnd && *p == '/') {
        empty = true;
        ++p;
    }
    if (p >= mEnd || *p != '>') {
        fail();
        return Token::Failed;
    }
    mPos = p + 1;
    mOpen.push_back(name);
    mEndPending = empty;
    mName = knownName(name);
    if (mName.isNull()) {
        mNameBuffer = QString::fromLatin1(name);
        mName = mNameBuffer;
    }
    return Token::Start;
}

PlistScanner::Token PlistScanner::readEndTag()
{
    const char* const nameFrom = mPos + 2;
    const char* p = nameFrom;
    while (p < mEnd && isNameChar(*p))
        ++p;
    const QByteArrayView name(nameFrom, p - nameFrom);
    while (p < mEnd && isSpace(*p))
        ++p;
    if (p >= mEnd || *p != '>' || mOpen.empty() || mOpen.back() != name) {
        fail();
        return Token::Failed;
    }
    mPos = p + 1;
    mOpen.pop_back();
    mRootClosed = mOpen.empty();
    return Token::End;
}

PlistScanner::Token PlistScanner::readText()
{
    const char* p = mPos;
    bool plain = true;
    while (p < mEnd) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '<')
            break;
        if (c >= 0x80) {
            const int length = utf8Length(p, mEnd);
            if (length == 0)
                break;
            p += length;
            plain = false;
            continue;
        }
        if (c == '&') {
            char32_t code = 0;
            if (!readReference(p, mEnd, code))
                break;
            plain = false;
            continue;
        }
        if (c == '\r') {
            // Line ends in text are normalised by an XML reader; leave that to it.
            plain = false;
        } else if (c < 0x20 && c != '\t' && c != '\n') {
            break;
        } else if (c == '>' && p - mPos >= 2 && p[-1] == ']' && p[-2] == ']') {
            break;
        }
        ++p;
    }
    if (p >= mEnd || *p != '<') {
        fail();
        return Token::Failed;
    }
    mTextFrom = mPos;
    mTextTo = p;
    mTextPlain = plain;
    mPos = p;
    return Token::Text;
}

bool PlistScanner::appendText(QString& aBuffer)
{
    if (mTextPlain) {
        aBuffer.append(QLatin1StringView(mTextFrom, mTextTo - mTextFrom));
        return true;
    }
    const char* runFrom = mTextFrom;
    const auto appendRun = [&aBuffer](const char* aFrom, const char* aTo) {
        if (aTo > aFrom)
            aBuffer.append(QString::fromUtf8(aFrom, aTo - aFrom));
    };
    for (const char* p = mTextFrom; p < mTextTo;) {
        if (*p == '\r')
            return fail();
        if (*p != '&') {
            ++p;
            continue;
        }
        appendRun(runFrom, p);
        char32_t code = 0;
        readReference(p, mTextTo, code);
        aBuffer.append(QStringView(QChar::fromUcs4(code)));
        runFrom = p;
    }
    appendRun(runFrom, mTextTo);
    return true;
}

bool PlistScanner::readNextStartElement()
{
    if (!mStarted) {
        mStarted = true;
        return readProlog() && readRootStart();
    }
    for (;;) {
        switch (nextToken()) {
        case Token::Start: return true;
        case Token::End: return false;
        case Token::Text: break;
        case Token::Failed: return false;
        }
    }
}

void PlistScanner::skipCurrentElement()
{
    int depth = 1;
    while (depth > 0) {
        switch (nextToken()) {
        case Token::Start: ++depth; break;
        case Token::End: --depth; break;
        case Token::Text: break;
        case Token::Failed: return;
        }
    }
}

bool PlistScanner::readTextInto(QString& aBuffer)
{
    aBuffer.resize(0);
    return appendElementText(aBuffer);
}

bool PlistScanner::appendElementText(QString& aBuffer)
{
    for (;;) {
        switch (nextToken()) {
        case Token::Text:
            if (!appendText(aBuffer))
                return false;
            break;
        case Token::Start: skipCurrentElement(); break;
        case Token::End: return true;
        case Token::Failed: return false;
        }
    }
}

QString PlistScanner::readElementText()
{
    // Left null without text, as QXmlStreamReader leaves it.
    QString text;
    appendElementText(text);
    return text;
}

bool PlistScanner::finish()
{
    if (!mStarted)
        return fail();
    while (!mRootClosed) {
        if (nextToken() == Token::Failed)
            return false;
    }
    skipSpaces();
    return !mFailed && mPos == mEnd;
}
