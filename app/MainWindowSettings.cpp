#include "app/MainWindowSettings.h"

#include "app/list/IssueListModel.h"
#include "data/Error.h"
#include "platform/SettingsStore.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <optional>

namespace MainWindowSettings {
namespace {

// Column widths in twips, one key per column: the prefix and the column's
// position counted from 1. Numbers in the user's format, as for LocaleNumber.
struct ColumnWidth {
    const char *keyPrefix;
    const char *firstDefault;
    const char *otherDefault;
    double low;
    double high;
};

// A number in the user's format, as the widths and the window state have
// always been read; a stored text that is not one is a type mismatch.
struct LocaleNumber {
    const char *key;
    const char *defaultText;
    double low;
    double high;
};

// A whole number; anything else stored, or a number out of [low, high],
// reads as the default.
struct WholeNumber {
    const char *key;
    int defaultValue;
    int low;
    int high;
};

// On when stored as 1; off for any other number; the default when nothing,
// or no number, is stored.
struct Switch {
    const char *key;
    bool defaultValue;
};

// The keys.
constexpr ColumnWidth columnWidth{"ColumnHeaders", "1200", "1700", minColumnWidth, maxColumnWidth};
constexpr LocaleNumber windowState{"WindowState", "0", -0.5, 2.5}; // rounded; outside, 0
constexpr WholeNumber sortColumn{"SortColumn", -1, 0, IssueListModel::allColumns - 1};
constexpr WholeNumber sortOrder{"SortOrder", 0, 0, 1};
constexpr Switch showClosed{"ShowClosed", false};
constexpr Switch findBar{"FindBar", true};
constexpr Switch paneShown{"DetailPane/Shown", false};
constexpr Switch paneBelow{"DetailPane/Below", false};
constexpr Switch closedDateShown{"Columns/ClosedDate", false};
constexpr Switch lastChangedShown{"Columns/LastChanged", false};
// The largest file attached, in MiB: 512 unless set, from 1 MiB to 4 GiB.
constexpr WholeNumber attachmentLimit{"Attachments/SizeLimitMiB", 512, 1, 4096};
constexpr const char *normalGeometryKeys[] = {"WindowLeft", "WindowTop", "WindowWidth", "WindowHeight"};

double readLocaleNumber(const QString &key, const char *defaultText)
{
    const QString text = platform::readSetting(key, QLatin1String(defaultText));
    bool ok = false;
    const double number = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(number))
        throw Error(QStringLiteral("Type mismatch: the stored value \"%1\" is not a number.").arg(text));
    return number;
}

// The stored whole number, or nothing when none is stored as one.
std::optional<int> storedWholeNumber(const char *key)
{
    bool ok = false;
    const int number = platform::readSetting(QLatin1String(key), QString()).trimmed().toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

int read(const WholeNumber &setting)
{
    const int number = storedWholeNumber(setting.key).value_or(setting.defaultValue);
    return number >= setting.low && number <= setting.high ? number : setting.defaultValue;
}

bool read(const Switch &setting)
{
    const std::optional<int> number = storedWholeNumber(setting.key);
    return number ? *number == 1 : setting.defaultValue;
}

QString columnWidthKey(int column)
{
    return QLatin1String(columnWidth.keyPrefix) + QString::number(column + 1);
}

Entry entry(const char *key, int number)
{
    return {QLatin1String(key), QString::number(number)};
}

} // namespace

double readColumnWidth(int column)
{
    const char *defaultText = column == 0 ? columnWidth.firstDefault : columnWidth.otherDefault;
    return std::clamp(readLocaleNumber(columnWidthKey(column), defaultText), columnWidth.low, columnWidth.high);
}

Entry columnWidthEntry(int column, double twips)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return {columnWidthKey(column), locale.toString(static_cast<double>(static_cast<float>(twips)), 'g', 7)};
}

int readWindowState()
{
    const double stored = readLocaleNumber(QLatin1String(windowState.key), windowState.defaultText);
    return stored > windowState.low && stored < windowState.high ? static_cast<int>(std::lround(stored)) : 0;
}

Entry windowStateEntry(int state)
{
    return entry(windowState.key, state);
}

void save(const QList<Entry> &entries)
{
    platform::saveSettings(entries);
}

View readView()
{
    View view;
    view.sortColumn = read(sortColumn);
    view.sortOrder = read(sortOrder) == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
    view.showClosed = read(showClosed);
    view.findBar = read(findBar);
    return view;
}

void saveView(const View &view)
{
    try {
        save({
            entry(sortColumn.key, view.sortColumn),
            entry(sortOrder.key, view.sortOrder == Qt::DescendingOrder ? 1 : 0),
            entry(showClosed.key, view.showClosed ? 1 : 0),
            entry(findBar.key, view.findBar ? 1 : 0),
        });
    } catch (const Error &) {
    }
}

std::optional<QRect> readNormalGeometry()
{
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> number = storedWholeNumber(normalGeometryKeys[i]);
        if (!number)
            return std::nullopt;
        numbers[i] = *number;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

void saveNormalGeometry(const std::optional<QRect> &twips)
{
    if (!twips)
        return;
    try {
        save({entry(normalGeometryKeys[0], twips->left()), entry(normalGeometryKeys[1], twips->top()),
              entry(normalGeometryKeys[2], twips->width()), entry(normalGeometryKeys[3], twips->height())});
    } catch (const Error &) {
    }
}

Pane readPane()
{
    return Pane{read(paneShown), read(paneBelow)};
}

qint64 readAttachmentLimit()
{
    return qint64(read(attachmentLimit)) * 1024 * 1024;
}

void savePane(const Pane &pane)
{
    try {
        save({entry(paneShown.key, pane.shown ? 1 : 0), entry(paneBelow.key, pane.below ? 1 : 0)});
    } catch (const Error &) {
    }
}

HistoryColumns readHistoryColumns()
{
    return HistoryColumns{read(closedDateShown), read(lastChangedShown)};
}

void saveHistoryColumns(const HistoryColumns &columns)
{
    try {
        save({entry(closedDateShown.key, columns.closedDate ? 1 : 0),
              entry(lastChangedShown.key, columns.lastChanged ? 1 : 0)});
    } catch (const Error &) {
    }
}

} // namespace MainWindowSettings
