#pragma once

#include <QString>

// Every address the program asks the catalogue service for, on the service base it was made
// with. The service knows exactly these forms, their fixed random-looking numbers included.
class ServiceUrls {
public:
    explicit ServiceUrls(QString serviceBase);

    // The service's own page: the site button opens it and the outage waits probe it
    const QString &homePage() const { return m_serviceBase; }
    // Page `page`, counted from 1, of the default class's list
    QString defaultList(qint32 page = 1) const;
    // Page `page`, counted from 1, of the songs found for a keyword already percent-encoded
    QString search(const QString &encodedKeyword, qint32 page = 1) const;
    // Asks for the media path of song `id`; the identifier is sent exactly as given
    QString songAddress(const QString &id) const;
    // A path on the service, such as a song's media path: the link that is played
    QString onService(const QString &path) const;
    // The list of songs that play behind the window at start-up
    QString backgroundList() const;

private:
    QString m_serviceBase;
};
