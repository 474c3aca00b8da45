#include "BackupManifest.h"

#include <QFile>

#include <plist/plist.h>

#include <cstdlib>
#include <memory>

namespace {

// Larger files are no Manifest.plist; they are refused unread.
constexpr qint64 kMaxSize = 16 * 1024 * 1024;

QByteArray dataOf(plist_t aNode)
{
    if (!aNode || plist_get_node_type(aNode) != PLIST_DATA)
        return QByteArray();
    char* value = nullptr;
    uint64_t length = 0;
    plist_get_data_val(aNode, &value, &length);
    QByteArray result(value, qsizetype(length));
    free(value);
    return result;
}

QString stringOf(plist_t aNode)
{
    if (!aNode || plist_get_node_type(aNode) != PLIST_STRING)
        return QString();
    char* value = nullptr;
    plist_get_string_val(aNode, &value);
    QString result = QString::fromUtf8(value);
    free(value);
    return result;
}

} // namespace

bool BackupManifest::load(const QString& aPath)
{
    *this = BackupManifest();
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSize)
        return false;
    const QByteArray data = file.readAll();
    if (data.isEmpty())
        return false;
    plist_t root = nullptr;
    if (data.startsWith("bplist00"))
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    else
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
    std::unique_ptr<void, decltype(&plist_free)> guard(root, plist_free);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        return false;
    if (plist_t encrypted = plist_dict_get_item(root, "IsEncrypted")) {
        if (plist_get_node_type(encrypted) == PLIST_BOOLEAN) {
            uint8_t value = 0;
            plist_get_bool_val(encrypted, &value);
            mEncrypted = value != 0;
        } else if (plist_get_node_type(encrypted) == PLIST_UINT) {
            uint64_t value = 0;
            plist_get_uint_val(encrypted, &value);
            mEncrypted = value != 0;
        }
    }
    mKeybag = dataOf(plist_dict_get_item(root, "BackupKeyBag"));
    mManifestKey = dataOf(plist_dict_get_item(root, "ManifestKey"));
    plist_t lockdown = plist_dict_get_item(root, "Lockdown");
    if (lockdown && plist_get_node_type(lockdown) == PLIST_DICT)
        mProductVersion = stringOf(plist_dict_get_item(lockdown, "ProductVersion"));
    return true;
}
