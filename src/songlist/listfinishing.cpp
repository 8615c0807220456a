#include "listfinishing.h"

#include "common/logging.h"
#include "controls/reportlist.h"

#include <exception>

void finishSongList(ReportList &list) noexcept
{
    try {
        const int rows = list.count();
        if (rows == 0)
            return;
        list.select(rows);
        list.ensureVisible(rows);
        const int columns = list.columnCount();
        for (int column = 1; column <= columns; ++column)
            autoSizeColumns(list, column);
    } catch (const std::exception &error) {
        // Finishing is cosmetic; the rows are in place whatever happens here
        qCWarning(lcSongList) << "List not finished:" << error.what();
    }
}

void autoSizeColumns(ReportList &list, int column)
{
    list.autoSizeColumn(column);
    list.refresh();
}
