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
    {InstanceCommand::PlayPause, u"让正在运行的 Quillpod 播放或暂停。"},
    {InstanceCommand::Next, u"让正在运行的 Quillpod 播放下一首。"},
    {InstanceCommand::Previous, u"让正在运行的 Quillpod 播放上一首。"},
    {InstanceCommand::Stop, u"让正在运行的 Quillpod 停止播放。"},
};

// Qt's own options, which the application object takes off the command line once it exists:
// they are no mistake before that
constexpr const char16_t *kQtValueOptions[] = {
    u"platform",
    u"platformpluginpath",
    u"platformtheme",
    u"plugin",
    u"qwindowgeometry",
    u"qwindowicon",
    u"qwindowtitle",
    u"style",
    u"stylesheet",
    u"session",
    u"display",
    u"geometry",
    u"name",
    u"title",
    u"visual",
    u"ncols",
    u"cmap",
    u"qmljsdebugger",
};
constexpr const char16_t *kQtFlagOptions[] = {
    u"reverse", u"widgetcount", u"nograb", u"dograb", u"sync",
};

const QString kDescription = u"Quillpod：音乐目录服务的桌面客户端。"
                             u"它已在运行时，再次启动会把已打开的窗口带到前面。\n"
                             u"环境变量 QUILLPOD_SERVICE_BASE 可以指定另一个目录服务的地址，"
                             u"例如 http://127.0.0.1:8731。\n"
                             u"详见 man quillpod。"_s;

void addQtOptions(QCommandLineParser &parser)
{
    const auto hidden = [&parser](const char16_t *name, const QString &valueName) {
        QCommandLineOption option(QString::fromUtf16(name), QString(), valueName);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    };
    for (const char16_t *name : kQtValueOptions)
        hidden(name, u"value"_s);
    for (const char16_t *name : kQtFlagOptions)
        hidden(name, QString());
}

// The parser for both readings: Qt's single-dash words such as -platform are whole names
void setUp(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(kDescription);
    parser.addHelpOption();
    parser.addVersionOption();
    for (const Switch &entry : kSwitches)
        parser.addOption({commandWord(entry.command), QString::fromUtf16(entry.description)});
    addQtOptions(parser);
}

[[noreturn]] void failWith(const QString &message)
{
    std::fputs(qPrintable(message + u'\n'), stderr);
    std::exit(CommandLine::kMistakeStatus);
}

// An option's name with the dashes it was typed with
QString asTyped(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        const QString typed = argument.section(u'=', 0, 0);
        if (typed.startsWith(u'-')
            && QStringView(typed).sliced(typed.startsWith(u"--") ? 2 : 1) == name)
            return typed;
    }
    return name;
}

QString mistakeOf(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return u"未知的选项：%1。"_s.arg(asTyped(arguments, unknown.first()));
    return u"命令行有误，选项缺少值或多出了值。"_s;
}

} // namespace

bool CommandLine::wantsNoWindow(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    setUp(parser);
    if (!parser.parse(arguments))
        failWith(mistakeOf(parser, arguments) + u"用 quillpod --help 查看可用的选项。"_s);
    qsizetype switches = 0;
    for (const Switch &entry : kSwitches)
        switches += parser.isSet(commandWord(entry.command)) ? 1 : 0;
    if (switches > 1)
        failWith(u"一次只能给出一个命令：--play-pause、--next、--previous 或 --stop。"_s);
    return switches > 0 || parser.isSet(u"help"_s) || parser.isSet(u"help-all"_s)
        || parser.isSet(u"version"_s);
}

InstanceCommand CommandLine::parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    setUp(parser);
    parser.process(app);
    for (const Switch &entry : kSwitches) {
        if (parser.isSet(commandWord(entry.command)))
            return entry.command;
    }
    return InstanceCommand::Raise;
}
