#pragma once

#include <QtGlobal>

// The service's listening socket on 127.0.0.1, held here rather than by the HTTP library, so
// that an outage can stop taking connections and take them again on the same port. The port is
// always bound by number: the system keeps such a port for the socket while it does not listen,
// and refuses the connections attempted meanwhile.
class ListeningSocket {
public:
    ListeningSocket() = default;
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket &) = delete;
    ListeningSocket &operator=(const ListeningSocket &) = delete;

    // Binds 127.0.0.1:port, 0 for a free one, without listening yet. Throws std::runtime_error
    // with a readable reason, also when another process listens there already.
    void bind(quint16 port);
    quint16 port() const { return m_port; }
    int descriptor() const { return m_descriptor; }

    // Takes connections (again). Throws std::runtime_error.
    void listen();
    // Stops taking connections and wakes a thread waiting for one; the port stays bound.
    void pause();

private:
    int m_descriptor = -1;
    quint16 m_port = 0;
    bool m_listening = false;
};
