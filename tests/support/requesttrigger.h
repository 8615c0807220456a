#pragma once

#include "catalogueservice.h"

#include <QTimer>

#include <functional>

// Runs an action once, as soon as the service has received a request whose target contains
// `marker`: a click that must land while that request is held back waits for the request
// itself rather than for a guess of the clock.
class RequestTrigger {
public:
    RequestTrigger(const CatalogueService &service, QString marker, std::function<void()> action)
        : m_service(service), m_marker(std::move(marker)), m_action(std::move(action))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { check(); });
        m_timer.start(kPollMs);
    }

    bool fired() const { return m_fired; }

private:
    static constexpr int kPollMs = 5;

    void check()
    {
        const QStringList targets = m_service.requestTargets();
        if (!std::any_of(targets.cbegin(), targets.cend(),
                         [this](const QString &target) { return target.contains(m_marker); }))
            return;
        m_timer.stop();
        m_fired = true;
        m_action();
    }

    const CatalogueService &m_service;
    const QString m_marker;
    const std::function<void()> m_action;
    QTimer m_timer;
    bool m_fired = false;
};
