#pragma once

#include <QString>
#include <QStringList>

// How Android's media provider turns the entries of an M3U playlist into files, applied to a
// phone folder as if it were the shared storage at "/storage/emulated/0":
// - Android 9 and older: an entry that is not absolute is put after the playlist's folder;
//   the file whose path components match the entry's from the end (case-insensitive, "/" and
//   "\" alike) for the longest run wins; a tie resolves to nothing.
// - Android 10: the entry is a path relative to the playlist's folder, exactly; "\" is an
//   ordinary character.
// - Android 11 and later: "\" becomes "/", the entry is resolved against the playlist's folder
//   (a leading "/" starts from the device's root), and failing that the one file of the same
//   name on the volume, when there is exactly one.
class AndroidPlaylistResolver
{
public:
    enum class Rules { Android9, Android10, Android11 };
    static constexpr Rules kAllRules[] = {Rules::Android9, Rules::Android10, Rules::Android11};
    static QString name(Rules aRules);

    // Takes the files below aPhoneRoot as they are now.
    explicit AndroidPlaylistResolver(const QString& aPhoneRoot);

    // The local path of the file that aEntry of the playlist at aPlaylistPath (a local path
    // below the phone root) names, or empty when it resolves to nothing.
    QString resolve(const QString& aPlaylistPath, const QString& aEntry, Rules aRules) const;

private:
    // A path on the device for a path relative to the phone root, and back (empty when the
    // device path is not on the volume).
    static QString devicePath(const QString& aRelative);
    QString fileAt(const QString& aDevicePath) const;
    QString bySuffix(const QString& aDevicePath) const;
    QString byUniqueName(const QString& aFileName) const;

    QString mRoot;
    // Every file on the volume, relative to the root, "/" separated, and its device path's
    // components.
    QStringList mFiles;
    QList<QStringList> mComponents;
};
