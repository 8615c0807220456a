#pragma once

#include <QLatin1StringView>
#include <QString>

// Fixed pieces of the catalogue service's request forms that are not part of the URL texts.
namespace RequestForms {

using namespace Qt::StringLiterals;

// Ends the URL of every page of a keyword search
inline constexpr auto kSearchSuffix = "&act=getmusiclist&rnd=0.6578650244507076"_L1;
// Page number of a keyword search's further pages, which the service understands beside the key
inline constexpr auto kPageKey = "&page="_L1;
// The background list, appended to the service base
inline constexpr auto kBackgroundListPath = "/data/?act=getbglist"_L1;

} // namespace RequestForms
