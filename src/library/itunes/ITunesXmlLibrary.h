#pragma once

#include "library/LibrarySource.h"

#include <QMutex>
#include <QString>

#include <memory>

class TrackLocationResolver;

// The iTunes or Apple Music library file ("iTunes Library.xml"), read through ITunesXmlCache:
// parsed again only when the file changed. Track locations are file URLs, resolved by
// TrackLocationResolver (Wine drive letters, libraries copied from another system).
class ITunesXmlLibrary : public LibrarySource
{
public:
    explicit ITunesXmlLibrary(const QString& aLibraryPath);
    ~ITunesXmlLibrary() override;

    QString kindName() const override;
    QString location() const override;
    LibraryRead read() override;
    QString filePath(const LibraryTrack& aTrack) const override;
    LibraryArtwork artwork(const LibraryTrack& aTrack) const override;
    // The library file (iTunes saves by renaming a new file over it; the watcher follows).
    QStringList watchedPaths() const override;

private:
    QString mPath;
    mutable QMutex mMutex;
    // The content the resolver was made for, and the resolver with its folder listings.
    std::shared_ptr<const LibraryContent> mContent;
    mutable std::unique_ptr<TrackLocationResolver> mResolver;
};
