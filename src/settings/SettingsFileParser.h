#pragma once

#include <QByteArray>
#include <QDomDocument>
#include <QString>

// Reads the settings file into a document, and nothing else: it never creates a folder and
// never writes a file. A file that is not well-formed, is far larger than any real settings
// file or nests far deeper than the layout does is refused as damaged before the document is
// built, so a broken or hostile file costs milliseconds, not minutes.
class SettingsFileParser
{
public:
    enum class State {
        Read,    // parsed (an empty file reads as an empty document)
        Missing, // the file is not there or cannot be opened
        Damaged, // the file is there but is refused; the document is empty
    };

    // The settings layout is four levels deep and a few kilobytes; a thousand phones with
    // a thousand playlists each stay well below both limits.
    static constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;
    static constexpr int kMaxDepth = 32;

    // Reads aPath.
    static SettingsFileParser readFile(const QString& aPath);
    // Parses aContents as if they were the file's.
    static SettingsFileParser parse(const QByteArray& aContents);

    State state() const { return mState; }
    // Why the file was refused, for the trace log; empty when it was not.
    const QString& problem() const { return mProblem; }
    const QDomDocument& document() const { return mDocument; }

private:
    void refuse(const QString& aProblem);
    // True when aContents nest no deeper than kMaxDepth; a file that is not well-formed is
    // left to the document parser, which says where.
    bool depthIsSane(const QByteArray& aContents);

    State mState = State::Missing;
    QString mProblem;
    QDomDocument mDocument;
};
