#include "lang/text_format.h"

#include <QRegularExpression>

namespace {

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1; // none given
    QChar kind;
};

QString NumberText(const FormatArg& arg, const Conversion& conversion)
{
    if (const auto* text = std::get_if<QString>(&arg))
        return *text;
    if (conversion.kind == QLatin1Char('f')) {
        const double value = std::holds_alternative<double>(arg) ? std::get<double>(arg)
                                                                 : double(std::get<long long>(arg));
        return QString::number(value, 'f', conversion.precision < 0 ? 6 : conversion.precision);
    }
    const long long value = std::holds_alternative<long long>(arg) ? std::get<long long>(arg)
                                                                   : static_cast<long long>(std::get<double>(arg));
    return QString::number(value);
}

QString Convert(const FormatArg& arg, const Conversion& conversion)
{
    QString text;
    if (conversion.kind == QLatin1Char('s')) {
        text = NumberText(arg, Conversion{});
        if (conversion.precision >= 0)
            text.truncate(conversion.precision);
    } else {
        text = NumberText(arg, conversion);
    }
    const int padding = conversion.width - int(text.size());
    if (padding <= 0)
        return text;
    if (conversion.leftAlign)
        return text + QString(padding, QLatin1Char(' '));
    const bool isNumber = !std::holds_alternative<QString>(arg) && conversion.kind != QLatin1Char('s');
    if (conversion.zeroPad && isNumber) {
        const int signLength = text.startsWith(QLatin1Char('-')) ? 1 : 0;
        return text.left(signLength) + QString(padding, QLatin1Char('0')) + text.mid(signLength);
    }
    return QString(padding, QLatin1Char(' ')) + text;
}

} // namespace

QString FormatText(const QString& format, const std::vector<FormatArg>& args)
{
    static const QRegularExpression pattern(QStringLiteral("%(?:%|([-0]*)([0-9]*)(?:\\.([0-9]+))?([dsf]))"));
    QString result;
    qsizetype copied = 0;
    std::size_t next = 0;
    for (auto matches = pattern.globalMatch(format); matches.hasNext();) {
        const QRegularExpressionMatch match = matches.next();
        result += format.mid(copied, match.capturedStart() - copied);
        copied = match.capturedEnd();
        if (!match.hasCaptured(4)) { // "%%"
            result += QLatin1Char('%');
            continue;
        }
        if (next >= args.size()) {
            result += match.captured(0);
            continue;
        }
        Conversion conversion;
        conversion.leftAlign = match.captured(1).contains(QLatin1Char('-'));
        conversion.zeroPad = match.captured(1).contains(QLatin1Char('0'));
        conversion.width = match.captured(2).left(4).toInt();
        conversion.precision = match.hasCaptured(3) ? match.captured(3).left(4).toInt() : -1;
        conversion.kind = match.captured(4).at(0);
        result += Convert(args[next++], conversion);
    }
    result += format.mid(copied);
    return result;
}
