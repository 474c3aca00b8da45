#include "ExpectedPhoneFiles.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kHint = QStringLiteral("CORVO/playlisthint");
const QString kRefreshHint = QStringLiteral("CORVO/refreshhint");

// An attribute value as the companion app gets it: composed Unicode, markup characters and
// white space other than blanks as references, other control characters left out.
QByteArray attribute(const QString& aValue)
{
    QByteArray out;
    for (const QChar c : aValue.normalized(QString::NormalizationForm_C)) {
        switch (c.unicode()) {
        case u'&': out += "&amp;"; break;
        case u'<': out += "&lt;"; break;
        case u'>': out += "&gt;"; break;
        case u'"': out += "&quot;"; break;
        case u'\t': out += "&#9;"; break;
        case u'\n': out += "&#10;"; break;
        case u'\r': out += "&#13;"; break;
        default:
            if (c.unicode() >= 0x20)
                out += QString(c).toUtf8();
        }
    }
    return out;
}

QByteArray element(const ExpectedPhoneFiles::CopiedTrack& aTrack)
{
    return "<track path=\"/" + attribute(aTrack.mPhonePath) + "\" artist=\""
           + attribute(aTrack.mArtist) + "\" album=\"" + attribute(aTrack.mAlbum)
           + "\" track_name=\"" + attribute(aTrack.mName) + "\" track_number=\""
           + QByteArray::number(aTrack.mNumber) + '"';
}

// "\Music\...": a track as the refresh hint names it.
QByteArray backslashed(const QString& aPhonePath)
{
    QString path = QLatin1Char('/') + aPhonePath;
    return path.replace(QLatin1Char('/'), QLatin1Char('\\')).toUtf8();
}

} // namespace

void ExpectedPhoneFiles::configured(const QString& aPhoneId)
{
    mFiles.setFile(QStringLiteral("CORVO/uniqueid"), aPhoneId.toLatin1());
}

QByteArray ExpectedPhoneFiles::metadataFile(const QList<CopiedTrack>& aTracks, bool aComplete)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><metadata";
    for (const CopiedTrack& track : aTracks)
        out += (&track == &aTracks.first() ? ">" : "/>") + element(track);
    if (aComplete)
        out += aTracks.isEmpty() ? "/>\n" : "/></metadata>\n";
    return out;
}

QByteArray ExpectedPhoneFiles::albumPictureOf(const QString& aMediaFile)
{
    static QHash<QString, QByteArray> sPictures;
    if (sPictures.contains(aMediaFile))
        return sPictures.value(aMediaFile);
    // The cover as the file carries it, taken out by ffmpeg rather than by the library reader.
    QTemporaryDir dir;
    const QString cover = dir.filePath(QStringLiteral("cover.jpg"));
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {QStringLiteral("-v"), QStringLiteral("quiet"), QStringLiteral("-i"), aMediaFile,
                       QStringLiteral("-an"), QStringLiteral("-c:v"), QStringLiteral("copy"),
                       QStringLiteral("-frames:v"), QStringLiteral("1"), QStringLiteral("-f"),
                       QStringLiteral("image2"), cover});
    const QImage image(cover);
    QByteArray jpeg;
    if (!image.isNull()) {
        const QImage scaled = image.scaled(300, 300, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QImage canvas(scaled.size(), QImage::Format_RGB888);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        painter.drawImage(0, 0, scaled);
        painter.end();
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        canvas.save(&buffer, "JPG");
    }
    sPictures.insert(aMediaFile, jpeg);
    return jpeg;
}

void ExpectedPhoneFiles::appendLine(const QString& aPath, const QByteArray& aLine)
{
    mFiles.setFile(aPath, mFiles.file(aPath) + aLine);
}

void ExpectedPhoneFiles::ran(const Run& aRun)
{
    if (!aRun.mPrepared)
        return;
    if (mKind == Kind::Mtp) {
        // The mark goes at the start of a run and comes back at its end, unless the run was
        // cancelled: the cancel stops every transfer, the mark's too.
        mFiles.removeFile(QStringLiteral("CORVO/synccomplete"));
        if (aRun.mFinalized && !aRun.mCancelled)
            mFiles.setFile(QStringLiteral("CORVO/synccomplete"), "sync-complete");
        for (const AlbumPicture& picture : aRun.mPictures)
            mFiles.setFile(picture.mAlbumFolder + QStringLiteral("/folder.jpg"), picture.mJpeg);
        return;
    }
    mFiles.setFile(QStringLiteral("CORVO/metadata%1.xml").arg(mMetadataFiles++),
                   metadataFile(aRun.mCopied, aRun.mFinalized));
    // Written over the start of whatever was there.
    QByteArray version = mFiles.file(QStringLiteral("CORVO/pcversion.txt"));
    mFiles.setFile(QStringLiteral("CORVO/pcversion.txt"), "123" + version.mid(3));
    for (const AlbumPicture& picture : aRun.mPictures) {
        // A picture already there is the user's or an earlier run's: it stays.
        const QString path = picture.mAlbumFolder + QStringLiteral("/AlbumArt.jpg");
        if (!mFiles.contains(path))
            mFiles.setFile(path, picture.mJpeg);
        appendLine(kRefreshHint, backslashed(picture.mTrackPath) + "\r\n");
    }
    for (const QString& name : aRun.mPlaylistsWritten) {
        appendLine(kHint, name.toUtf8() + '\n');
        mHintedPlaylists.insert(name);
    }
    if (aRun.mOldPlaylistsChecked) {
        QStringList files = aRun.mPlaylistFiles;
        files.sort();
        for (const QString& name : std::as_const(files)) {
            if (!mHintedPlaylists.contains(name)) {
                appendLine(kHint, name.toUtf8() + '\n');
                mHintedPlaylists.insert(name);
            }
        }
    }
}

void ExpectedPhoneFiles::adopt(const PhoneTree& aPhone)
{
    mMetadataFiles = 0;
    for (const QString& path : aPhone.paths()) {
        if (!path.startsWith(QLatin1String("CORVO/")) && !path.endsWith(QLatin1String("/AlbumArt.jpg"))
            && !path.endsWith(QLatin1String("/folder.jpg")))
            continue;
        mFiles.setFile(path, aPhone.file(path));
        if (path.startsWith(QLatin1String("CORVO/metadata")))
            ++mMetadataFiles;
    }
    for (const QByteArray& line : aPhone.file(kHint).split('\n')) {
        if (!line.isEmpty())
            mHintedPlaylists.insert(QString::fromUtf8(line));
    }
}
