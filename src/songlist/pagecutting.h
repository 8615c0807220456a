#pragma once

#include <QString>
#include <QStringView>

class SongListModel;

// The total-pages field of a run's first page, exactly as it stands in the page (blanks and
// quotes between "totalpage:" and the next "}" included). A page without "totalrecorder:" gives
// the whole page text back, which is no number; a header without a readable "totalpage:" gives
// the empty text, which is no number either. Never fails.
QString readTotalPages(QStringView page);

// Cuts a list page into song entries and appends one row per entry to `list`: the title (up to
// its first "【"), the serial and the identifier, each followed by twelve blanks. The page's rows
// are appended as one insertion. Raises Failure for a page without "]", an entry whose fields
// cannot be cut (the rows of the entries before it are still appended), and a page that splits
// into more than 32767 pieces.
void addPageRows(QStringView page, SongListModel &list);
