#include "MbFileBlob.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

namespace {

// An archived value is either inline or a UID naming its place in $objects.
plist_t resolve(plist_t aObjects, plist_t aNode)
{
    if (!aNode || plist_get_node_type(aNode) != PLIST_UID)
        return aNode;
    uint64_t index = 0;
    plist_get_uid_val(aNode, &index);
    if (index >= plist_array_get_size(aObjects))
        return nullptr;
    return plist_array_get_item(aObjects, uint32_t(index));
}

qint64 integerOf(plist_t aNode)
{
    if (!aNode || plist_get_node_type(aNode) != PLIST_UINT)
        return -1;
    uint64_t value = 0;
    plist_get_uint_val(aNode, &value);
    return value > uint64_t(std::numeric_limits<qint64>::max()) ? -1 : qint64(value);
}

QByteArray dataOf(plist_t aObjects, plist_t aNode)
{
    plist_t node = resolve(aObjects, aNode);
    // NSData is archived as a dictionary holding the bytes under NS.data.
    if (node && plist_get_node_type(node) == PLIST_DICT)
        node = resolve(aObjects, plist_dict_get_item(node, "NS.data"));
    if (!node || plist_get_node_type(node) != PLIST_DATA)
        return QByteArray();
    char* value = nullptr;
    uint64_t length = 0;
    plist_get_data_val(node, &value, &length);
    QByteArray result(value, qsizetype(length));
    free(value);
    return result;
}

} // namespace

bool MbFileBlob::parse(const QByteArray& aBlob)
{
    mEncryptionKey.clear();
    mProtectionClass = -1;
    mSize = -1;
    plist_t root = nullptr;
    if (aBlob.startsWith("bplist00"))
        plist_from_bin(aBlob.constData(), uint32_t(aBlob.size()), &root);
    else if (!aBlob.isEmpty())
        plist_from_xml(aBlob.constData(), uint32_t(aBlob.size()), &root);
    std::unique_ptr<void, decltype(&plist_free)> guard(root, plist_free);
    if (!root || plist_get_node_type(root) != PLIST_DICT) {
        mError = QStringLiteral("its file record is no property list");
        return false;
    }
    plist_t objects = plist_dict_get_item(root, "$objects");
    plist_t top = plist_dict_get_item(root, "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top
        || plist_get_node_type(top) != PLIST_DICT) {
        mError = QStringLiteral("its file record is no archive");
        return false;
    }
    plist_t file = resolve(objects, plist_dict_get_item(top, "root"));
    if (!file || plist_get_node_type(file) != PLIST_DICT) {
        mError = QStringLiteral("its file record holds no file");
        return false;
    }
    mEncryptionKey = dataOf(objects, plist_dict_get_item(file, "EncryptionKey"));
    mProtectionClass = integerOf(resolve(objects, plist_dict_get_item(file, "ProtectionClass")));
    mSize = integerOf(resolve(objects, plist_dict_get_item(file, "Size")));
    mError.clear();
    return true;
}
