#pragma once

class EventDispatch;
class ReportList;

// Selects the last row of the list, scrolls it into view and sizes every column to its content.
// Never raises: a failing step ends it quietly.
void FinishSongList(ReportList &list, EventDispatch &dispatch) noexcept;

// Sizes one column (1-based) to its widest item text, after letting pending events run once.
void AutoSizeColumns(ReportList &list, int column, EventDispatch &dispatch);
