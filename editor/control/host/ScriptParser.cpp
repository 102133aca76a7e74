#include "ScriptParser.h"

#include <QLocale>
#include <QRegularExpression>

namespace sonarch2 {
namespace {

// Reads one argument starting at `pos`; advances pos past it.
bool ReadArgument(const QString& text, qsizetype& pos, QVariant* value, QString* error)
{
    if (text[pos] == QLatin1Char('"')) {
        QString s;
        for (++pos; pos < text.size(); ++pos) {
            const QChar c = text[pos];
            if (c == QLatin1Char('\\')) {
                if (pos + 1 >= text.size() || (text[pos + 1] != QLatin1Char('"') && text[pos + 1] != QLatin1Char('\\'))) {
                    *error = QStringLiteral("bad escape in string");
                    return false;
                }
                s += text[++pos];
            } else if (c == QLatin1Char('"')) {
                ++pos;
                if (pos < text.size() && !text[pos].isSpace()) {
                    *error = QStringLiteral("text after a string");
                    return false;
                }
                *value = s;
                return true;
            } else {
                s += c;
            }
        }
        *error = QStringLiteral("unterminated string");
        return false;
    }

    const qsizetype start = pos;
    while (pos < text.size() && !text[pos].isSpace())
        ++pos;
    const QString word = text.mid(start, pos - start);
    if (word == QLatin1String("true") || word == QLatin1String("false")) {
        *value = (word == QLatin1String("true"));
        return true;
    }
    static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
    static const QRegularExpression decimal(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    bool ok = false;
    if (integer.match(word).hasMatch()) {
        const qlonglong n = word.toLongLong(&ok);
        if (ok && n >= INT32_MIN && n <= INT32_MAX) {
            *value = static_cast<int>(n);
            return true;
        }
    }
    if (decimal.match(word).hasMatch()) {
        const double d = QLocale::c().toDouble(word, &ok);
        if (ok) {
            *value = d;
            return true;
        }
    }
    *error = QStringLiteral("bad argument '%1'").arg(word);
    return false;
}

bool IsIdentifier(const QString& word)
{
    static const QRegularExpression id(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return id.match(word).hasMatch();
}

}  // namespace

bool ParseArguments(const QString& text, QVariantList* args, QString* error)
{
    args->clear();
    qsizetype pos = 0;
    while (true) {
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
        if (pos >= text.size())
            return true;
        QVariant value;
        if (!ReadArgument(text, pos, &value, error))
            return false;
        args->append(value);
    }
}

ParsedLine ParseScriptLine(const QString& rawLine)
{
    ParsedLine result;
    const QString line = rawLine.trimmed();
    if (line.isEmpty() || (line.startsWith(QLatin1Char('#')) && !(line.size() > 1 && (line[1].isDigit() || line[1] == QLatin1Char('-')))))
        return result;

    const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
    const QString head = space < 0 ? line : line.left(space);
    const QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
    ScriptCommand cmd;

    if (head == QLatin1String("after")) {
        const qsizetype sp = rest.indexOf(QRegularExpression(QStringLiteral("\\s")));
        bool ok = false;
        const int ms = (sp < 0 ? rest : rest.left(sp)).toInt(&ok);
        if (!ok || ms < 0 || sp < 0) {
            result.error = QStringLiteral("after needs a delay in milliseconds and a line");
            return result;
        }
        ParsedLine inner = ParseScriptLine(rest.mid(sp + 1));
        if (!inner.error.isEmpty() || !inner.command) {
            result.error = inner.error.isEmpty() ? QStringLiteral("after needs a line to run") : inner.error;
            return result;
        }
        cmd.kind = ScriptCommand::Kind::After;
        cmd.delayMs = ms;
        cmd.inner = std::make_shared<ScriptCommand>(*inner.command);
        result.command = cmd;
        return result;
    }

    if (head == QLatin1String("mouse")) {
        const QStringList parts = rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        bool ok = false;
        const int x = parts.size() == 2 ? parts[1].toInt(&ok) : 0;
        static const QStringList actions{QStringLiteral("down"), QStringLiteral("move"), QStringLiteral("up")};
        if (!ok || !actions.contains(parts[0])) {
            result.error = QStringLiteral("mouse needs down, move or up and an x coordinate");
            return result;
        }
        cmd.kind = ScriptCommand::Kind::Mouse;
        cmd.mouse = static_cast<ScriptCommand::MouseAction>(actions.indexOf(parts[0]));
        cmd.x = x;
        result.command = cmd;
        return result;
    }

    if (head == QLatin1String("get") || head == QLatin1String("set")) {
        const qsizetype sp = rest.indexOf(QRegularExpression(QStringLiteral("\\s")));
        cmd.name = sp < 0 ? rest : rest.left(sp);
        if (!IsIdentifier(cmd.name)) {
            result.error = QStringLiteral("%1 needs a property name").arg(head);
            return result;
        }
        if (head == QLatin1String("get")) {
            if (sp >= 0) {
                result.error = QStringLiteral("get takes no value");
                return result;
            }
            cmd.kind = ScriptCommand::Kind::Get;
        } else {
            cmd.kind = ScriptCommand::Kind::Set;
            if (!ParseArguments(sp < 0 ? QString() : rest.mid(sp + 1), &cmd.args, &result.error))
                return result;
            if (cmd.args.size() != 1) {
                result.error = QStringLiteral("set needs exactly one value");
                return result;
            }
        }
        result.command = cmd;
        return result;
    }

    if (head.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        cmd.dispid = head.mid(1).toInt(&ok);
        if (!ok) {
            result.error = QStringLiteral("bad DISPID '%1'").arg(head);
            return result;
        }
        cmd.kind = ScriptCommand::Kind::CallById;
    } else {
        if (!IsIdentifier(head)) {
            result.error = QStringLiteral("bad name '%1'").arg(head);
            return result;
        }
        cmd.kind = ScriptCommand::Kind::CallByName;
        cmd.name = head;
    }
    if (!ParseArguments(rest, &cmd.args, &result.error))
        return result;
    result.command = cmd;
    return result;
}

QString FormatValue(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("void");
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Float:
        return QString::asprintf("%.9g", static_cast<double>(value.toFloat()));
    case QMetaType::Double:
        return QString::asprintf("%.9g", value.toDouble());
    case QMetaType::QString: {
        QString s = value.toString();
        s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
        s.replace(QLatin1Char('"'), QLatin1String("\\\""));
        return QLatin1Char('"') + s + QLatin1Char('"');
    }
    default:
        return value.toString();
    }
}

}  // namespace sonarch2
