// Cuts the background song's identifier out of arbitrary text, read as UTF-8.

#include "fuzzcheck.h"
#include "links/backgroundlist.h"

#include <cstdint>

namespace {

using namespace Qt::StringLiterals;

void checkBackgroundId(const QString &body)
{
    QString id;
    const bool failed = raisesFailure([&] { id = cutBackgroundId(body); });

    QString quoteFree = body;
    quoteFree.remove(u'"');
    const qsizetype key = quoteFree.indexOf(u"id:");
    const bool cuttable = key >= 0 && quoteFree.indexOf(u'}', key) >= 0;
    FUZZ_REQUIRE(failed == !cuttable);
    if (failed)
        return;

    FUZZ_REQUIRE(!id.contains(u'"'));
    FUZZ_REQUIRE(!id.contains(u'}'));
    // The identifier stands right after the first "id:", up to the next "}"
    FUZZ_REQUIRE(quoteFree.indexOf(u"id:"_s + id + u'}') == key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkBackgroundId(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
