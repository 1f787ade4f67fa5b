#include "core/UMacroString.h"

#include <gtest/gtest.h>

namespace {

TMacroString Table(std::initializer_list<const char*> lines) {
    TMacroString m;
    for (const char* line : lines)
        m.Add(QString::fromUtf8(line));
    return m;
}

QString ErrorOf(TMacroString& m, const QString& text) {
    try {
        m.Expand(text);
    } catch (const EMacroString& e) {
        EXPECT_EQ(m.Resolving().Count(), 0) << "guard left dirty by " << e.what();
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

QStringList Tokens(std::unique_ptr<TStringList> list) {
    return list->ToQStringList();
}

} // namespace

TEST(MacroString, ExpandsNestedValuesAndNames) {
    TMacroString m = Table({"A=x", "B=$(A)y", "Bar=A", "Path=C:\\Data"});
    EXPECT_EQ(m.Expand(QStringLiteral("[$(B)]")), u"[xy]");
    // The body is expanded before the lookup: $(Foo$(Bar)) looks up "FooA".
    m.Add(QStringLiteral("FooA=found"));
    EXPECT_EQ(m.Expand(QStringLiteral("$(Foo$(Bar))")), u"found");
    // Names are looked up without regard to case; a "(" not after "$" is plain text.
    EXPECT_EQ(m.Expand(QStringLiteral("(a) $(b)")), u"(a) xy");
    EXPECT_EQ(m.Expand(QStringLiteral("$(Path:Drive)")), u"C");
    EXPECT_EQ(m.Expand(QStringLiteral("$(Path:SHORTPATH)")), u"C:\\Data");
    EXPECT_EQ(m.Expand(QStringLiteral("no macro here")), u"no macro here");
}

TEST(MacroString, InessentialMacrosMayBeMissing) {
    TMacroString m = Table({"Empty=", "A=a"});
    EXPECT_EQ(m.Expand(QStringLiteral("<$(Missing:inessential)>")), u"<>");
    EXPECT_EQ(m.Expand(QStringLiteral("<$(Missing:Unessential)>")), u"<>");
    EXPECT_EQ(m.Expand(QStringLiteral("<$(Empty:inessential)$(A:inessential)>")), u"<a>");
    EXPECT_EQ(ErrorOf(m, QStringLiteral("$(Missing)")), u"未定義のMissingマクロが使用されています");
    EXPECT_EQ(ErrorOf(m, QStringLiteral("$(Empty)")), u"未定義のEmptyマクロが使用されています");
}

TEST(MacroString, CyclesAreReportedAndTheGuardIsCleanAfterwards) {
    TMacroString m = Table({"A=$(B)", "B=$(a)", "C=z", "Self=x$(SELF)"});
    // The guard compares names without case, and names the one met again as written.
    EXPECT_EQ(ErrorOf(m, QStringLiteral("$(A)")), u"a マクロが循環参照されています");
    EXPECT_EQ(ErrorOf(m, QStringLiteral("$(Self)")), u"SELF マクロが循環参照されています");
    EXPECT_EQ(m.Expand(QStringLiteral("$(C)")), u"z");
    // The same macro twice side by side is no cycle.
    EXPECT_EQ(m.Expand(QStringLiteral("$(C)$(C)")), u"zz");
}

TEST(MacroString, MalformedReferencesNameTheirPosition) {
    TMacroString m = Table({"Path=C:\\Data", "b=1"});
    EXPECT_EQ(ErrorOf(m, QStringLiteral("$(Path:upper)")),
              u"未定義のフォーマット指定(upper)が使用されています");
    EXPECT_EQ(ErrorOf(m, QStringLiteral("a$()b")), u"a$()bの3文字目から始まるマクロが間違っています");
    EXPECT_EQ(ErrorOf(m, QStringLiteral("a$(b")), u"a$(bの3文字目から始まるマクロが閉じていません");
    EXPECT_EQ(ErrorOf(m, QStringLiteral("$(b)$($(b)")),
              u"$(b)$($(b)の6文字目から始まるマクロが閉じていません");
    // A "%" in the text is copied as it is, not taken for a placeholder.
    EXPECT_EQ(ErrorOf(m, QStringLiteral("%2$()")), u"%2$()の4文字目から始まるマクロが間違っています");
}

TEST(MacroString, DeeplyNestedReferencesAreRefusedNotRecursedWithoutEnd) {
    TMacroString m = Table({"A=x"});
    QString text;
    for (int i = 0; i < 5000; ++i)
        text += QStringLiteral("$(");
    text += QStringLiteral("A");
    for (int i = 0; i < 5000; ++i)
        text += QLatin1Char(')');
    EXPECT_THROW(m.Expand(text), EMacroString);
    EXPECT_EQ(m.Resolving().Count(), 0);
}

TEST(MacroString, AutoDequoteStripsOnePairFromResultsAndValues) {
    TMacroString m = Table({"Q=\"quoted\"", "N=a\"b\""});
    EXPECT_EQ(m.Expand(QStringLiteral("\"abc\"")), u"abc");
    EXPECT_EQ(m.Expand(QStringLiteral("<$(Q)>")), u"<quoted>");
    EXPECT_EQ(m.Expand(QStringLiteral("$(N)")), u"a\"b\"");
    m.AutoDequote = false;
    EXPECT_EQ(m.Expand(QStringLiteral("\"abc\"")), u"\"abc\"");
    EXPECT_EQ(m.Expand(QStringLiteral("<$(Q)>")), u"<\"quoted\">");
    // Copies keep the setting and the lines.
    TMacroString copy(m);
    EXPECT_FALSE(copy.AutoDequote);
    EXPECT_EQ(copy.Expand(QStringLiteral("$(N)")), u"a\"b\"");
}

TEST(MacroString, DequoteNeedsAQuoteAtBothEnds) {
    EXPECT_EQ(Dequote(QStringLiteral("\"\"")), u"");
    EXPECT_EQ(Dequote(QStringLiteral("\"")), u"\"");
    EXPECT_EQ(Dequote(QStringLiteral("\"a")), u"\"a");
    EXPECT_EQ(Dequote(QStringLiteral("\"\"a\"\"")), u"\"a\"");
}

TEST(SplitTokens, DropsOrKeepsEmptyPieces) {
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("a,,b"), QStringLiteral(","))), QStringList({"a", "b"}));
    EXPECT_EQ(Tokens(SplitTokensKeepEmpty(QStringLiteral("a,,b"), QStringLiteral(","))),
              QStringList({"a", "", "b"}));
    EXPECT_EQ(Tokens(SplitTokensKeepEmpty(QStringLiteral(",a,"), QStringLiteral(","))),
              QStringList({"", "a"}));
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("a,b,"), QStringLiteral(","))), QStringList({"a", "b"}));
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("a b;c"), QStringLiteral(" ;"))),
              QStringList({"a", "b", "c"}));
    EXPECT_TRUE(Tokens(SplitTokens(QString(), QStringLiteral(","))).isEmpty());
}

TEST(SplitTokens, QuotesProtectDelimitersAndStayInThePieces) {
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("\"x y\" z"), QStringLiteral(" "))),
              QStringList({"\"x y\"", "z"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("a \"b c"), QStringLiteral(" "))),
              QStringList({"a", "\"b c"}));
    // A quote opening in the middle of a token keeps what came before it.
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("/o:\"C:\\My Files\" -q"), QStringLiteral(" "))),
              QStringList({"/o:\"C:\\My Files\"", "-q"}));
    EXPECT_EQ(Tokens(SplitTokens(QStringLiteral("ab\"c d\"ef g"), QStringLiteral(" "))),
              QStringList({"ab\"c d\"ef", "g"}));
}
