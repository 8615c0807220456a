#pragma once

#include <httplib.h>

// The HTTP library's server, serving from a listening socket that it does not own: it takes
// connections until release(), and leaves the socket open when it ends, so that the same socket
// can be served again after an outage.
class HttpServer : public httplib::Server {
public:
    // Serves from `listener` once serve() runs
    void take(int listener) { svr_sock_ = listener; }
    // Takes connections and serves them until release() and a wake-up of the socket (by
    // pausing it), then waits for the connections taken to end. False when taking failed.
    bool serve() { return listen_after_bind(); }
    // Safe from any thread. The library then treats the failure of its next accept() as the
    // end it was asked for, rather than closing the socket.
    void release() { svr_sock_ = INVALID_SOCKET; }
};
