#pragma once

#include "songlist/celltext.h"
#include "songlist/findingrows.h"

#include <QByteArray>
#include <QLatin1StringView>

// Each row's initials, worked out once as the row is stored so that typing costs no spelling:
// kStoredInitials bytes a row, Latin-1, the unused ones zero.
class TitleInitialsStore {
public:
    int count() const { return int(m_bytes.size() / kStoredInitials); }
    void append(CellText title);
    // 0-based
    QLatin1StringView at(int row) const;
    // Keeps the first `rows` rows
    void truncate(int rows) { m_bytes.truncate(qsizetype(rows) * kStoredInitials); }
    void clear();
    // The memory it holds
    qsizetype capacityBytes() const { return m_bytes.capacity(); }

private:
    QByteArray m_bytes;
};
