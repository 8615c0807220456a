#pragma once

#include "songlist/findingrows.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

// What the user typed into the list to find a row, and the rows it finds. A row is found when
// the text, without regard to case or full-width forms, begins
// - the title: "夜" or "Hello w" finds "Hello World";
// - the title's initials: "yq" finds "夜曲", "hsj" "Hello 世界";
// - the title's pinyin, without tones or blanks: "yequ" or "ye qu" finds "夜曲", "lv" or "lu" "绿";
// - the serial or the identifier.
class TypeAheadText {
public:
    explicit TypeAheadText(QStringView typed);

    bool isEmpty() const { return m_folded.isEmpty(); }
    bool finds(const FindingCells &row) const;
    // The first row the text finds from `start` on, going one row at a time down (`step` 1) or
    // up (-1) and from one end of the list on at the other; -1 when it finds none
    int findRow(const FindingRows &rows, int start, int step) const;

private:
    bool begins(CellText cell) const;
    bool beginsInitials(const FindingCells &row, CellText title) const;
    bool beginsPinyin(CellText title) const;

    QString m_folded;
    // The folded text as spelling compares it: letters and digits only; empty when the text holds
    // anything that spells nothing
    QByteArray m_spelt;
};
