#pragma once

#include "library/itunes/LibrarySnapshot.h"
#include "library/itunes/TrackLocationResolver.h"

#include <memory>

// What the objects of one XML application share: the snapshot they read and the resolver of
// track locations (with its folder listings). Belongs to one application object and its thread.
struct XmlLibraryContext
{
    explicit XmlLibraryContext(std::shared_ptr<const LibrarySnapshot> aSnapshot)
        : mSnapshot(std::move(aSnapshot))
        , mResolver(mSnapshot->libraryPath(), mSnapshot->musicFolder())
    {
    }

    std::shared_ptr<const LibrarySnapshot> mSnapshot;
    TrackLocationResolver mResolver;
};
