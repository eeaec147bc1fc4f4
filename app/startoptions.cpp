#include "startoptions.h"

StartOptions StartOptions::parse(const QStringList& arguments)
{
    StartOptions options;
    for (qsizetype i = 1; i < arguments.size() && options.unknown.isEmpty(); ++i) {
        if (arguments[i] == QLatin1String("--minimized"))
            options.minimized = true;
        else
            options.unknown = arguments[i];
    }
    return options;
}

QString StartOptions::unknownText() const
{
    return QStringLiteral(
               "Fernwatch：无法识别的选项“%1”。可用的选项：--minimized（启动时只在系统托盘中显示），"
               "--export-history（把在线记录以 CSV 格式写到标准输出）")
        .arg(unknown);
}
