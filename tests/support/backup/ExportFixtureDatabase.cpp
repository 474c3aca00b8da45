#include "backup/ExportFixtureDatabase.h"

#include <QAtomicInteger>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSqlError>
#include <QSqlQuery>
#include <QXmlStreamReader>
#include <QtDebug>

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
