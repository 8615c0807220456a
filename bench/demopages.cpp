#include "demopages.h"

#include "catalogue.h"
#include "pagewriter.h"
#include "wavsynth.h"

#include <optional>

namespace DemoPages {

QStringList listPages(int songs, int perPage)
{
    const Catalogue catalogue(Catalogue::demoSongs(songs, WavSynth::kMelodyCount), perPage, {});
    const PageWriter writer(catalogue, std::nullopt);
    QStringList pages;
    const int count = catalogue.pageCount(songs);
    pages.reserve(count);
    for (int page = 1; page <= count; ++page)
        pages.append(QString::fromStdString(writer.listPage(page)));
    return pages;
}

} // namespace DemoPages
