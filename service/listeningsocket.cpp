#include "listeningsocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kBacklog = 128;

std::string addressText(quint16 port)
{
    return "127.0.0.1:" + std::to_string(port);
}

// Address reuse lets the service start again while connections of an earlier run linger in
// TIME_WAIT. Port reuse is left off, so that a port another process listens on is refused
// instead of shared with it. The connections taken inherit no delay: the library writes an
// answer's head and body apart, and with Nagle's rule the body of an answer after the first
// on a connection could wait some 40 ms for the client's delayed acknowledgement.
int boundSocket(quint16 port)
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        throw std::runtime_error(std::string("cannot open a socket: ") + std::strerror(errno));
    const int yes = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);

    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(descriptor, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return descriptor;

    const int error = errno;
    ::close(descriptor);
    if (error == EADDRINUSE)
        throw std::runtime_error(addressText(port)
                                 + " is in use: another process listens there already");
    throw std::runtime_error("cannot bind " + addressText(port) + ": " + std::strerror(error));
}

quint16 portOf(int descriptor)
{
    sockaddr_in address {};
    socklen_t length = sizeof address;
    if (::getsockname(descriptor, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error(std::string("cannot read the bound port: ")
                                 + std::strerror(errno));
    return ntohs(address.sin_port);
}

} // namespace

ListeningSocket::~ListeningSocket()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void ListeningSocket::bind(quint16 port)
{
    if (port != 0) {
        m_descriptor = boundSocket(port);
        m_port = port;
        return;
    }
    // A port the system picked is given up when the socket stops listening; one bound by number
    // is kept. So the picked port is bound by number beside the first socket, which may share
    // it while neither listens, and the first is closed.
    const int picked = boundSocket(0);
    try {
        m_port = portOf(picked);
        m_descriptor = boundSocket(m_port);
    } catch (...) {
        ::close(picked);
        throw;
    }
    ::close(picked);
}

void ListeningSocket::listen()
{
    if (::listen(m_descriptor, kBacklog) != 0)
        throw std::runtime_error("cannot listen on " + addressText(m_port) + ": "
                                 + std::strerror(errno));
    m_listening = true;
}

void ListeningSocket::pause()
{
    // Shutting a listening socket down turns it back into a bound one. One that does not listen
    // is left alone: shut down, it would hand its shutdown on to the connections it takes later.
    if (!m_listening)
        return;
    ::shutdown(m_descriptor, SHUT_RDWR);
    m_listening = false;
}
