#pragma once

#include <QString>

// Songs that carry a mark beside their title in every list they are shown in: the favourites.
// Songs are known by their identifier, exactly as a list gives it.
class SongMarks {
public:
    virtual ~SongMarks() = default;
    virtual bool isMarked(const QString &id) const = 0;
};
