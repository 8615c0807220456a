#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// The switches, each with its help text
struct Switch {
    InstanceCommand command;
    const char16_t *description;
};

constexpr Switch kSwitches[] = {
    {InstanceCommand::PlayPause, u"让正在运行的 Quillpod 播放或暂停"},
    {InstanceCommand::Next, u"让正在运行的 Quillpod 播放下一首"},
    {InstanceCommand::Previous, u"让正在运行的 Quillpod 播放上一首"},
    {InstanceCommand::Stop, u"让正在运行的 Quillpod 停止播放"},
};

[[noreturn]] void failWith(const QString &message)
{
    std::fputs(qPrintable(message + u'\n'), stderr);
    std::exit(EXIT_FAILURE);
}

} // namespace

bool CommandLine::wantsNoWindow(int argc, char *argv[])
{
    QStringList words {u"-h"_s, u"-?"_s, u"--help"_s, u"--help-all"_s, u"-v"_s, u"--version"_s};
    for (const Switch &entry : kSwitches)
        words.append(u"--"_s + commandWord(entry.command));
    for (int i = 1; i < argc; ++i) {
        if (words.contains(QString::fromLocal8Bit(argv[i])))
            return true;
    }
    return false;
}

InstanceCommand CommandLine::parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Quillpod：音乐目录服务的桌面客户端。"
                                     u"它已在运行时，再次启动会把已打开的窗口带到前面。"_s);
    parser.addHelpOption();
    parser.addVersionOption();
    for (const Switch &entry : kSwitches)
        parser.addOption({commandWord(entry.command), QString::fromUtf16(entry.description)});
    parser.process(app);

    QList<InstanceCommand> given;
    for (const Switch &entry : kSwitches) {
        if (parser.isSet(commandWord(entry.command)))
            given.append(entry.command);
    }
    if (given.size() > 1)
        failWith(u"一次只能给出一个命令：--play-pause、--next、--previous 或 --stop"_s);
    return given.value(0, InstanceCommand::Raise);
}
