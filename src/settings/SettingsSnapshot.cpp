#include "settings/SettingsSnapshot.h"

#include "app/AppPaths.h"
#include "app/DebugLog.h"
#include "settings/SettingsFileParser.h"

#include <QDomDocument>
#include <QDomElement>
#include <QHash>

struct SettingsSnapshot::Data
{
    State state = State::Missing;
    QString problem;
    int formatVersion = 1;
    QHash<QString, QString> globals; // first child of each tag
    QList<std::shared_ptr<const PhoneSettings::Record>> phones;
};

namespace {

QString tag(const char* aName)
{
    return QString::fromLatin1(aName);
}

std::shared_ptr<const PhoneSettings::Record> recordOf(const QDomElement& aDevice)
{
    auto record = std::make_shared<PhoneSettings::Record>();
    record->id = aDevice.firstChildElement(tag(SettingKeys::kIdTag)).text();
    record->lineNumber = aDevice.lineNumber();
    const QString playlist = tag(SettingKeys::kPlaylistTag);
    const QString podcast = tag(SettingKeys::kPodcastTag);
    const QString list = tag(SettingKeys::kListTag);
    for (QDomElement child = aDevice.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString name = child.tagName();
        if (name == playlist) {
            record->playlistElements.append(child.text());
        } else if (name == podcast) {
            record->podcastElements.append(child.text());
        } else if (name == list) {
            PhoneSettings::Entries entries;
            for (QDomElement entry = child.firstChildElement(); !entry.isNull();
                 entry = entry.nextSiblingElement())
                entries.append({entry.attribute(QStringLiteral("key")),
                                entry.attribute(QStringLiteral("value"))});
            record->lists.append({child.attribute(tag(SettingKeys::kNameTag)), entries});
        }
        if (!record->values.contains(name))
            record->values.insert(name, child.text());
    }
    return record;
}

} // namespace

SettingsSnapshot::SettingsSnapshot()
    : d(std::make_shared<const Data>())
{
}

SettingsSnapshot::SettingsSnapshot(std::shared_ptr<const Data> aData)
    : d(std::move(aData))
{
}

QString SettingsSnapshot::filePath()
{
    return AppPaths::corvoFolder() + QStringLiteral("/corvo.xml");
}

SettingsSnapshot SettingsSnapshot::read()
{
    LogScope scope("SettingsSnapshot::read");
    const SettingsFileParser parser = SettingsFileParser::readFile(filePath());
    if (parser.state() == SettingsFileParser::State::Missing)
        return SettingsSnapshot();
    auto data = std::make_shared<Data>(*fromDocument(parser.document()).d);
    if (parser.state() == SettingsFileParser::State::Damaged) {
        data->state = State::Damaged;
        data->problem = parser.problem();
    }
    return SettingsSnapshot(std::move(data));
}

SettingsSnapshot SettingsSnapshot::fromBytes(const QByteArray& aContents)
{
    const SettingsFileParser parser = SettingsFileParser::parse(aContents);
    auto data = std::make_shared<Data>(*fromDocument(parser.document()).d);
    if (parser.state() == SettingsFileParser::State::Damaged) {
        data->state = State::Damaged;
        data->problem = parser.problem();
    }
    return SettingsSnapshot(std::move(data));
}

SettingsSnapshot SettingsSnapshot::fromDocument(const QDomDocument& aDocument)
{
    auto data = std::make_shared<Data>();
    data->state = State::Read;
    const QDomElement root = aDocument.documentElement();
    bool known = false;
    const int version = root.attribute(tag(SettingKeys::kFormatAttribute)).toInt(&known);
    data->formatVersion = known ? version : 1;
    const QString device = tag(SettingKeys::kDeviceTag);
    for (QDomElement child = root.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.tagName() == device)
            data->phones.append(recordOf(child));
        else if (!data->globals.contains(child.tagName()))
            data->globals.insert(child.tagName(), child.text());
    }
    return SettingsSnapshot(std::move(data));
}

SettingsSnapshot::State SettingsSnapshot::state() const
{
    return d->state;
}

QString SettingsSnapshot::problem() const
{
    return d->problem;
}

int SettingsSnapshot::formatVersion() const
{
    return d->formatVersion;
}

QString SettingsSnapshot::text(const SettingKey& aKey) const
{
    const auto found = d->globals.constFind(QLatin1String(aKey.name));
    return found == d->globals.constEnd() ? QString::fromLatin1(aKey.fallback) : *found;
}

PhoneSettings SettingsSnapshot::phone(const QString& aId) const
{
    for (const auto& record : d->phones) {
        if (record->id == aId)
            return PhoneSettings(record);
    }
    return PhoneSettings();
}

QList<PhoneSettings> SettingsSnapshot::phones() const
{
    QList<PhoneSettings> all;
    for (const auto& record : d->phones)
        all.append(PhoneSettings(record));
    return all;
}

QList<QPair<QString, QString>> SettingsSnapshot::phoneFolders() const
{
    QList<QPair<QString, QString>> folders;
    for (const PhoneSettings& phone : phones()) {
        const QString folder = phone.phoneFolder();
        if (!folder.isEmpty())
            folders.append({phone.id(), folder});
    }
    return folders;
}

QStringList SettingsSnapshot::usedCacheFileNames() const
{
    QStringList names;
    for (auto record = d->phones.crbegin(); record != d->phones.crend(); ++record) {
        const auto found = (*record)->values.constFind(tag(SettingKeys::kCacheTag));
        if (found != (*record)->values.constEnd())
            names.append(*found);
    }
    return names;
}
