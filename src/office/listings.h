#pragma once

#include <QString>

#include <functional>
#include <optional>

// The listings of the application's menus: for each option that shows one result of the presentation engine,
// the mode, data source, title, statement and options of its call. Pure rules; the menu loop asks the dates
// and makes the call.
namespace quelmar::office {

// The dates a listing may put into its title and statement. todayText is "dd-mmm-yyyy", the literals are Jet
// date literals ("#...#"); periodText, from and to come from a period question, dayText and dayLiteral from a
// one-date question, each as AskPeriod gives them.
struct ListingDates
{
    QString todayText;
    QString todayLiteral;
    QString periodText;
    QString from;
    QString to;
    QString dayText;
    QString dayLiteral;
};

// The arguments of one presentation engine call (its width is always 0).
struct ListingCall
{
    QString mode;
    int sourceKind = 0;
    QString title;
    QString statement;
    QString options;
};

// What a listing asks before its call: nothing, a period (AskPeriod "Per") or one day (AskPeriod "Uni").
enum class DateQuestion
{
    None,
    Period,
    Day
};

struct Listing
{
    DateQuestion question = DateQuestion::None;
    std::function<ListingCall(const ListingDates&)> call;
};

// The listing of an option code (the submenu code followed by the option number: "144" is option 4 of submenu
// "14", "73" option 3 of submenu "7"); nothing when the option is not one plain listing. In submenu "14"
// every option number outside 2 to 9 gives the alphabetical list of option 1.
std::optional<Listing> listingFor(const QString& option);

// The daily income, option 4 of submenu "24": a day question, then a load of the day's payments and, when
// there are some, two crosstabs by concept.
inline constexpr char16_t DailyIncomeOption[] = u"244";
// The statement loaded with mode "Datos" to count the payments of the day.
QString dailyIncomeStatement(const ListingDates& dates);
// The amounts of the day by concept; count is the number of payment rows loaded.
ListingCall dailyIncomeAmounts(qint64 count, const ListingDates& dates);
// The number of payments of the day by concept.
ListingCall dailyIncomeTickets(qint64 count, const ListingDates& dates);

} // namespace quelmar::office
