#include "cataloguefile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const QString &reason)
{
    throw std::runtime_error(reason.toStdString());
}

// Identifiers may be written as numbers or as text.
QString idText(const QJsonValue &value)
{
    return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

MediaCondition mediaCondition(const QString &name)
{
    if (name.isEmpty() || name == u"intact")
        return MediaCondition::Intact;
    if (name == u"truncated")
        return MediaCondition::Truncated;
    if (name == u"text")
        return MediaCondition::NotAudio;
    if (name == u"missing")
        return MediaCondition::Missing;
    fail(u"unknown media condition \"%1\""_s.arg(name));
}

Song songFromJson(const QJsonObject &object, int melody)
{
    Song song;
    song.id = idText(object.value(u"id"));
    if (song.id.isEmpty())
        fail(u"a song without an id"_s);
    song.title = object.value(u"title").toString();
    song.serial = object.value(u"serial").toString();
    song.singer = object.value(u"singer").toString(u"佚名"_s);
    song.duration = object.value(u"time").toString(u"03:30"_s);
    song.path = object.value(u"path").toString(u"/music/%1.wav"_s.arg(song.id));
    song.media = mediaCondition(object.value(u"media").toString());
    song.melody = melody;
    return song;
}

} // namespace

CatalogueFile CatalogueFile::read(const QString &fileName, int melodyCount)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(u"%1: %2"_s.arg(fileName, file.errorString()));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject())
        fail(u"%1: not a JSON object (%2)"_s.arg(fileName, error.errorString()));
    const QJsonObject root = document.object();

    CatalogueFile catalogue;
    if (root.contains(u"songs")) {
        QList<Song> songs;
        const QJsonArray array = root.value(u"songs").toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            songs.append(songFromJson(array.at(i).toObject(), int(i % melodyCount)));
        catalogue.songs = songs;
    }
    if (root.contains(u"perPage")) {
        const int perPage = root.value(u"perPage").toInt();
        if (perPage < 1)
            fail(u"perPage must be at least 1"_s);
        catalogue.perPage = perPage;
    }
    if (root.contains(u"background")) {
        QStringList ids;
        for (const QJsonValue &id : root.value(u"background").toArray())
            ids.append(idText(id));
        catalogue.background = ids;
    }
    for (const QJsonValue &rule : root.value(u"overrides").toArray())
        catalogue.overrides.append(FaultRules::Rule::fromJson(rule.toObject()));
    return catalogue;
}
