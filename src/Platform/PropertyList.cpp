#include "PropertyList.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

#include <cstdlib>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace PropertyList {
namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
struct CharDeleter {
    void operator()(char *text) const { std::free(text); }
};

QVariant convert(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant::fromValue<qulonglong>(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING: {
        // Read with its length: a string may hold a NUL, on which plist_get_string_val()
        // stops the process with a failed assertion.
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        return QString::fromUtf8(text ? text : "", text ? static_cast<qsizetype>(length) : 0);
    }
    case PLIST_DATA: {
        char *raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        std::unique_ptr<char, CharDeleter> data(raw);
        return QByteArray(data.get(), static_cast<qsizetype>(length));
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // Property-list dates count from 2001-01-01T00:00:00Z.
        constexpr qint64 referenceDate = 978307200;
        return QDateTime::fromMSecsSinceEpoch(
            (referenceDate + seconds) * 1000 + microseconds / 1000, Qt::UTC);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i)
            list.append(convert(plist_array_get_item(node, i)));
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char *rawKey = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &rawKey, &value);
            std::unique_ptr<char, CharDeleter> key(rawKey);
            if (!key)
                break;
            // A key without a value reads as absent.
            if (value)
                map.insert(QString::fromUtf8(key.get()), convert(value));
        }
        std::free(it);
        return map;
    }
    default:
        return {};
    }
}

} // namespace

Result<QVariant> parse(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return fail(Error::decoding(u"the file is empty"_s));
    if (bytes.size() > std::numeric_limits<uint32_t>::max())
        return fail(Error::decoding(u"the file is too large"_s));
    // libplist stops the process with a failed assertion when it hands out a key or string
    // that holds a NUL character. XML cannot hold one at all; a binary list is written out as
    // XML first, where any such character shows. Either way, a NUL refuses the file.
    QByteArray xml = bytes;
    if (bytes.startsWith("bplist")) {
        plist_t binary = nullptr;
        plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &binary);
        std::unique_ptr<void, PlistDeleter> tree(binary);
        if (!tree)
            return fail(Error::decoding(u"not a property list in XML or binary form"_s));
        char *text = nullptr;
        uint32_t length = 0;
        plist_to_xml(tree.get(), &text, &length);
        std::unique_ptr<char, CharDeleter> written(text);
        if (!written)
            return fail(Error::decoding(u"not a property list in XML or binary form"_s));
        xml = QByteArray(written.get(), static_cast<qsizetype>(length));
    }
    if (xml.contains('\0'))
        return fail(Error::decoding(u"a key or string holds a NUL character"_s));

    plist_t raw = nullptr;
    plist_from_memory(xml.constData(), static_cast<uint32_t>(xml.size()), &raw);
    std::unique_ptr<void, PlistDeleter> root(raw);
    if (!root)
        return fail(Error::decoding(u"not a property list in XML or binary form"_s));
    return convert(root.get());
}

} // namespace PropertyList
