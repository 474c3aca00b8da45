#pragma once

#include "library/itunes/ITunesAutomation.h"
#include "library/itunes/XmlLibraryContext.h"

// The iTunes application over the library file that iTunes keeps beside its media. Creating one
// finds the file (see LibraryLocator) and takes its snapshot, which is parsed only when the file
// has changed since it was last read.
class XmlITunesApp : public itunes::IiTunes
{
public:
    // The application for the library file found now. Failures: kFileNotFound (no library file;
    // the paths tried are logged), kAccessDenied, kInvalidData (not a library), kCallRejected
    // (the file is being rewritten; try again).
    static itunes::HResult create(std::shared_ptr<itunes::IiTunes>* aApp);
    static itunes::HResult createForPath(const QString& aLibraryPath,
                                         std::shared_ptr<itunes::IiTunes>* aApp);

    // Use this library file instead of searching (the command line's --library); empty to
    // search again. Process-wide.
    static void setLibraryPath(const QString& aPath);

    explicit XmlITunesApp(std::shared_ptr<const LibrarySnapshot> aSnapshot);

    itunes::HResult getSources(std::shared_ptr<itunes::IITSourceCollection>* aSources) override;
    // Events are delivered in the calling thread, which must run an event loop.
    itunes::HResult findConnectionPoint(std::shared_ptr<itunes::IITConnectionPoint>* aPoint) override;

private:
    std::shared_ptr<XmlLibraryContext> mContext;
};
