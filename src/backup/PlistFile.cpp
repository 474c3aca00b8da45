#include "backup/PlistFile.h"

#include <QFile>

#include <cstdlib>
#include <vector>

#include <plist/plist.h>

PlistFile::~PlistFile()
{
    clear();
}

void PlistFile::clear()
{
    if (mRoot)
        plist_free(static_cast<plist_t>(mRoot));
    mRoot = nullptr;
    mBinary = false;
}

bool PlistFile::isBinaryData(const QByteArray& aData)
{
    return aData.startsWith("bplist00");
}

bool PlistFile::load(const QString& aPath)
{
    clear();
    QFile file(aPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSize)
        return false;
    return loadData(file.readAll());
}

bool PlistFile::loadData(const QByteArray& aData)
{
    clear();
    if (aData.isEmpty() || aData.size() > kMaxSize)
        return false;
    plist_t root = nullptr;
    mBinary = isBinaryData(aData);
    if (mBinary)
        plist_from_bin(aData.constData(), uint32_t(aData.size()), &root);
    else
        plist_from_xml(aData.constData(), uint32_t(aData.size()), &root);
    mRoot = root;
    if (!mRoot)
        mBinary = false;
    return mRoot != nullptr;
}

QByteArray PlistFile::toXml() const
{
    if (!mRoot)
        return {};
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(mRoot), &xml, &length);
    if (!xml)
        return {};
    QByteArray result(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return result;
}

QStringList PlistFile::strings() const
{
    QStringList result;
    // Depth first with a stack of its own: a deep binary tree must not exhaust the call stack.
    std::vector<plist_t> pending;
    if (mRoot)
        pending.push_back(static_cast<plist_t>(mRoot));
    std::vector<plist_t> children;
    while (!pending.empty()) {
        const plist_t node = pending.back();
        pending.pop_back();
        children.clear();
        switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            char* value = nullptr;
            plist_get_string_val(node, &value);
            result.append(value ? QString::fromUtf8(value) : QString());
            free(value);
            break;
        }
        case PLIST_ARRAY:
            for (uint32_t i = 0, n = plist_array_get_size(node); i < n; ++i)
                children.push_back(plist_array_get_item(node, i));
            break;
        case PLIST_DICT: {
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            for (;;) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, iter, &key, &value);
                free(key);
                if (!value)
                    break;
                children.push_back(value);
            }
            free(iter);
            break;
        }
        default:
            break;
        }
        // Reversed, so that the first child is taken next.
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return result;
}

namespace {

plist_t dictItem(void* aRoot, const char* aKey)
{
    plist_t root = static_cast<plist_t>(aRoot);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        return nullptr;
    return plist_dict_get_item(root, aKey);
}

} // namespace

std::optional<bool> PlistFile::boolValue(const char* aKey) const
{
    plist_t item = dictItem(mRoot, aKey);
    if (!item)
        return std::nullopt;
    if (plist_get_node_type(item) == PLIST_BOOLEAN) {
        uint8_t value = 0;
        plist_get_bool_val(item, &value);
        return value != 0;
    }
    if (plist_get_node_type(item) == PLIST_UINT) {
        uint64_t value = 0;
        plist_get_uint_val(item, &value);
        return value != 0;
    }
    return std::nullopt;
}

std::optional<QString> PlistFile::stringValue(const char* aKey) const
{
    plist_t item = dictItem(mRoot, aKey);
    if (!item || plist_get_node_type(item) != PLIST_STRING)
        return std::nullopt;
    char* value = nullptr;
    plist_get_string_val(item, &value);
    if (!value)
        return QString();
    QString result = QString::fromUtf8(value);
    free(value);
    return result;
}
