#include "linklookup.h"

#include "backgroundlist.h"
#include "linkresolver.h"

#include "common/failure.h"
#include "net/textrequest.h"

LinkLookup::LinkLookup(const LinkResolver &resolver, const QString &id, Form form, QObject *parent)
    : QObject(parent), m_resolver(resolver), m_form(form)
{
    askForAddress(id);
}

LinkLookup::LinkLookup(const LinkResolver &resolver, QObject *parent)
    : QObject(parent), m_resolver(resolver), m_form(Form::Encoded)
{
    watch(m_resolver.fetchBackgroundList(this), &LinkLookup::takeBackgroundList);
}

void LinkLookup::abort()
{
    if (m_request)
        m_request->abort();
    disconnect(this, nullptr, nullptr, nullptr);
    deleteLater();
}

void LinkLookup::watch(TextRequest *request, void (LinkLookup::*answer)(const QString &))
{
    m_request = request;
    connect(request, &TextRequest::finished, this, answer);
    connect(request, &TextRequest::failed, this, &LinkLookup::fail);
}

void LinkLookup::askForAddress(const QString &id)
{
    watch(m_resolver.fetchPath(id, this), &LinkLookup::takePath);
}

void LinkLookup::takeBackgroundList(const QString &body)
{
    QString id;
    if (const std::optional<QString> failure = failureOf([&] { id = cutBackgroundId(body); }))
        return fail(*failure);
    askForAddress(id);
}

void LinkLookup::takePath(const QString &path)
{
    QString link;
    if (const std::optional<QString> failure
        = failureOf([&] { link = m_resolver.linkFromPath(path, m_form); }))
        return fail(*failure);
    deleteLater();
    emit resolved(link);
}

void LinkLookup::fail(const QString &reason, FailureKind kind)
{
    deleteLater();
    emit failed(reason, kind);
}
