#include "core/UAppUtil.h"

#include "core/UAppFrame.h"
#include "core/UMacroString.h"
#include "core/UPathUtil.h"
#include "platform/Application.h"
#include "platform/Exception.h"

#include <QAbstractButton>
#include <QDate>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <utility>

const std::array<const char*, 12> LongMonthA = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
const std::array<const char*, 12> LongMonthB = {"january",   "february", "march",    "april",
                                                "may",       "june",     "july",     "august",
                                                "september", "october",  "november", "december"};
const std::array<const char*, 12> LongMonthC = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                                "MAY",       "JUNE",     "JULY",     "AUGUST",
                                                "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const std::array<const char*, 12> ShortMonthA = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<const char*, 12> ShortMonthB = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
const std::array<const char*, 12> ShortMonthC = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

namespace {

constexpr int64_t kMSecsPerDay = 86400000;
// The colours of the old scheme and what replaces them ($00BBGGRR).
constexpr TColor kOldFaceColor = 0x00AFE7FF;
constexpr TColor kNewFaceColor = 0x00E6E6E6;
constexpr TColor kOldShadowColor = 0x007F9FDF;
constexpr TColor kNewShadowColor = 0x00B4B4B4;
constexpr TColor kWizardBackColor = 0x00E7D7D6;
constexpr int kMainFormWidth = 800;
constexpr int kMainFormHeight = 600;
// Nested standard formats (c, ddddd, t...) expand at most this deep, as the class library does.
constexpr int kMaxFormatNesting = 2;

// The Japanese locale's names and standard formats.
const char* const kShortMonthNames[12] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"};
const char* const kLongMonthNames[12] = {"1月", "2月", "3月", "4月",  "5月",  "6月",
                                         "7月", "8月", "9月", "10月", "11月", "12月"};
const char* const kShortDayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};
const char* const kLongDayNames[7] = {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
const char* const kTimeAMString = "午前";
const char* const kTimePMString = "午後";
const char* const kShortDateFormat = "yyyy/mm/dd";
const char* const kLongDateFormat = "yyyy'年'm'月'd'日'";
const char* const kShortTimeFormat = "h:mm";
const char* const kLongTimeFormat = "h:mm:ss";
constexpr QChar kDateSeparator = u'/';
constexpr QChar kTimeSeparator = u':';

struct TEra {
    int year, month, day;
    const char* name;
};
// The Japanese calendar's eras, newest last.
constexpr TEra kEras[] = {
    {1868, 1, 1, "明治"}, {1912, 7, 30, "大正"}, {1926, 12, 25, "昭和"},
    {1989, 1, 8, "平成"}, {2019, 5, 1, "令和"},
};

struct TDateParts {
    QDate date;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

QDate DateOrigin() {
    return QDate(1899, 12, 30);
}

TDateParts DecodeDateTime(TDateTime value) {
    if (!std::isfinite(value))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    static const int64_t kFirstDay = DateOrigin().daysTo(QDate(1, 1, 1));
    static const int64_t kLastDay = DateOrigin().daysTo(QDate(9999, 12, 31));
    const double whole = std::trunc(value);
    if (whole < double(kFirstDay) || whole > double(kLastDay))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    int64_t days = int64_t(whole);
    int64_t ms = std::llround(std::fabs(value - whole) * double(kMSecsPerDay));
    // A time that rounds up to a whole day is the start of the next day, not 24:00.
    if (ms >= kMSecsPerDay) {
        ms -= kMSecsPerDay;
        if (days < kLastDay)
            ++days;
        else
            ms = kMSecsPerDay - 1;
    }
    TDateParts parts;
    parts.date = DateOrigin().addDays(days);
    parts.hour = int(ms / 3600000);
    parts.minute = int(ms / 60000 % 60);
    parts.second = int(ms / 1000 % 60);
    parts.msec = int(ms % 1000);
    return parts;
}

int DayOfWeekIndex(const QDate& date) {
    return date.dayOfWeek() % 7; // Sunday first
}

const TEra* EraOf(const QDate& date) {
    const TEra* found = nullptr;
    for (const TEra& era : kEras)
        if (date >= QDate(era.year, era.month, era.day))
            found = &era;
    return found;
}

bool StartsWithNoCase(const QString& text, int pos, const char* what) {
    const QString w = QString::fromLatin1(what);
    return text.mid(pos, w.size()).compare(w, Qt::CaseInsensitive) == 0;
}

class TDateFormatter {
public:
    explicit TDateFormatter(TDateTime value) : dt_(DecodeDateTime(value)) {}

    QString Run(const QString& format) {
        Append(format, 0);
        return out_;
    }

private:
    void Number(int value, int digits) { out_ += QString::number(value).rightJustified(digits, u'0'); }

    void Append(const QString& format, int level) {
        if (level >= kMaxFormatNesting)
            return;
        QChar lastToken = u' ';
        int i = 0;
        const int n = int(format.size());
        while (i < n) {
            const QChar starter = format[i];
            QChar token = starter.toUpper();
            if (token >= u'A' && token <= u'Z') {
                if (token == u'M' && lastToken == u'H')
                    token = u'N';
                lastToken = token;
            }
            ++i;
            auto count = [&] {
                int c = 1;
                while (i < n && format[i] == starter) {
                    ++c;
                    ++i;
                }
                return c;
            };
            const QDate& d = dt_.date;
            switch (token.unicode()) {
            case u'Y': {
                const int c = count();
                if (c <= 2)
                    Number(d.year() % 100, 2);
                else
                    Number(d.year(), 4);
                break;
            }
            case u'G': {
                const int c = count();
                if (const TEra* era = EraOf(d)) {
                    const QString name = QString::fromUtf8(era->name);
                    out_ += c == 1 ? name.left(1) : name;
                }
                break;
            }
            case u'E': {
                const int c = count();
                const TEra* era = EraOf(d);
                Number(era ? d.year() - era->year + 1 : d.year(), c <= 1 ? 1 : 2);
                break;
            }
            case u'M': {
                const int c = count();
                if (c <= 2)
                    Number(d.month(), c);
                else
                    out_ += QString::fromUtf8(c == 3 ? kShortMonthNames[d.month() - 1]
                                                     : kLongMonthNames[d.month() - 1]);
                break;
            }
            case u'D': {
                const int c = count();
                if (c <= 2)
                    Number(d.day(), c);
                else if (c == 3)
                    out_ += QString::fromUtf8(kShortDayNames[DayOfWeekIndex(d)]);
                else if (c == 4)
                    out_ += QString::fromUtf8(kLongDayNames[DayOfWeekIndex(d)]);
                else
                    Append(QString::fromUtf8(c == 5 ? kShortDateFormat : kLongDateFormat), level + 1);
                break;
            }
            case u'H': {
                int c = count();
                // A 12-hour clock when an AM/PM specifier follows before the next hour.
                bool twelve = false;
                bool quoted = false;
                for (int p = i; p < n; ++p) {
                    const QChar ch = format[p];
                    if ((ch == u'A' || ch == u'a') && !quoted) {
                        twelve = StartsWithNoCase(format, p, "AM/PM") || StartsWithNoCase(format, p, "A/P") ||
                                 StartsWithNoCase(format, p, "AMPM");
                        break;
                    }
                    if (ch == u'H' || ch == u'h')
                        break;
                    if (ch == u'\'' || ch == u'"')
                        quoted = !quoted;
                }
                int h = dt_.hour;
                if (twelve)
                    h = h == 0 ? 12 : (h > 12 ? h - 12 : h);
                Number(h, std::min(c, 2));
                break;
            }
            case u'N':
                Number(dt_.minute, std::min(count(), 2));
                break;
            case u'S':
                Number(dt_.second, std::min(count(), 2));
                break;
            case u'T':
                Append(QString::fromUtf8(count() == 1 ? kShortTimeFormat : kLongTimeFormat), level + 1);
                break;
            case u'Z':
                Number(dt_.msec, std::min(count(), 3));
                break;
            case u'A': {
                const int p = i - 1;
                const bool pm = dt_.hour >= 12;
                if (StartsWithNoCase(format, p, "AM/PM")) {
                    out_ += format.mid(pm ? p + 3 : p, 2);
                    i = p + 5;
                } else if (StartsWithNoCase(format, p, "A/P")) {
                    out_ += format.mid(pm ? p + 2 : p, 1);
                    i = p + 3;
                } else if (StartsWithNoCase(format, p, "AMPM")) {
                    out_ += QString::fromUtf8(pm ? kTimePMString : kTimeAMString);
                    i = p + 4;
                } else if (StartsWithNoCase(format, p, "AAAA")) {
                    out_ += QString::fromUtf8(kLongDayNames[DayOfWeekIndex(d)]);
                    i = p + 4;
                } else if (StartsWithNoCase(format, p, "AAA")) {
                    out_ += QString::fromUtf8(kShortDayNames[DayOfWeekIndex(d)]);
                    i = p + 3;
                } else {
                    out_ += starter;
                }
                break;
            }
            case u'C':
                count();
                Append(QString::fromUtf8(kShortDateFormat), level + 1);
                if (dt_.hour != 0 || dt_.minute != 0 || dt_.second != 0) {
                    out_ += u' ';
                    Append(QString::fromUtf8(kLongTimeFormat), level + 1);
                }
                break;
            case u'/':
                out_ += kDateSeparator;
                break;
            case u':':
                out_ += kTimeSeparator;
                break;
            case u'\'':
            case u'"': {
                const int start = i;
                while (i < n && format[i] != starter)
                    ++i;
                out_ += format.mid(start, i - start);
                if (i < n)
                    ++i;
                break;
            }
            default:
                out_ += starter;
                break;
            }
        }
    }

    TDateParts dt_;
    QString out_;
};

struct TFormState {
    TFillImageMaker fillImageMaker;
    TComponent* backgroundPack = nullptr;
    THelpButtonEvent helpButtonClick;
};

TFormState& FormState() {
    static TFormState state;
    return state;
}

QAbstractButton* FindHelpButton(QWidget* parent) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button && button->objectName() == QLatin1String("btnHelp"))
            return button;
        if (QAbstractButton* found = FindHelpButton(widget))
            return found;
    }
    return nullptr;
}

