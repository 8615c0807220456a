#pragma once

#include <QStringList>

// List pages exactly as the stand-in service writes them for its generated demo catalogue, made
// in-process for the benchmarks that cut pages without a service.
namespace DemoPages {

// Every page of the default list of a demo catalogue of `songs` songs, `perPage` to a page
QStringList listPages(int songs, int perPage);

} // namespace DemoPages
