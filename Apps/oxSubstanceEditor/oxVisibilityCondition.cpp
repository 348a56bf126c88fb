#include "oxVisibilityCondition.h"

namespace {

/// A recursive-descent reader of one condition; every step gives none once
/// something does not read.
class Reader
{
public:
    Reader(const QString& text, const oxInputNumber& input) : _text(text), _input(input) {}

    std::optional<double> whole()
    {
        const std::optional<double> value = either();
        skipBlanks();
        if (_at != _text.size())
            return std::nullopt;
        return value;
    }

private:
    std::optional<double> either()
    {
        std::optional<double> left = both();
        while (left && take("||"))
        {
            const std::optional<double> right = both();
            if (!right)
                return std::nullopt;
            left = (*left != 0 || *right != 0) ? 1 : 0;
        }
        return left;
    }

    std::optional<double> both()
    {
        std::optional<double> left = comparison();
        while (left && take("&&"))
        {
            const std::optional<double> right = comparison();
            if (!right)
                return std::nullopt;
            left = (*left != 0 && *right != 0) ? 1 : 0;
        }
        return left;
    }

    std::optional<double> comparison()
    {
        std::optional<double> left = unary();
        while (left)
        {
            QString op;
            for (const char* o : {"==", "!=", "<=", ">=", "<", ">"})
                if (op.isEmpty() && take(o))
                    op = o;
            if (op.isEmpty())
                break;
            const std::optional<double> right = unary();
            if (!right)
                return std::nullopt;
            const bool result = op == "==" ? *left == *right
                                : op == "!=" ? *left != *right
                                : op == "<=" ? *left <= *right
                                : op == ">=" ? *left >= *right
                                : op == "<"  ? *left < *right
                                             : *left > *right;
            left = result ? 1 : 0;
        }
        return left;
    }

    std::optional<double> unary()
    {
        skipBlanks();
        if (peek("!") && !peek("!="))
        {
            ++_at;
            const std::optional<double> value = unary();
            return value ? std::optional<double>(*value == 0 ? 1 : 0) : std::nullopt;
        }
        return term();
    }

    std::optional<double> term()
    {
        skipBlanks();
        if (take("("))
        {
            const std::optional<double> value = either();
            return value && take(")") ? value : std::nullopt;
        }
        if (take("true"))
            return 1;
        if (take("false"))
            return 0;
        if (take("input["))
            return inputValue();
        return number();
    }

    std::optional<double> inputValue()
    {
        skipBlanks();
        if (_at >= _text.size() || (_text[_at] != '\'' && _text[_at] != '"'))
            return std::nullopt;
        const QChar quote = _text[_at++];
        const int end = _text.indexOf(quote, _at);
        if (end < 0)
            return std::nullopt;
        const QString identifier = _text.mid(_at, end - _at);
        _at = end + 1;
        if (!take("]"))
            return std::nullopt;
        return _input(identifier);
    }

    std::optional<double> number()
    {
        int end = _at;
        while (end < _text.size() && (_text[end].isDigit() || QString("+-.eE").contains(_text[end])))
            ++end;
        bool ok = false;
        const double value = _text.mid(_at, end - _at).toDouble(&ok);
        if (!ok)
            return std::nullopt;
        _at = end;
        return value;
    }

    void skipBlanks()
    {
        while (_at < _text.size() && _text[_at].isSpace())
            ++_at;
    }
    bool peek(const char* token)
    {
        skipBlanks();
        return _text.midRef(_at).startsWith(QLatin1String(token));
    }
    bool take(const char* token)
    {
        if (!peek(token))
            return false;
        _at += int(qstrlen(token));
        return true;
    }

    const QString& _text;
    const oxInputNumber& _input;
    int _at = 0;
};

} // namespace

std::optional<bool> oxEvaluateCondition(const QString& condition, const oxInputNumber& input)
{
    const std::optional<double> value = Reader(condition, input).whole();
    return value ? std::optional<bool>(*value != 0) : std::nullopt;
}

bool oxIsVisible(const QString& condition, const oxInputNumber& input)
{
    if (condition.trimmed().isEmpty())
        return true;
    return oxEvaluateCondition(condition, input).value_or(true);
}
