#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

// A strict, fast reader of an XML property list held in memory: the shape iTunes writes. It
// offers the few calls of QXmlStreamReader that the library parser uses, with the same meaning,
// but only for files it can read exactly as QXmlStreamReader would. Anything else - comments,
// processing instructions, CDATA, a document type with its own declarations, attributes below
// the root, entities other than the predefined ones, invalid UTF-8, carriage returns inside
// text, or any error - makes it give up (failed()), and the caller reads the file the slow way.
class PlistScanner
{
public:
    explicit PlistScanner(QByteArrayView aData);

    // As QXmlStreamReader: to the next child of the current element (true), or past the current
    // element's end (false).
    bool readNextStartElement();
    // The name of the element last started.
    QStringView name() const { return mName; }
    // To the end of the current element.
    void skipCurrentElement();
    // The text of the current element, children skipped; aBuffer keeps its capacity.
    bool readTextInto(QString& aBuffer);
    // The same as a new string: null when the element holds no text at all.
    QString readElementText();
    // Reads what is left: true when the document ends well-formed.
    bool finish();
    // The library parser's mark between the tracks and the rest: nothing to check here.
    void tracksEnded() {}

    bool failed() const { return mFailed; }

private:
    enum class Token { Start, End, Text, Failed };

    bool readProlog();
    bool readDoctype();
    bool readRootStart();
    Token nextToken();
    Token readStartTag();
    Token readEndTag();
    Token readText();
    bool appendText(QString& aBuffer);
    bool appendElementText(QString& aBuffer);
    bool skipSpaces();
    bool fail();

    const char* mPos;
    const char* mEnd;
    bool mFailed = false;
    bool mStarted = false;
    bool mRootClosed = false;
    // An element written "<name/>": started, and its end already read.
    bool mEndPending = false;
    std::vector<QByteArrayView> mOpen;
    QStringView mName;
    QString mNameBuffer;
    // The last text token.
    const char* mTextFrom = nullptr;
    const char* mTextTo = nullptr;
    bool mTextPlain = true;
};
