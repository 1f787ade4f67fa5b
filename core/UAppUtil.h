#pragma once
// Helpers the windows and models share: the set-up every form runs when it is made (macros, colour
// scheme, background, help button, placement), number and date formatting, text splitting and path
// shortening, and the wait-cursor guard. The picture helpers of the same family are in
// imaging/UPictureUtil.h.

#include "platform/Color.h"
#include "platform/StringList.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;
class QWidget;
class TComponent;

// The class library's date-time value: days since 1899-12-30, the fraction the time of day (for
// negative values the fraction's absolute value).
using TDateTime = double;
// The date and time as a TDateTime (milliseconds kept).
TDateTime DateTimeFromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                            int msec = 0);
// Now, as a TDateTime.
TDateTime NowDateTime();

// Month names the date formats of documents refer to as macros ($(LongMonthA) and so on).
extern const std::array<const char*, 12> LongMonthA;  // "January".."December"
extern const std::array<const char*, 12> LongMonthB;  // lower case
extern const std::array<const char*, 12> LongMonthC;  // upper case
extern const std::array<const char*, 12> ShortMonthA; // "Jan".."Dec"
extern const std::array<const char*, 12> ShortMonthB;
extern const std::array<const char*, 12> ShortMonthC;

// A length in 0.1 mm as "12.3mm" ("-0.5mm" for -5).
QString FormatTenthMM(int value);
// Tenths as "12" (120) or "12.5" (125); negative values keep their sign ("-0.5").
QString FormatTenths(int value);
// The pieces of s between occurrences of separator, left to right; a trailing remainder is a
// piece, an empty one after the last separator is not. Each search resumes after the whole
// separator found. An empty separator gives s as the only piece.
std::unique_ptr<TStringList> SplitByString(const QString& s, const QString& separator);
// A disk path made at most maxLength characters long for display: "..." first replaces the folder
// before the file name, then folders further left go one by one, the first element (the root) last,
// and finally only the file name is left. "" and "/" are returned as they are.
QString ShortenPath(const QString& path, int maxLength);

// The class library's date-time formatting of the Japanese locale, with the month-name macros of
// the table above expanded first into quoted literals ("yyyy $(ShortMonthC) d" gives "2002 MAR 5").
// Specifiers: c d dd ddd dddd ddddd dddddd e ee g gg m mm mmm mmmm yy yyyy h hh n nn s ss z zzz t tt
// am/pm a/p ampm aaa aaaa / : and quoted literals; m after h is minutes. Names come from a fixed
// table of the Japanese locale ("3月", "火曜日", "午後", eras "平成", "令和"...), not from the
// machine's locale, so documents format alike everywhere. EMacroString for an unknown macro,
// EConvertError for a date outside the years 1 to 9999.
QString FormatDateEx(const QString& format, TDateTime date);
// The formatting alone, without the macro step.
QString FormatDateTime(const QString& format, TDateTime date);

// True when path (a document's "\"-separated or a disk path) runs through a "data" folder, the
// folders from there on end folder (compared without regard to case), and path's file name exists
// in folder.
bool ExistsInDataFolder(const QString& path, const QString& folder);

// Shows the wait cursor while it lives; destroying it puts the previous cursor back.
class TWatchCursor {
public:
    TWatchCursor();
    ~TWatchCursor();
    TWatchCursor(const TWatchCursor&) = delete;
    TWatchCursor& operator=(const TWatchCursor&) = delete;
};
std::shared_ptr<TWatchCursor> CreateWatchCursor();

// Makes the fill-image control that paints a form's background (the control library installs it):
// a control over the form's client area showing pack, or, with pack null, a plain fill of
// plainColor. Null when it makes none.
using TFillImageMaker = std::function<QWidget*(QWidget* form, TComponent* pack, TColor plainColor)>;
void SetFillImageMaker(TFillImageMaker maker);

// The background image pack of dialog forms (not owned; null for none).
void SetFormBackgroundImagePack(TComponent* pack);
TComponent* FormBackgroundImagePack();
// Called with the clicked help button.
using THelpButtonEvent = std::function<void(QObject* sender)>;
void SetHelpButtonClick(THelpButtonEvent event);

// The set-up every form runs once it is made: macros expanded; a form of class TfrmMain gets its
// stored placement (800 x 600 by default) and nothing more; any other form gets the help handler on
// its first "btnHelp" button, its controls' own colours pinned, the old scheme's colours replaced,
// the system window colour, with a background the fill-image control (a form whose dynamic property
// "OwnPaint" is true paints itself and gets none), and a place centred on the main form (or the
// screen) and kept on the available area of its screen.
void SetupForm(QWidget* form);
void SetupFormNoBackground(QWidget* form);
