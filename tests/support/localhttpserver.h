#pragma once

#include <QString>

#include <httplib.h>

#include <atomic>
#include <thread>

// A small HTTP server on an ephemeral loopback port, serving from a thread of its own, for tests
// that need answers the catalogue stand-in does not give. Routes are added to server() before
// start(); the server stops when the object goes away.
class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();

    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    httplib::Server &server() { return m_server; }
    // Binds and starts serving; false when no port could be had
    bool start();
    // True once the server is going away: content providers that wait must then give up
    bool stopping() const { return m_stopping; }
    // "http://127.0.0.1:PORT" followed by `path`
    QString url(const QString &path) const;

private:
    httplib::Server m_server;
    std::atomic_bool m_stopping = false;
    std::thread m_thread;
    int m_port = 0;
};
