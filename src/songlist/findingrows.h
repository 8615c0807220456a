#pragma once

#include "songlist/celltext.h"

#include <QLatin1StringView>

// What finding a row by typing reads of it, in place: the cells without their padding, and the
// title's initials as the row keeps them.
struct FindingCells {
    CellText title;
    CellText serial;
    CellText id;
    // The first kStoredInitials of the title's initials (TitleSpelling::initials), kept with the
    // row so that typing costs no spelling
    QLatin1StringView initials;
};

// How many initials a row keeps: typing seldom goes further, and a longer text is checked against
// the title itself
inline constexpr qsizetype kStoredInitials = 8;

// The rows that typing searches, 0-based
class FindingRows {
public:
    virtual ~FindingRows() = default;
    virtual int size() const = 0;
    virtual FindingCells cells(int row) const = 0;
};
