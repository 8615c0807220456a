#pragma once

#include <QString>

// What a media request for the song gets: tests mark songs broken to see how the player copes.
enum class MediaCondition {
    Intact,
    Truncated, // a WAV file cut off in the middle of its samples
    NotAudio, // an HTML page where audio was expected
    Missing, // 404
};

struct Song {
    QString id;
    QString title; // full title, 【…】 suffix included
    QString serial;
    QString singer;
    QString duration; // "mm:ss", shown in list entries only
    QString path; // media path on this host, beginning with "/"
    MediaCondition media = MediaCondition::Intact;
    int melody = 0;
};
