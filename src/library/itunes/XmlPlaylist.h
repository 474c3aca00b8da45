#pragma once

#include "library/itunes/ITunesAutomation.h"
#include "library/itunes/XmlLibraryContext.h"

// One playlist of the library file. Every playlist but the library playlist is a user playlist.
class XmlPlaylist : public itunes::IITUserPlaylist, public std::enable_shared_from_this<XmlPlaylist>
{
public:
    XmlPlaylist(std::shared_ptr<XmlLibraryContext> aContext, qint32 aPlaylistIndex);

    itunes::HResult getName(QString* aName) override;
    itunes::HResult getKind(qint32* aKind) override;
    itunes::HResult getSize(double* aSize) override;
    itunes::HResult getTracks(std::shared_ptr<itunes::IITTrackCollection>* aTracks) override;
    // Like the search field of iTunes: every word of aText must occur, without regard to case,
    // in the name, artist, album, album artist, composer or genre of a track.
    itunes::HResult search(const QString& aText, qint32 aSearchField,
                           std::shared_ptr<itunes::IITTrackCollection>* aTracks) override;
    itunes::HResult queryUserPlaylist(std::shared_ptr<itunes::IITUserPlaylist>* aUserPlaylist) override;
    itunes::HResult getSpecialKind(qint32* aSpecialKind) override;

private:
    const LibraryPlaylist& playlist() const;

    std::shared_ptr<XmlLibraryContext> mContext;
    qint32 mPlaylistIndex;
};

// The playlists of the library, in file order (the library playlist first).
class XmlPlaylistCollection : public itunes::IITPlaylistCollection
{
public:
    explicit XmlPlaylistCollection(std::shared_ptr<XmlLibraryContext> aContext);

    itunes::HResult getCount(qint32* aCount) override;
    itunes::HResult getItem(qint32 aIndex, std::shared_ptr<itunes::IITPlaylist>* aItem) override;

private:
    std::shared_ptr<XmlLibraryContext> mContext;
};
