#pragma once

#include <QtGlobal>

// Layout of the per-phone track cache file. Every integer is little-endian. A value item is an
// int32 byte length followed by that many bytes; a string item is an int32 byte length followed
// by UTF-16LE code units without a terminator.
namespace TrackCacheFormat {

constexpr qint32 kMagic = 1000;
constexpr qint32 kTagVersion = 1001;
constexpr qint32 kTagTotalSize = 1002;
constexpr qint32 kTagIntegrity = 1003;
constexpr qint32 kVersion = 1;

constexpr qint32 kTagRecordStart = 0;
constexpr qint32 kTagTrackName = 1;
constexpr qint32 kTagAlbumName = 2;
constexpr qint32 kTagArtistName = 3;
constexpr qint32 kTagPath = 4;
constexpr qint32 kTagTrackNumber = 5;
constexpr qint32 kTagFlags = 7;
constexpr qint32 kTagSizeOnDevice = 8;
constexpr qint32 kTagDeviceIdOffset = 9;
constexpr qint32 kTagDeviceIdLength = 10;

constexpr qint32 kFlagOnDevice = 1;
constexpr qint32 kFlagConverted = 2;

// A header as written by this program: magic, then the version, total and integrity items.
constexpr qint64 kHeaderSize = 44;
constexpr qint64 kTotalSizeItemOffset = 20;
constexpr qint64 kIntegrityItemOffset = 36;

// No name, path or device id comes near this; a longer item is corrupt, and refusing it keeps a
// hostile file from making the reader hold gigabytes.
constexpr qint64 kMaxStringBytes = 1 << 20;

// Tag plus item for an int32 and an int64 value.
constexpr qint64 kInt32TaggedSize = 12;
constexpr qint64 kInt64TaggedSize = 16;

} // namespace TrackCacheFormat

// Results of the track cache operations.
namespace TrackCacheResult {

constexpr qint32 kSuccess = 0;
// A new, empty cache file was created (the caller treats it as success).
constexpr qint32 kNewCacheFile = -5001;
// No more records.
constexpr qint32 kEndOfFile = -5002;
// Passed through from the settings file.
constexpr qint32 kSettingsUnreadable = -5003;
constexpr qint32 kNoSettingsForPhone = -6000;
constexpr qint32 kOpenFailed = -6001;
constexpr qint32 kWriteFailed = -6002;
constexpr qint32 kReadFailed = -6003;
// Wrong magic, unknown tag, an item longer than the file, a record without flags.
constexpr qint32 kBadContent = -6004;

} // namespace TrackCacheResult
