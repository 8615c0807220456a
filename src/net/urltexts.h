#pragma once

#include <QString>

// The table of the catalogue service's URL texts, keyed 101 to 105. Keys 101, 102, 103 and 105
// begin with the service base; 104 is a suffix. Read by key each time a URL is built.
class UrlTexts {
public:
    enum Key {
        SearchFirstPage = 101,
        SongAddress = 102,
        ListPagePrefix = 103,
        ListPageSuffix = 104,
        DefaultListFirstPage = 105,
    };

    explicit UrlTexts(QString serviceBase);

    // An unknown key gives the empty text, as a missing resource string would.
    QString text(Key key) const;
    const QString &serviceBase() const { return m_serviceBase; }

private:
    QString m_serviceBase;
};
