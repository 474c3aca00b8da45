#pragma once

#include <QXmlStreamWriter>

class QIODevice;
class Track;

// A run's metadata file: the declaration, a "metadata" root and one "track" element per track
// copied, all through one QXmlStreamWriter. Names go in composed Unicode, paths with "/"
// separators.
class MetadataFileWriter
{
public:
    // Writes the declaration and opens the root on aDevice, which must outlive the writer.
    explicit MetadataFileWriter(QIODevice* aDevice);

    // "<track path=... artist=... album=... track_name=... track_number=.../>"
    void writeTrack(const Track& aTrack);
    // Closes the root and ends the document.
    void finish();

private:
    QXmlStreamWriter mWriter;
};
