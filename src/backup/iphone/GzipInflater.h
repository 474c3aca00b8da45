#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Inflates gzip or zlib data (the header tells which) with zlib. qUncompress reads neither: it
// expects a length prefix of its own.
class GzipInflater
{
public:
    // The whole inflated data, or nothing when aData is not complete, sound gzip/zlib data or
    // would inflate to more than aLimit bytes (a damaged or hostile stream must not take all
    // memory).
    static std::optional<QByteArray> inflate(QByteArrayView aData, qsizetype aLimit);

    // Whether aData starts like gzip (1F 8B) or zlib (a deflate header whose check bits hold).
    static bool looksCompressed(QByteArrayView aData);
};
