#include "backup/ExportFixtureDatabase.h"

#include <QAtomicInteger>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSqlError>
#include <QSqlQuery>
#include <QXmlStreamReader>
#include <QtDebug>

#include <libheif/heif.h>

ExportFixtureDatabase::ExportFixtureDatabase(const QString& aPath, File aFile) : mPath(aPath)
{
    static QAtomicInteger<int> counter;
    mConnection = QStringLiteral("export-fixture-%1").arg(counter.fetchAndAddRelaxed(1));
    if (aFile == File::Replace)
        QFile::remove(aPath);
    mDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mConnection);
    mDb.setDatabaseName(aPath);
    if (!mDb.open()) {
        qWarning() << "fixture database not opened" << aPath << mDb.lastError().text();
        return;
    }
    // A fixture made from scratch needs no protection against power loss; this keeps the
    // tests quick.
    if (aFile == File::Replace) {
        exec(QStringLiteral("PRAGMA synchronous = OFF"));
        exec(QStringLiteral("PRAGMA journal_mode = MEMORY"));
    }
}

ExportFixtureDatabase::~ExportFixtureDatabase()
{
    mDb.close();
    mDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(mConnection);
}

bool ExportFixtureDatabase::exec(const QString& aStatement, const QVariantList& aValues)
{
    QSqlQuery query(mDb);
    if (!query.prepare(aStatement)) {
        qWarning() << "fixture statement not prepared" << aStatement << query.lastError().text();
        return false;
    }
    for (const QVariant& value : aValues)
        query.addBindValue(value);
    if (!query.exec()) {
        qWarning() << "fixture statement failed" << aStatement << query.lastError().text();
        return false;
    }
    mLastId = query.lastInsertId().toLongLong();
    return true;
}

bool ExportFixtureDatabase::execAll(const QStringList& aStatements)
{
    for (const QString& statement : aStatements) {
        if (!exec(statement))
            return false;
    }
    return true;
}

bool ExportFixtureDatabase::begin()
{
    return mDb.transaction();
}

bool ExportFixtureDatabase::commit()
{
    return mDb.commit();
}

namespace ExportFixture {

namespace {

QImage gradient(int aWidth, int aHeight, QColor aColor, QImage::Format aFormat)
{
    QImage image(aWidth, aHeight, aFormat);
    for (int y = 0; y < aHeight; ++y) {
        for (int x = 0; x < aWidth; ++x) {
            const int shade = (x * 255) / qMax(1, aWidth - 1);
            image.setPixelColor(x, y, QColor(aColor.red(), shade, (y * 255) / qMax(1, aHeight - 1),
                                             aColor.alpha()));
        }
    }
    return image;
}

QByteArray encode(const QImage& aImage, const char* aFormat)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!aImage.save(&buffer, aFormat))
        qWarning() << "fixture picture not encoded" << aFormat;
    return bytes;
}

} // namespace

QByteArray jpeg(int aWidth, int aHeight, QColor aColor)
{
    return encode(gradient(aWidth, aHeight, aColor, QImage::Format_RGB32), "JPEG");
}

QByteArray png(int aWidth, int aHeight, bool aTransparent)
{
    QColor color(30, 120, 200, aTransparent ? 0 : 255);
    return encode(gradient(aWidth, aHeight, color, QImage::Format_ARGB32), "PNG");
}

QByteArray heic(int aWidth, int aHeight, QColor aColor)
{
    const QImage picture =
        gradient(aWidth, aHeight, aColor, QImage::Format_RGB32).convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    QByteArray bytes;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code
            == heif_error_Ok
        && heif_image_create(aWidth, aHeight, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                             &image).code == heif_error_Ok
        && heif_image_add_plane(image, heif_channel_interleaved, aWidth, aHeight, 8).code
               == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < aHeight; ++y)
            memcpy(plane + qsizetype(y) * stride, picture.constScanLine(y), size_t(aWidth) * 3);
        heif_encoder_set_lossy_quality(encoder, 80);
        if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code
            == heif_error_Ok) {
            heif_writer writer{};
            writer.writer_api_version = 1;
            writer.write = [](heif_context*, const void* aData, size_t aSize, void* aOut) {
                static_cast<QByteArray*>(aOut)->append(static_cast<const char*>(aData),
                                                        qsizetype(aSize));
                return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
            };
            heif_context_write(context, &writer, &bytes);
        }
    }
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    if (bytes.isEmpty())
        qWarning() << "fixture HEIC picture not encoded";
    return bytes;
}

bool walSnapshot(const QString& aSource, const QString& aTarget,
                 const std::function<bool()>& aAddRows)
{
    // This connection stays open until the copies are made: the last one to close would fold
    // the log into the database and remove it.
    ExportFixtureDatabase holder(aSource);
    if (!holder.isOpen() || !holder.exec(QStringLiteral("PRAGMA journal_mode = WAL"))
        || !holder.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"))
        || !holder.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !aAddRows())
        return false;
    for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
        QFile::remove(aTarget + suffix);
        if (!QFile::copy(aSource + suffix, aTarget + suffix)) {
            qWarning() << "fixture database not copied" << aSource + suffix;
            return false;
        }
    }
    return QFileInfo(aTarget + QStringLiteral("-wal")).size() > 0;
}

bool writeFile(const QString& aPath, const QByteArray& aData)
{
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(aData) == aData.size();
}

QByteArray readFile(const QString& aPath)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QString xmlError(const QString& aPath)
{
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open ") + aPath;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return QStringLiteral("%1 at line %2").arg(reader.errorString()).arg(reader.lineNumber());
    return QString();
}

} // namespace ExportFixture
