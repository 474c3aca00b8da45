#include "backup/blackberry/BlackBerryMessagesWriter.h"

#include "app/DebugLog.h"
#include "backup/blackberry/BackupDatabase.h"
#include "backup/ExportResult.h"
#include "backup/ExportXmlWriter.h"
#include "backup/PhoneMessage.h"
#include "backup/SmsBackupWriter.h"

#include <QStringDecoder>

namespace {

constexpr int kHeaderField = 1;
constexpr int kCorrespondentField = 2;
constexpr int kTextField = 4;
constexpr int kEncodingField = 7;
constexpr int kUtf16Encoding = 2;
// The header's first byte is 0 for a message the phone sent and 1 for one it received.
constexpr char kSentMarker = 0;
constexpr qsizetype kDateOffset = 13;
constexpr qsizetype kHeaderSizeWithDate = 21;

QString correspondent(const QByteArray& aField)
{
    QByteArray bytes = aField;
    bytes.removeIf([](char c) { return c == '\0'; });
    QString text = QString::fromUtf8(bytes);
    qsizetype first = 0;
    while (first < text.size() && text.at(first).unicode() <= 32)
        ++first;
    return text.mid(first);
}

quint64 milliseconds(const QByteArray& aHeader)
{
    quint64 milliseconds = 0;
    for (int i = 7; i >= 0; --i)
        milliseconds = milliseconds << 8 | quint8(aHeader.at(kDateOffset + i));
    if (DebugLog::instance().isOpen())
        logValue("dateBytes", QStringLiteral("%1").arg(milliseconds, 16, 16, QLatin1Char('0')));
    return milliseconds;
}

QString text(const QByteArray& aText, const QByteArray& aEncoding)
{
    if (!aEncoding.isEmpty() && aEncoding.at(0) == kUtf16Encoding) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(QByteArrayView(aText).first(aText.size() & ~qsizetype(1)));
    }
    const qsizetype zero = aText.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? QByteArrayView(aText) : QByteArrayView(aText).first(zero));
}

} // namespace

bool BlackBerryMessagesWriter::message(const BackupRecord& aRecord, Message& aMessage)
{
    const QByteArray* header = aRecord.lastField(kHeaderField);
    const QByteArray* address = aRecord.lastField(kCorrespondentField);
    const QByteArray* body = aRecord.lastField(kTextField);
    const QByteArray* encoding = aRecord.lastField(kEncodingField);
    if (!header || !address || !body || !encoding)
        return false;
    aMessage.mReceived = header->isEmpty() || header->at(0) != kSentMarker;
    aMessage.mAddress = correspondent(*address);
    aMessage.mDate = QString();
    aMessage.mMilliseconds = -1;
    if (header->size() >= kHeaderSizeWithDate) {
        const quint64 time = milliseconds(*header);
        aMessage.mDate = QString::number(time / 1000);
        aMessage.mMilliseconds = qint64(time & 0x7FFFFFFFFFFFFFFFULL);
    }
    aMessage.mText = text(*body, *encoding);
    return true;
}

int BlackBerryMessagesWriter::write(const BackupDatabase& aDatabase, const QString& aOutputPath,
                                    SmsBackupWriter* aSms)
{
    LogScope scope("BlackBerryReader::writeMessages");
    ExportXmlWriter writer(aOutputPath);
    if (!aOutputPath.isEmpty() && writer.open(QStringLiteral("messages")) != ExportResult::Ok)
        return ExportResult::OutputNotOpened;
    const QString sent = QStringLiteral("sent_message");
    const QString received = QStringLiteral("received_message");
    const QString address = QStringLiteral("address");
    const QString date = QStringLiteral("date");
    const QString text = QStringLiteral("text");
    Message message;
    for (const BackupRecord& record : aDatabase.mRecords) {
        if (!BlackBerryMessagesWriter::message(record, message))
            continue;
        writer.writeStartElement(message.mReceived ? received : sent);
        writer.writeTextElement(address, message.mAddress);
        if (!message.mDate.isNull())
            writer.writeTextElement(date, message.mDate);
        writer.writeTextElement(text, message.mText);
        writer.writeEndElement();
        if (aSms) {
            PhoneMessage phoneMessage;
            phoneMessage.mSent = !message.mReceived;
            phoneMessage.mAddress = message.mAddress;
            phoneMessage.mDate = qMax<qint64>(0, message.mMilliseconds);
            phoneMessage.mText = message.mText;
            aSms->write(phoneMessage);
        }
    }
    return writer.finish() ? ExportResult::Ok : ExportResult::OutputNotOpened;
}
