#include "startoptions.h"

#include <QByteArrayView>
#include <algorithm>

namespace {

// Each option that is a command, and what it asks for.
const std::pair<const char*, StartOptions::Command> commands[] = {
    {"--export-history", StartOptions::ExportHistory},
    {"--help", StartOptions::Help},
    {"-h", StartOptions::Help},
    {"--version", StartOptions::Version},
};

} // namespace

StartOptions StartOptions::parse(const QStringList& arguments)
{
    StartOptions options;
    for (qsizetype i = 1; i < arguments.size() && options.unknown.isEmpty(); ++i) {
        const auto command = std::find_if(std::begin(commands), std::end(commands), [&](const auto& c) {
            return arguments[i] == QLatin1String(c.first);
        });
        if (arguments[i] == QLatin1String("--minimized"))
            options.minimized = true;
        else if (command != std::end(commands) && options.command == ShowWindow)
            options.command = command->second;
        else
            options.unknown = arguments[i];
    }
    return options;
}

bool StartOptions::asksForCommand(int argc, const char* const argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const auto& command : commands)
            if (QByteArrayView(argv[i]) == command.first)
                return true;
    return false;
}

QString StartOptions::unknownText() const
{
    return QStringLiteral("Fernwatch：无法识别的选项“%1”。\n").arg(unknown) + usageText();
}

QString StartOptions::usageText()
{
    return QStringLiteral(
        "用法：Fernwatch [选项]\n"
        "查看QQ好友是否在线。好友名单 QQlist.cfg 和在线记录 QQlist.sqlite 保存在程序所在的文件夹。\n"
        "\n"
        "选项：\n"
        "  --minimized       启动时只在系统托盘中显示（没有托盘时最小化）\n"
        "  --export-history  把在线记录以 CSV 格式写到标准输出\n"
        "  -h, --help        显示本说明\n"
        "  --version         显示版本号");
}