void ReplacePaletteColors(QWidget* widget) {
    if (!widget->testAttribute(Qt::WA_SetPalette))
        return;
    QPalette palette = widget->palette();
    const QColor oldFace = ToQColor(kOldFaceColor), oldShadow = ToQColor(kOldShadowColor);
    bool changed = false;
    for (int group = 0; group < QPalette::NColorGroups; ++group)
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            if (!palette.isBrushSet(g, r))
                continue;
            const QColor c = palette.color(g, r);
            if (c == oldFace || c == oldShadow) {
                palette.setColor(g, r, ToQColor(c == oldFace ? kNewFaceColor : kNewShadowColor));
                changed = true;
            }
        }
    if (changed)
        widget->setPalette(palette);
}

void PlaceOnScreen(QWidget* form) {
    QWidget* mainForm = TApplication::MainForm();
    QScreen* screen = mainForm && mainForm != form ? mainForm->screen() : form->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect around = mainForm && mainForm != form ? mainForm->frameGeometry() : area;
    QRect r(QPoint(0, 0), form->size());
    r.moveCenter(around.center());
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.top() < area.top())
        r.moveTop(area.top());
    form->move(r.topLeft());
}

// A window set up before it shows has no size yet (one with an owner starts at 100 x 30 until its
// layout sizes it on showing): it is placed when it shows, at the size it shows with. Placing it then
// also keeps a dialog from being centred a second time by the toolkit.
class PlaceOnShow : public QObject {
public:
    explicit PlaceOnShow(QWidget* form) : QObject(form) { form->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* form = static_cast<QWidget*>(watched);
            form->removeEventFilter(this);
            // A form docked into a panel by now is placed by its panel's layout.
            if (form->isWindow())
                PlaceOnScreen(form);
            deleteLater();
        }
        return false;
    }
};

