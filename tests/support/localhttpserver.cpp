#include "localhttpserver.h"

#include <chrono>

using namespace Qt::StringLiterals;

LocalHttpServer::LocalHttpServer()
{
    // A test's connections are done with quickly; idle ones must not hold up the stop
    m_server.set_keep_alive_timeout(1);
}

LocalHttpServer::~LocalHttpServer()
{
    m_stopping = true;
    m_server.stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool LocalHttpServer::start()
{
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

QString LocalHttpServer::url(const QString &path) const
{
    return u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(path);
}
