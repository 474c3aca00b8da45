#pragma once

#include "library/LibraryContent.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <memory>

// One read of a library file as the tests compare them: the one-pass XML read is the reference
// every faster way of reading must equal.
struct LibraryReadOutcome
{
    bool ok = false;
    bool parallel = false;
    bool scanned = false;
    QString error;
    std::shared_ptr<const LibraryContent> content;
    QString musicFolder;

    // A Windows library of aTracks tracks with entities, non-ASCII names, podcasts, tracks
    // without a location and a playlist naming a missing track.
    static QByteArray sampleLibrary(int aTracks, const QString& aNameSuffix = QString());
    // QXmlStreamReader in one pass.
    static LibraryReadOutcome readSerially(const QString& aPath);
    // As the application reads a file.
    static LibraryReadOutcome readFile(const QString& aPath);
    // aSample with one to three random edits: a byte changed, bytes removed or one of
    // aInsertions inserted (an empty one stands for a NUL byte), anywhere or around the middle.
    static QByteArray damaged(const QByteArray& aSample, QRandomGenerator& aRandom,
                              bool aAroundMiddle, const QList<QByteArray>& aInsertions);
    // Empty when both reads gave the same result, else what differs.
    static QString difference(const LibraryReadOutcome& aSerial, const LibraryReadOutcome& aOther);
};
