#pragma once

#include <QByteArray>
#include <QString>

// What a download asked for: the bytes from `offset` on (the whole file when 0), and the version
// of the file that the data kept belongs to, as an earlier answer named it
struct AskedRange {
    qint64 offset = 0;
    QByteArray validator;
};

// What an answer says of itself, before any of its body is kept
struct AnswerHeaders {
    int status = 0;
    QByteArray contentRange;
    QByteArray etag;
    QByteArray lastModified;
    // -1 when not given
    qint64 contentLength = -1;
};

// What to make of an answer: keep its body, ask again for the whole file, take the data kept as
// the complete file, or fail with `reason`
struct AnswerVerdict {
    enum class Action { Take, StartOver, Complete, Refuse };
    // Why it starts over, for the log
    enum class Cause { None, RangeNotSent, FileChanged };

    Action action = Action::Refuse;
    Cause cause = Cause::None;
    QString reason;
    // Taken: where its body goes in the file, the byte after its last one and the whole file's
    // size, -1 while unknown
    qint64 offset = 0;
    qint64 end = -1;
    qint64 total = -1;
    // Taken: the version the file's data belongs to from now on, and whether it changed
    QByteArray validator;
    bool validatorChanged = false;

    bool operator==(const AnswerVerdict &) const = default;
};

// Takes an answer only for what it says it is. A 200 is the whole file. A 206 must answer a
// Range request with the range asked for, and of the version the data kept belongs to. A 416 to
// a range that starts where a file of its size ends means the data kept is complete. Anything
// else is no download: its body never reaches the file.
AnswerVerdict judgeAnswer(const AskedRange &asked, const AnswerHeaders &answer);
