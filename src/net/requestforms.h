#pragma once

#include <QLatin1StringView>

// Fixed pieces of the catalogue service's request forms that are not part of the URL texts.
namespace RequestForms {

// Ends the URL of every page of a keyword search
inline constexpr QLatin1StringView kSearchSuffix {"&act=getmusiclist&rnd=0.6578650244507076"};
// Page number of a keyword search's further pages, which the service understands beside the key
inline constexpr QLatin1StringView kPageKey {"&page="};
// The background list, appended to the service base
inline constexpr QLatin1StringView kBackgroundListPath {"/data/?act=getbglist"};

} // namespace RequestForms
