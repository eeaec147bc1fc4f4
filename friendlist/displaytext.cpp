#include "displaytext.h"

QString displayText(const QString& text)
{
    if (text.size() <= displayTextLimit)
        return text;
    qsizetype kept = displayTextLimit;
    if (text.at(kept - 1).isHighSurrogate())
        --kept;
    return text.left(kept) + QChar(0x2026);
}
