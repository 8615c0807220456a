// Cuts arbitrary pages, read as UTF-8, into the song list model, and holds the result against the
// cutting rules read literally.

#include "fuzzcheck.h"
#include "songlist/pagecutting.h"
#include "songlist/songlistmodel.h"

#include <QAbstractItemModelTester>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace {

using namespace Qt::StringLiterals;

constexpr QStringView kPadding = u"            ";
constexpr int kPieceLimit = 32767;

QString padded(const QString &value)
{
    return value + kPadding.toString();
}

struct Cut {
    QList<SongRow> rows;
    bool failed = false;
};

std::optional<QString> between(const QString &entry, QStringView start, QStringView end)
{
    const qsizetype at = entry.indexOf(start);
    if (at < 0)
        return std::nullopt;
    const qsizetype from = at + start.size();
    const qsizetype to = entry.indexOf(end, from);
    if (to < 0)
        return std::nullopt;
    return entry.mid(from, to - from);
}

// The cutting rules step by step, slow and plain, with every intermediate text built in full.
Cut referenceCut(QString text)
{
    Cut cut;
    if (const qsizetype heading = text.indexOf(u"<h3>搜索："); heading >= 0)
        text = text.mid(heading + 1);
    const qsizetype listEnd = text.indexOf(u']');
    if (listEnd < 0) {
        cut.failed = true;
        return cut;
    }
    text.truncate(listEnd);
    text.remove(u'\r');
    text.remove(u'\n');
    text.remove(u'\t');
    if (const qsizetype header = text.indexOf(u"},"); header >= 0)
        text = text.mid(header + 1);

    const QStringList pieces = text.split(u",{id"_s);
    if (pieces.size() > kPieceLimit) {
        cut.failed = true;
        return cut;
    }
    for (const QString &piece : pieces) {
        if (QString(piece).remove(u' ').isEmpty())
            continue;
        const QString entry = u"{id"_s + piece;
        if (entry.contains(u"totalrecorder:0"))
            continue;
        const std::optional<QString> id = between(entry, u"{id:\"", u"\"");
        std::optional<QString> title = between(entry, u"title:\"", u"\",");
        const std::optional<QString> serial = between(entry, u"serial:\"", u"\",");
        if (!id || !title || !serial) {
            cut.failed = true;
            return cut;
        }
        if (const qsizetype bracket = title->indexOf(u'【'); bracket >= 0)
            title->truncate(bracket);
        cut.rows.append(SongRow {padded(*title), padded(*serial), padded(*id)});
    }
    return cut;
}

void checkTotalPages(const QString &page)
{
    QString total;
    FUZZ_REQUIRE(!raisesFailure([&] { total = readTotalPages(page); }));

    QString copy = page;
    copy.remove(u'"');
    copy.remove(u' ');
    copy.remove(u"\r\n"_s);
    copy.remove(u'\t');
    if (!copy.contains(u"totalrecorder:")) {
        FUZZ_REQUIRE(total == page);
        return;
    }
    const qsizetype key = page.indexOf(u"totalpage:");
    const bool readable = key >= 0 && page.indexOf(u'}', key) >= 0;
    if (!readable) {
        FUZZ_REQUIRE(total.isEmpty());
        return;
    }
    FUZZ_REQUIRE(!total.contains(u'}'));
    FUZZ_REQUIRE(page.indexOf(u"totalpage:"_s + total + u'}') == key);
}

void checkPageRows(const QString &page)
{
    SongListModel model;
    const QAbstractItemModelTester tester(&model,
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    int insertions = 0;
    QObject::connect(&model, &SongListModel::rowsStored, [&insertions] { ++insertions; });
    // A row from an earlier page, which cutting this one must leave alone
    const SongRow earlier {padded(u"早先"_s), padded(u"0"_s), padded(u"0"_s)};
    model.appendRows({earlier});
    model.showStoredRows();
    const qsizetype before = model.size();
    const int insertionsBefore = insertions;

    const bool failed = raisesFailure([&] { addPageRows(page, model); });
    model.showStoredRows();

    // A page's rows appear together, in one insertion
    FUZZ_REQUIRE(insertions - insertionsBefore <= 1);
    FUZZ_REQUIRE(model.rowCount() == model.size());
    FUZZ_REQUIRE(model.row(0) == earlier);
    QList<SongRow> rows;
    for (int row = int(before); row < model.rowCount(); ++row) {
        const SongRow &cells = model.row(row);
        for (int column = 0; column < 3; ++column) {
            const QString cell = model.data(model.index(row, column)).toString();
            FUZZ_REQUIRE(cell == cells.subItem(column));
            FUZZ_REQUIRE(cell.endsWith(kPadding));
            FUZZ_REQUIRE(!cell.contains(u'\r') && !cell.contains(u'\n') && !cell.contains(u'\t'));
        }
        FUZZ_REQUIRE(!cells.text.contains(u'【'));
        rows.append(cells);
    }

    const Cut expected = referenceCut(page);
    FUZZ_REQUIRE(failed == expected.failed);
    FUZZ_REQUIRE(rows == expected.rows);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    checkTotalPages(page);
    checkPageRows(page);
    return 0;
}
