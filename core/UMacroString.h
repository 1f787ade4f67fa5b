#pragma once
// The macro table behind every user-visible text, file location and registry key of the system:
// name=value lines whose values may refer to other entries as "$(Name)", expanded at run time, and the
// token splitter used to take lists and command-line-like texts apart.

#include "platform/Exception.h"
#include "platform/StringList.h"

#include <QString>
#include <memory>

QUORLANE_EXCEPTION(EMacroString, Exception)

class TMacroString : public TStringList {
public:
    TMacroString() = default;
    TMacroString(const TMacroString& other);
    TMacroString& operator=(const TMacroString& other);

    // Text with every "$(...)" reference replaced by its value, recursively. Raises EMacroString on an
    // undefined or self-referring macro, an unknown modifier, an empty or unclosed reference.
    QString Expand(const QString& text);
    // Resolves one reference body (the text between "$(" and ")"), modifier included.
    void ResolveMacro(const QString& body, QString& value);

    // When set, every expansion result and every macro value loses one pair of enclosing double quotes.
    bool AutoDequote = true;
    // The names being expanded right now; a name met again here is a cycle.
    const TStringList& Resolving() const { return resolving_; }

private:
    QString ExpandAt(const QString& text, int level);
    void ResolveAt(const QString& body, QString& value, int level);

    TStringList resolving_;
};

// s without its first and last character when both are double quotes (and s has at least two).
QString Dequote(const QString& s);

// The pieces of s between any of the delimiter characters. Double quotes protect delimiters and stay in
// the pieces; an unclosed quote runs to the end. SplitTokens drops empty pieces, SplitTokensKeepEmpty
// keeps those between two delimiters (a trailing delimiter adds none in either).
std::unique_ptr<TStringList> SplitTokens(const QString& s, const QString& delimiters);
std::unique_ptr<TStringList> SplitTokensKeepEmpty(const QString& s, const QString& delimiters);
