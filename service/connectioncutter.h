#pragma once

#include <QtGlobal>

// Cuts connections that the HTTP library has taken, which it gives no handle on: they are found
// among this process's open descriptors by their addresses. Each is shut down, not closed, so
// that the library still closes its descriptor itself and no number is reused under it.
namespace ConnectionCutter {

// Every connection taken on `port`
void cutAll(quint16 port);
// The connection from `peerPort` taken on `port`
void cut(quint16 port, quint16 peerPort);

} // namespace ConnectionCutter
