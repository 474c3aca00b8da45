#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// An Apple property list read with libplist, which takes both forms that backups come in:
// XML and binary ("bplist00"). Holds the parsed tree; not copyable.
class PlistFile
{
public:
    // Files larger than this are not property lists of a backup; they are refused unread.
    static constexpr qint64 kMaxSize = 128 * 1024 * 1024;

    PlistFile() = default;
    ~PlistFile();
    PlistFile(const PlistFile&) = delete;
    PlistFile& operator=(const PlistFile&) = delete;

    // False when the file cannot be read or is not a property list.
    bool load(const QString& aPath);
    bool loadData(const QByteArray& aData);

    bool isValid() const { return mRoot != nullptr; }
    bool wasBinary() const { return mBinary; }

    // The whole tree as XML text (empty when nothing was loaded).
    QByteArray toXml() const;
    // Every string of the tree in document order; dictionary keys are not among them.
    QStringList strings() const;

    // Values of a key of the top-level dictionary; nothing when the key is missing or holds
    // another type. An integer counts as a boolean (0 false, anything else true).
    std::optional<bool> boolValue(const char* aKey) const;
    std::optional<QString> stringValue(const char* aKey) const;

    static bool isBinaryData(const QByteArray& aData);

private:
    void clear();

    void* mRoot = nullptr;
    bool mBinary = false;
};
