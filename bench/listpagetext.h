#pragma once

#include <QString>

// List pages in the catalogue service's format, made in-process for the benchmarks that cut
// pages without a service: a header, then one entry per song with the service's five fields and
// a line break after every fourth entry. Songs are numbered from 1; titles vary like the demo
// catalogue's, some with a "【…】" suffix.
namespace ListPageText {

// The page holding songs `first` to `first + count - 1` of a list of `totalSongs` songs
QString page(int first, int count, int totalSongs, int perPage);

} // namespace ListPageText
