#include "requesttarget.h"

RequestTarget::RequestTarget(const std::string &target)
{
    const QByteArray raw = QByteArray::fromStdString(target);
    const qsizetype mark = raw.indexOf('?');
    m_path = QByteArray::fromPercentEncoding(mark < 0 ? raw : raw.left(mark));
    if (mark < 0)
        return;

    // No "+" to blank conversion: the client escapes "+" itself, so a literal one is a "+".
    const QList<QByteArray> items = raw.mid(mark + 1).split('&');
    for (const QByteArray &item : items) {
        if (item.isEmpty())
            continue;
        const qsizetype equals = item.indexOf('=');
        if (equals < 0)
            m_query.append({QByteArray::fromPercentEncoding(item), QByteArray()});
        else
            m_query.append({QByteArray::fromPercentEncoding(item.left(equals)),
                            QByteArray::fromPercentEncoding(item.mid(equals + 1))});
    }
}

std::optional<QByteArray> RequestTarget::queryValue(QByteArrayView key) const
{
    for (const auto &[itemKey, value] : m_query) {
        if (itemKey == key)
            return value;
    }
    return std::nullopt;
}
