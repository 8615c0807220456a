#pragma once

#include "net/failurekind.h"

#include <QObject>
#include <QPointer>
#include <QString>

class LinkResolver;
class TextRequest;

// One song's link on its way from the service: one song-address request, or for the background
// track the background list and then the address of its first song. The link comes through
// resolved() or the reason through failed(), from the event loop and exactly once, after which
// the lookup deletes itself. abort() ends it, and its request, without either signal.
class LinkLookup : public QObject {
    Q_OBJECT

public:
    enum class Form {
        // The path percent-encoded in code page 936: the link that is played, shown, downloaded
        Encoded,
        // The path as the service sent it; shown only
        Raw,
    };

    // Asks for the address of the song `id`
    LinkLookup(const LinkResolver &resolver, const QString &id, Form form, QObject *parent);
    // Asks for the background list first, then for the address of its first song
    LinkLookup(const LinkResolver &resolver, QObject *parent);

    void abort();

signals:
    void resolved(const QString &link);
    // `kind` tells whether the service could be reached at all
    void failed(const QString &reason, FailureKind kind);

private:
    void askForAddress(const QString &id);
    void takeBackgroundList(const QString &body);
    void takePath(const QString &path);
    void watch(TextRequest *request, void (LinkLookup::*answer)(const QString &));
    void fail(const QString &reason, FailureKind kind = FailureKind::Answered);

    const LinkResolver &m_resolver;
    const Form m_form;
    QPointer<TextRequest> m_request;
};
