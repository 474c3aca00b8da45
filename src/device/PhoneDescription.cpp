#include "device/PhoneDescription.h"

#include "app/DebugLog.h"

#include <QDomDocument>

namespace {

int attributeAsInt(const QDomElement& aElement, const QString& aName)
{
    bool ok = false;
    const int value = aElement.attribute(aName).trimmed().toInt(&ok);
    return ok ? value : -1;
}

} // namespace

void PhoneDescription::parse(const QByteArray& aContent, int& aVersion, int& aScreenPixels)
{
    QDomDocument document;
    if (aContent.size() <= kMaxSize)
        document.setContent(aContent);
    else
        logValue("Device info too large", aContent.size());
    const QDomElement root = document.documentElement();
    if (root.isNull()) {
        // An empty file is no description at all; unreadable content is a description without
        // a usable version.
        aVersion = aContent.isEmpty() ? -1 : 0;
        return;
    }
    const int version = attributeAsInt(root, QStringLiteral("version"));
    aVersion = version == -1 ? 0 : version;
    aScreenPixels = attributeAsInt(root, QStringLiteral("screen_pixels"));
}
