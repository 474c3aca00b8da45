#pragma once

#include <QByteArray>
#include <QColor>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>

// A writable SQLite file for the exporter fixtures, under a connection name of its own.
// Failures are reported with qWarning and make exec() return false, so a broken fixture shows
// up in the test output instead of as a puzzling export.
class ExportFixtureDatabase
{
public:
    enum class File {
        Keep,    // opens the file as it is (a new one when missing)
        Replace, // removes an existing file first, so that the fixture starts empty
    };

    explicit ExportFixtureDatabase(const QString& aPath, File aFile = File::Keep);
    ~ExportFixtureDatabase();
    ExportFixtureDatabase(const ExportFixtureDatabase&) = delete;
    ExportFixtureDatabase& operator=(const ExportFixtureDatabase&) = delete;

    bool isOpen() const { return mDb.isOpen(); }
    const QString& path() const { return mPath; }

    // Runs one statement with positional values ("?"). A QByteArray binds as a BLOB, a null
    // QVariant as NULL.
    bool exec(const QString& aStatement, const QVariantList& aValues = {});
    bool execAll(const QStringList& aStatements);
    // The rowid of the last insert.
    qint64 lastId() const { return mLastId; }

    bool begin();
    bool commit();

private:
    QString mPath;
    QString mConnection;
    QSqlDatabase mDb;
    qint64 mLastId = -1;
};

// Pictures and files for the fixtures.
namespace ExportFixture {
// A JPEG or PNG picture of aWidth x aHeight, a colour gradient so that it is not trivial.
QByteArray jpeg(int aWidth, int aHeight, QColor aColor = QColor(200, 40, 40));
QByteArray png(int aWidth, int aHeight, bool aTransparent);
// The same gradient as a HEIC picture, made by libheif's HEVC encoder; empty when the encoder is
// missing.
QByteArray heic(int aWidth, int aHeight, QColor aColor = QColor(40, 160, 40));
// Makes aTarget a copy of the database aSource whose rows added by aAddRows (through any
// connection to aSource) exist only in its write-ahead log "aTarget-wal", as a phone leaves a
// database it was still writing. aSource is switched to WAL mode first.
bool walSnapshot(const QString& aSource, const QString& aTarget,
                 const std::function<bool()>& aAddRows);
bool writeFile(const QString& aPath, const QByteArray& aData);
QByteArray readFile(const QString& aPath);
// An empty string when the whole file is well-formed XML, else the parser's error and line.
QString xmlError(const QString& aPath);
} // namespace ExportFixture
