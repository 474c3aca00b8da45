#pragma once

#include <QByteArray>
#include <QString>

// What Manifest.plist (XML or binary, read with libplist) says about a backup's encryption:
// IsEncrypted, the keybag (BackupKeyBag), the key of Manifest.db (ManifestKey: a 4-byte
// little-endian protection class, then the wrapped key; iOS 10 and later) and the iOS version
// (Lockdown/ProductVersion).
class BackupManifest
{
public:
    // False when the file is missing or not a property list; the backup then counts as plain.
    bool load(const QString& aPath);

    bool mEncrypted = false;
    QByteArray mKeybag;
    QByteArray mManifestKey;
    QString mProductVersion;
};
