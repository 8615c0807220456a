#pragma once

class ReportList;

// Selects the last row of the list, scrolls it into view and sizes every column to its content.
// Never raises: a failing step ends it quietly.
void finishSongList(ReportList &list) noexcept;

// Sizes one column (1-based) to its widest item text.
void autoSizeColumns(ReportList &list, int column);
