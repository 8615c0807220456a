#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// Misbehaviour on demand: each rule names the requests it applies to and what goes wrong with
// them. Rules come from the command line (per list page) and from the catalogue file's
// "overrides"; every rule that matches a request takes effect.
class FaultRules {
public:
    // What a rule can match on. `act` is the query's act value, or "media" for /music/ files.
    struct Request {
        QByteArray act;
        std::optional<int> page; // list requests only; 1 when the query names none
        QString id; // trimmed song identifier (getonemusic, media)
        std::optional<QString> keyword; // decoded keyword of a search
    };

    // The combined effect of the matching rules.
    struct Plan {
        int delayMs = 0;
        bool hang = false; // never answer, until the service stops
        bool cut = false; // announce the full length, send half the body, drop the connection
        bool endless = false; // the body never ends: the answer's start, then filler forever
        int dripMs = 0; // the body goes out one byte at a time, one every dripMs
        // Drop the connection after this many bytes of the body (of the requested range)
        std::optional<qint64> cutAfterBytes;
        int bytesPerSecond = 0; // above 0: the body goes out at this pace
        std::optional<int> status;
        std::optional<QByteArray> body; // replaces the regular answer
        QByteArray contentType;
    };

    struct Rule {
        std::optional<QByteArray> act;
        std::optional<int> page;
        std::optional<QString> id;
        std::optional<QString> keyword;
        Plan effect;

        bool matches(const Request &request) const;
        // Throws std::runtime_error for a malformed rule.
        static Rule fromJson(const QJsonObject &object);
    };

    void append(const Rule &rule) { m_rules.append(rule); }
    Plan planFor(const Request &request) const;

    // Command-line switches for list pages: "N:MS", "N", "N:CODE"; and for every media answer:
    // "BYTES", "BYTES_PER_SECOND". Each throws std::runtime_error for a malformed value.
    static Rule delayedPage(const QString &value);
    static Rule hangingPage(const QString &value);
    static Rule cutPage(const QString &value);
    static Rule statusPage(const QString &value);
    static Rule emptyPage(const QString &value);
    static Rule endlessPage(const QString &value);
    // "N" drips a byte every 2 s; "N:MS" every MS milliseconds
    static Rule drippingPage(const QString &value);
    static Rule cutMedia(const QString &value);
    static Rule pacedMedia(const QString &value);

private:
    QList<Rule> m_rules;
};
