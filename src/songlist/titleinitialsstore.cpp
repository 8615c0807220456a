#include "titleinitialsstore.h"

#include "songlist/titlespelling.h"

#include <cstring>

void TitleInitialsStore::append(CellText title)
{
    const qsizetype at = m_bytes.size();
    m_bytes.resize(at + kStoredInitials);
    char *const slot = m_bytes.data() + at;
    const qsizetype length = TitleSpelling::initials(title, slot, kStoredInitials);
    std::memset(slot + length, 0, kStoredInitials - length);
}

QLatin1StringView TitleInitialsStore::at(int row) const
{
    const char *const slot = m_bytes.constData() + qsizetype(row) * kStoredInitials;
    // Initials are letters and digits, never zero
    return QLatin1StringView(slot, qsizetype(qstrnlen(slot, kStoredInitials)));
}

void TitleInitialsStore::clear()
{
    m_bytes.clear();
    m_bytes.squeeze();
}
