#include "textnumber.h"

#include <QString>
#include <QtNumeric>

static bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

static bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;

    qsizetype digits = 0;
    while (i < text.size() && isAsciiDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        qsizetype fraction = 0;
        while (i + 1 + fraction < text.size() && isAsciiDigit(text[i + 1 + fraction]))
            ++fraction;
        if (fraction > 0 || digits > 0) {
            i += 1 + fraction;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0.0;

    bool ok = false;
    const double value = text.mid(start, i - start).toString().toDouble(&ok);
    // An overflow gives an infinity, which callers clamp; any other failure is no number at all.
    return ok || qIsInf(value) ? value : 0.0;
}
