#include "backup/iphone/GzipInflater.h"

#include <zlib.h>

#include <algorithm>

bool GzipInflater::looksCompressed(QByteArrayView aData)
{
    if (aData.size() < 2)
        return false;
    const quint8 first = quint8(aData[0]);
    const quint8 second = quint8(aData[1]);
    if (first == 0x1F && second == 0x8B)
        return true;
    return (first & 0x0F) == 8 && (first >> 4) <= 7 && ((first << 8) | second) % 31 == 0;
}

std::optional<QByteArray> GzipInflater::inflate(QByteArrayView aData, qsizetype aLimit)
{
    z_stream stream{};
    // 15 + 32: the largest window, and the gzip or zlib header recognised automatically.
    if (inflateInit2(&stream, 15 + 32) != Z_OK)
        return std::nullopt;

    QByteArray out;
    out.resize(std::min<qsizetype>(std::max<qsizetype>(aData.size() * 4, 4096), aLimit + 1));
    // Inputs larger than what one call takes (uInt) are fed in pieces.
    qsizetype fed = 0;
    int status = Z_OK;
    qsizetype produced = 0;
    while (status == Z_OK) {
        if (stream.avail_in == 0 && fed < aData.size()) {
            const qsizetype piece = std::min<qsizetype>(aData.size() - fed, 1 << 30);
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(aData.data() + fed));
            stream.avail_in = uInt(piece);
            fed += piece;
        }
        if (produced == out.size()) {
            if (out.size() > aLimit)
                break;
            out.resize(std::min<qsizetype>(out.size() * 2, aLimit + 1));
        }
        const qsizetype room = std::min<qsizetype>(out.size() - produced, 1 << 30);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
        stream.avail_out = uInt(room);
        status = ::inflate(&stream, Z_NO_FLUSH);
        produced += room - qsizetype(stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0 && fed == aData.size())
            break; // the input ended before the stream did
        if (status == Z_BUF_ERROR)
            status = Z_OK; // only the output was full
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END || produced > aLimit)
        return std::nullopt;
    out.truncate(produced);
    return out;
}
