#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <optional>
#include <string>

// A request target split into path and query, percent-escapes undone but the bytes left
// uninterpreted: the client encodes keywords and media paths in different ways, and only
// the handler that reads a value knows which decoding applies.
class RequestTarget {
public:
    explicit RequestTarget(const std::string &target);

    const QByteArray &path() const { return m_path; }
    // The value of the first item with this key; a key without "=" has an empty value.
    std::optional<QByteArray> queryValue(QByteArrayView key) const;

private:
    QByteArray m_path;
    QList<QPair<QByteArray, QByteArray>> m_query;
};
