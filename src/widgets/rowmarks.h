#pragma once

#include <QIcon>

class QWidget;

// The marks beside a row's first cell in the song list: the song that plays, and a song that could
// not be played; and the heart at the end of a favourite's title. They are drawn in the list's own
// text colours, the selected row's in its highlighted text colour, so that a mark reads as well as
// the row's text on every row, in every skin; a theme's icons are often dark on a dark list.
namespace RowMarks {

QIcon playing(const QWidget &list);
QIcon failed(const QWidget &list);
QIcon favourite(const QWidget &list);

} // namespace RowMarks
