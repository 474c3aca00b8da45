#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
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

    // A read split in two parts. The second part starts at aOffset inside the open elements
    // aOpen (outermost first: the root, its dictionary, the "Tracks" dictionary).
    void startInside(qsizetype aOffset, std::vector<QByteArrayView> aOpen);
    // The first part stops when the library parser, between two tracks, stands just before
    // aOffset (only blanks between); aHandOver then joins the second part's tracks and moves
    // this reader past the "Tracks" dictionary with resumeAfterTracks(). It returns false when
    // the second part failed.
    void setSplit(qsizetype aOffset, std::function<bool()> aHandOver);
    bool atSplit() const;
    // Called by the library parser when it leaves the "Tracks" dictionary's loop.
    void tracksEnded();
    bool stoppedAtSplit() const { return mStoppedAtSplit; }
    // Goes on at aOffset, the end of the "Tracks" dictionary as the second part found it.
    void resumeAfterTracks(qsizetype aOffset);
    qsizetype position() const { return mPos - mBegin; }
    const std::vector<QByteArrayView>& openElements() const { return mOpen; }

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

    const char* mBegin;
    const char* mPos;
    const char* mEnd;
    const char* mSplit = nullptr;
    std::function<bool()> mHandOver;
    bool mStoppedAtSplit = false;
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