void KeepOnScreen(QWidget* form) {
    if (!form->isVisible())
        new PlaceOnShow(form);
    else if (form->isWindow())
        PlaceOnScreen(form);
}

void DoSetupForm(QWidget* form, bool withBackground) {
    if (!form)
        return;
    ExpandComponentMacros(static_cast<QObject*>(form));
    if (form->inherits("TfrmMain")) {
        RestoreFormPlacement(form, kMainFormWidth, kMainFormHeight);
        return;
    }
    TFormState& state = FormState();
    if (QAbstractButton* help = FindHelpButton(form);
        help && state.helpButtonClick && !help->property("HelpButtonConnected").toBool()) {
        help->setProperty("HelpButtonConnected", true);
        QObject::connect(help, &QAbstractButton::clicked, help, [help] {
            if (FormState().helpButtonClick)
                FormState().helpButtonClick(help);
        });
    }
    // Controls keep the colour they show now when the form's colour changes below.
    const QList<QWidget*> controls = form->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (control->inherits("TPage"))
            continue;
        QPalette palette = control->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Window));
        control->setPalette(palette);
    }
    ReplacePaletteColors(form);
    for (QWidget* control : controls)
        ReplacePaletteColors(control);
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, QGuiApplication::palette().color(QPalette::Window));
    form->setPalette(palette);
    if (withBackground && !form->property("OwnPaint").toBool() && state.backgroundPack &&
        state.fillImageMaker) {
        const bool wizard = form->inherits("TfrmWizardBase");
        if (QWidget* fill = state.fillImageMaker(form, wizard ? nullptr : state.backgroundPack,
                                                 wizard ? kWizardBackColor : clNone)) {
            fill->setGeometry(form->rect());
            fill->lower();
        }
    }
    KeepOnScreen(form);
}

} // namespace

TDateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second, int msec) {
    const QDate date(year, month, day);
    if (!date.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    const double time =
        double(((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + msec) / double(kMSecsPerDay);
    const double days = double(DateOrigin().daysTo(date));
    return days >= 0 ? days + time : days - time;
}

QString FormatTenthMM(int value) {
    const int64_t v = std::llabs(int64_t(value));
    return QStringLiteral("%1%2.%3mm")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(v / 10)
        .arg(v % 10);
}

QString FormatTenths(int value) {
    const int64_t v = std::llabs(int64_t(value));
    QString s = (value < 0 ? QStringLiteral("-") : QString()) + QString::number(v / 10);
    if (v % 10 != 0)
        s += u'.' + QString::number(v % 10);
    return s;
}

std::unique_ptr<TStringList> SplitByString(const QString& s, const QString& separator) {
    auto list = std::make_unique<TStringList>();
    if (separator.isEmpty()) {
        if (!s.isEmpty())
            list->Add(s);
        return list;
    }
    qsizetype start = 0;
    while (true) {
        const qsizetype found = s.indexOf(separator, start);
        if (found < 0)
            break;
        list->Add(s.mid(start, found - start));
        start = found + separator.size();
    }
    if (start < s.size())
        list->Add(s.mid(start));
    return list;
}

QString ShortenPath(const QString& path, int maxLength) {
    QString result = path.size() > 1 ? ExcludeBackslash(path) : path;
    QStringList parts;
    // An absolute path's root is its first element, kept as an empty text before the first "/".
    if (result.startsWith(PathDelim))
        parts << QString();
    for (const QString& element : result.split(PathDelim, Qt::SkipEmptyParts))
        parts << element;
    if (parts.isEmpty() || (parts.size() == 1 && parts[0].isEmpty()))
        return path;
    qsizetype i = parts.size() - 1;
    while (result.size() > maxLength) {
        if (i < 0)
            return parts.last();
        if (i == parts.size() - 2)
            parts[i] = QStringLiteral("...");
        else if (i < parts.size() - 2)
            parts[i].clear();
        --i;
        result = parts[0];
        for (qsizetype j = 1; j < parts.size(); ++j)
            if (!parts[j].isEmpty())
                result += PathDelim + parts[j];
    }
    return result;
}

QString FormatDateTime(const QString& format, TDateTime date) {
    return TDateFormatter(date).Run(format);
}

QString FormatDateEx(const QString& format, TDateTime date) {
    const int month = DecodeDateTime(date).date.month() - 1;
    TMacroString macros;
    macros.AutoDequote = false;
    const std::pair<const char*, const std::array<const char*, 12>*> tables[] = {
        {"LongMonthA", &LongMonthA},   {"LongMonthB", &LongMonthB},   {"LongMonthC", &LongMonthC},
        {"ShortMonthA", &ShortMonthA}, {"ShortMonthB", &ShortMonthB}, {"ShortMonthC", &ShortMonthC},
    };
    for (const auto& [name, table] : tables)
        macros.Add(
            QStringLiteral("%1=\"%2\"").arg(QLatin1String(name), QLatin1String((*table)[size_t(month)])));
    return FormatDateTime(macros.Expand(format), date);
}

bool ExistsInDataFolder(const QString& path, const QString& folder) {
    const QString local = ToLocalPath(path);
    const QString marker = QStringLiteral("/data/");
    const qsizetype at = local.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return false;
    const QFileInfo info(local);
    const QString tail = IncludeBackslash(info.path().mid(at)).toLower();
    if (!IncludeBackslash(folder).toLower().endsWith(tail))
        return false;
    return QFileInfo::exists(JoinPath(folder, info.fileName()));
}

TWatchCursor::TWatchCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

TWatchCursor::~TWatchCursor() {
    QGuiApplication::restoreOverrideCursor();
}

std::shared_ptr<TWatchCursor> CreateWatchCursor() {
    return std::make_shared<TWatchCursor>();
}

void SetFillImageMaker(TFillImageMaker maker) {
    FormState().fillImageMaker = std::move(maker);
}

void SetFormBackgroundImagePack(TComponent* pack) {
    FormState().backgroundPack = pack;
}

TComponent* FormBackgroundImagePack() {
    return FormState().backgroundPack;
}

void SetHelpButtonClick(THelpButtonEvent event) {
    FormState().helpButtonClick = std::move(event);
}

void SetupForm(QWidget* form) {
    DoSetupForm(form, true);
}

void SetupFormNoBackground(QWidget* form) {
    DoSetupForm(form, false);
}

TDateTime NowDateTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return DateTimeFromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}
