#include "core/UMacroString.h"

namespace {

// References nest only as deep as people write them; a text nested deeper than this is damaged or
// hostile, and refusing it keeps the recursion bounded.
constexpr int kMaxNesting = 64;

[[noreturn]] void RaiseBadMacro(const QString& text, qsizetype position) {
    throw EMacroString(
        QStringLiteral("%1の%2文字目から始まるマクロが間違っています").arg(text, QString::number(position)));
}

bool IsModifier(const QString& modifier, const char* name) {
    return modifier.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

void Split(const QString& s, const QString& delimiters, bool keepEmpty, TStringList& list) {
    // Positions are 0-based here; -1 means no token is open.
    qsizetype start = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'"') {
            quoted = !quoted;
            // A quote in the middle of a token belongs to that token; only a quote that starts one
            // opens it, so nothing before the quote is lost.
            if (quoted && start < 0)
                start = i;
        } else if (quoted) {
            continue;
        } else if (!delimiters.contains(c)) {
            if (start < 0)
                start = i;
        } else {
            if (start >= 0)
                list.Add(s.mid(start, i - start));
            else if (keepEmpty)
                list.Add(QString());
            start = -1;
        }
    }
    if (start >= 0)
        list.Add(s.mid(start));
}

} // namespace

TMacroString::TMacroString(const TMacroString& other) : TStringList(other), AutoDequote(other.AutoDequote) {}

TMacroString& TMacroString::operator=(const TMacroString& other) {
    if (this != &other) {
        TStringList::operator=(other);
        AutoDequote = other.AutoDequote;
    }
    return *this;
}

QString TMacroString::Expand(const QString& text) {
    return ExpandAt(text, 0);
}

void TMacroString::ResolveMacro(const QString& body, QString& value) {
    ResolveAt(body, value, 0);
}

QString TMacroString::ExpandAt(const QString& text, int level) {
    QString result;
    int depth = 0;
    qsizetype start = -1; // index of the "(" of the open reference
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i + 1 < text.size() && text[i] == u'$' && text[i + 1] == u'(') {
            ++depth;
            if (start < 0)
                start = i + 1;
        }
        if (start < 0) {
            result += text[i];
        } else if (text[i] == u')') {
            if (--depth == 0) {
                if (i - start < 2)
                    RaiseBadMacro(text, start + 1);
                if (level >= kMaxNesting)
                    RaiseBadMacro(text, start + 1);
                QString value;
                ResolveAt(text.mid(start + 1, i - start - 1), value, level + 1);
                result += value;
                start = -1;
            }
        }
    }
    if (start >= 0)
        throw EMacroString(QStringLiteral("%1の%2文字目から始まるマクロが閉じていません")
                               .arg(text, QString::number(start + 1)));
    return AutoDequote ? Dequote(result) : result;
}

void TMacroString::ResolveAt(const QString& body, QString& value, int level) {
    QString name = ExpandAt(body, level);
    QString modifier;
    const qsizetype colon = name.indexOf(u':');
    if (colon >= 0) {
        modifier = name.mid(colon + 1);
        name.truncate(colon);
    }
    if (resolving_.IndexOf(name) >= 0)
        throw EMacroString(QStringLiteral("%1 マクロが循環参照されています").arg(name));

    resolving_.Add(name);
    try {
        value = Values(name);
        if (value.isEmpty()) {
            if (!IsModifier(modifier, "unessential") && !IsModifier(modifier, "inessential"))
                throw EMacroString(QStringLiteral("未定義の%1マクロが使用されています").arg(name));
        } else {
            value = ExpandAt(value, level);
        }
    } catch (...) {
        resolving_.Delete(resolving_.Count() - 1);
        throw;
    }
    resolving_.Delete(resolving_.Count() - 1);

    if (AutoDequote)
        value = Dequote(value);
    if (modifier.isEmpty() || IsModifier(modifier, "unessential") || IsModifier(modifier, "inessential"))
        return;
    if (IsModifier(modifier, "Drive")) {
        value = value.left(1);
    } else if (IsModifier(modifier, "shortPath")) {
        // Linux file systems have no second, shorter name for a path; the path is its own short form.
    } else {
        throw EMacroString(QStringLiteral("未定義のフォーマット指定(%1)が使用されています").arg(modifier));
    }
}

QString Dequote(const QString& s) {
    if (s.size() >= 2 && s.front() == u'"' && s.back() == u'"')
        return s.mid(1, s.size() - 2);
    return s;
}

std::unique_ptr<TStringList> SplitTokens(const QString& s, const QString& delimiters) {
    auto list = std::make_unique<TStringList>();
    Split(s, delimiters, false, *list);
    return list;
}

std::unique_ptr<TStringList> SplitTokensKeepEmpty(const QString& s, const QString& delimiters) {
    auto list = std::make_unique<TStringList>();
    Split(s, delimiters, true, *list);
    return list;
}
