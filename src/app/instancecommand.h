#pragma once

#include <QString>
#include <optional>

// What a later start of the program asks of the running one: to come to the front, or one of
// the switches for people who bind keys in their window manager. Each travels as its word,
// which is also its switch without the dashes.
enum class InstanceCommand { Raise, PlayPause, Next, Previous, Stop };

struct InstanceCommandWord {
    InstanceCommand command;
    const char16_t *word;
};

inline constexpr InstanceCommandWord kInstanceCommandWords[] = {
    {InstanceCommand::Raise, u"raise"}, {InstanceCommand::PlayPause, u"play-pause"},
    {InstanceCommand::Next, u"next"},   {InstanceCommand::Previous, u"previous"},
    {InstanceCommand::Stop, u"stop"},
};

inline QString commandWord(InstanceCommand command)
{
    for (const InstanceCommandWord &entry : kInstanceCommandWords) {
        if (entry.command == command)
            return QString::fromUtf16(entry.word);
    }
    return {};
}

inline std::optional<InstanceCommand> commandFromWord(const QString &word)
{
    for (const InstanceCommandWord &entry : kInstanceCommandWords) {
        if (word == QStringView(entry.word))
            return entry.command;
    }
    return std::nullopt;
}
