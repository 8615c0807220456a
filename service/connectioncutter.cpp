#include "connectioncutter.h"

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>

namespace {

std::optional<quint16> portOf(int descriptor, bool peer)
{
    sockaddr_in address {};
    socklen_t length = sizeof address;
    const auto where = reinterpret_cast<sockaddr *>(&address);
    const int result = peer ? ::getpeername(descriptor, where, &length)
                            : ::getsockname(descriptor, where, &length);
    if (result != 0 || address.sin_family != AF_INET)
        return std::nullopt;
    return ntohs(address.sin_port);
}

// A listening socket has no peer, so only taken connections match.
void cutMatching(quint16 port, std::optional<quint16> peerPort)
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int descriptor = -1;
        try {
            descriptor = std::stoi(entry.path().filename().string());
        } catch (const std::exception &) {
            continue;
        }
        if (portOf(descriptor, false) != port)
            continue;
        const std::optional<quint16> peer = portOf(descriptor, true);
        if (peer && (!peerPort || peer == peerPort))
            ::shutdown(descriptor, SHUT_RDWR);
    }
}

} // namespace

void ConnectionCutter::cutAll(quint16 port)
{
    cutMatching(port, std::nullopt);
}

void ConnectionCutter::cut(quint16 port, quint16 peerPort)
{
    cutMatching(port, peerPort);
}
