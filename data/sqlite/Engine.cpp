#include "data/sqlite/Engine.h"

#include "data/DateText.h"
#include "data/Error.h"
#include "data/JetSql.h"
#include "data/LocalAccount.h"
#include "data/Session.h"
#include "data/TextCollator.h"
#include "data/WallClock.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace Engine {

QString withoutCaseAndAccents(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString base;
    base.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            base += c;
    return base.toCaseFolded();
}

namespace {

// Each connection compares with a collator of its own: a connection is used
// by one thread at a time, a collator must be.
int collate(void *collator, int aLength, const void *a, int bLength, const void *b)
{
    return static_cast<const TextCollator *>(collator)->compareUtf8(static_cast<const char *>(a), aLength,
                                                                    static_cast<const char *>(b), bLength);
}

void destroyCollator(void *collator)
{
    delete static_cast<TextCollator *>(collator);
}

QString textArgument(sqlite3_value *value)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
}

void resultText(sqlite3_context *context, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context *context, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(context, utf8.constData(), utf8.size());
}

bool isNumber(sqlite3_value *value)
{
    const int type = sqlite3_value_type(value);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

// "+" joins text and adds numbers; a null on either side gives null.
void jetAdd(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *a = argv[0];
    sqlite3_value *b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    if (isNumber(a) && isNumber(b)) {
        if (sqlite3_value_type(a) == SQLITE_INTEGER && sqlite3_value_type(b) == SQLITE_INTEGER) {
            sqlite3_int64 sum = 0;
            if (!__builtin_add_overflow(sqlite3_value_int64(a), sqlite3_value_int64(b), &sum)) {
                sqlite3_result_int64(context, sum);
                return;
            }
        }
        sqlite3_result_double(context, sqlite3_value_double(a) + sqlite3_value_double(b));
        return;
    }
    const int aBytes = sqlite3_value_bytes(a);
    const unsigned char *aText = sqlite3_value_text(a);
    std::string joined(reinterpret_cast<const char *>(aText), aBytes);
    const unsigned char *bText = sqlite3_value_text(b);
    joined.append(reinterpret_cast<const char *>(bText), sqlite3_value_bytes(b));
    sqlite3_result_text64(context, joined.data(), joined.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

struct Pick {
    sqlite3_value *value = nullptr;
    sqlite3_int64 rowid = 0;
};

template <bool first>
void pickStep(sqlite3_context *context, int, sqlite3_value **argv)
{
    auto *pick = static_cast<Pick *>(sqlite3_aggregate_context(context, sizeof(Pick)));
    if (!pick)
        return;
    const sqlite3_int64 rowid = sqlite3_value_int64(argv[1]);
    const bool better = !pick->value || (first ? rowid < pick->rowid : rowid > pick->rowid);
    if (!better)
        return;
    sqlite3_value_free(pick->value);
    pick->value = sqlite3_value_dup(argv[0]);
    pick->rowid = rowid;
}

void pickFinal(sqlite3_context *context)
{
    auto *pick = static_cast<Pick *>(sqlite3_aggregate_context(context, 0));
    if (!pick || !pick->value) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_value(context, pick->value);
    sqlite3_value_free(pick->value);
    pick->value = nullptr;
}

void dateIn(sqlite3_context *context, int, sqlite3_value **argv)
{
    sqlite3_value *value = argv[0];
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString text = textArgument(value);
    if (const auto parsed = DateText::parse(text)) {
        resultText(context, DateText::toIso(*parsed));
        return;
    }
    const QString example = DateText::toText(QDate(2021, 8, 31));
    resultError(context, QStringLiteral("\"%1\" is not a date. Write dates like %2.").arg(text, example));
}

void refuseDuplicate(sqlite3_context *context, int, sqlite3_value **argv)
{
    resultError(context, QStringLiteral("\"%1\" is already in the %2 list. Choose it from the list instead.")
                             .arg(textArgument(argv[1]), textArgument(argv[0])));
    // A broken rule of the data, not a failing statement: the user's to mend.
    sqlite3_result_error_code(context, SQLITE_CONSTRAINT_FUNCTION);
}

DeletingCommand *deletingOf(sqlite3_context *context)
{
    return static_cast<DeletingCommand *>(sqlite3_user_data(context));
}

// The newest group already in the file, 0 when none (or no trash).
qint64 newestGroupIn(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    qint64 newest = 0;
    if (sqlite3_prepare_v2(db,
                           "SELECT max(g) FROM (SELECT max(DeleteGroup) AS g FROM TrashIssues "
                           "UNION ALL SELECT max(DeleteGroup) FROM TrashContacts "
                           "UNION ALL SELECT max(DeleteGroup) FROM TrashValues)",
                           -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        newest = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return newest;
}

void deleteGroup(sqlite3_context *context, int, sqlite3_value **)
{
    DeletingCommand *deleting = deletingOf(context);
    if (deleting->group == 0) {
        // After every group in the file, whatever this machine's clock says
        // or another program wrote: the groups stay in the order made.
        deleting->group =
            DeleteGroups::next(std::max(deleting->floor, newestGroupIn(sqlite3_context_db_handle(context))));
    }
    sqlite3_result_int64(context, deleting->group);
}

void deletingCommandName(sqlite3_context *context, int, sqlite3_value **)
{
    const QByteArray &name = deletingOf(context)->name;
    sqlite3_result_text(context, name.constData(), name.size(), SQLITE_TRANSIENT);
}

void changedBy(sqlite3_context *context, int, sqlite3_value **)
{
    DeletingCommand *deleting = deletingOf(context);
    if (deleting->changedBy.isEmpty())
        deleting->changedBy = LocalAccount::name().toUtf8();
    sqlite3_result_text(context, deleting->changedBy.constData(), deleting->changedBy.size(), SQLITE_TRANSIENT);
}

void changeSource(sqlite3_context *context, int, sqlite3_value **)
{
    const QByteArray &source = deletingOf(context)->changeSource;
    sqlite3_result_text(context, source.constData(), source.size(), SQLITE_TRANSIENT);
}

// A change is numbered by the first history entry it writes: every entry
// of the transaction carries that entry's Seq, so the numbers never repeat
// and sort as the changes were made, whatever the clock says.
void changeId(sqlite3_context *context, int, sqlite3_value **)
{
    DeletingCommand *deleting = deletingOf(context);
    if (deleting->change == 0) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(sqlite3_context_db_handle(context), "SELECT coalesce(max(Seq), 0) + 1 FROM History", -1,
                               &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            deleting->change = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        if (deleting->change == 0) {
            resultError(context, QStringLiteral("The history of changes cannot be read."));
            return;
        }
    }
    sqlite3_result_int64(context, deleting->change);
}

void changeTime(sqlite3_context *context, int, sqlite3_value **)
{
    sqlite3_result_int64(context, WallClock::nowMicros() / 1000);
}

int endChange(void *deleting)
{
    static_cast<DeletingCommand *>(deleting)->change = 0;
    return 0; // the commit goes on
}

void endChangeOnRollback(void *deleting)
{
    endChange(deleting);
}

void destroyDeleting(void *deleting)
{
    delete static_cast<DeletingCommand *>(deleting);
}

} // namespace

int registerExtensions(sqlite3 *db, DeletingCommand *deleting)
{
    // Every function is innocuous (no side effect, reads nothing outside its
    // arguments), so the schema's views and triggers may call them while the
    // connection trusts nothing else the file names.
    const int plain = SQLITE_UTF8 | SQLITE_INNOCUOUS;
    const int deterministic = plain | SQLITE_DETERMINISTIC;
    TextCollator *collator = nullptr;
    try {
        collator = new TextCollator;
    } catch (const Error &) {
        return SQLITE_ERROR;
    }
    int rc = sqlite3_create_collation_v2(db, JetSql::caseInsensitiveCollation, SQLITE_UTF8, collator, collate,
                                         destroyCollator);
    if (rc != SQLITE_OK) // SQLite destroys it only once it took it
        delete collator;
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "jet_add", 2, deterministic, nullptr, jetAdd, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "jet_first", 2, deterministic, nullptr, nullptr, pickStep<true>, pickFinal,
                                        nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "jet_last", 2, deterministic, nullptr, nullptr, pickStep<false>, pickFinal,
                                        nullptr);
    // Depends on the locale in force, so not deterministic.
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "marrow_date_in", 1, plain, nullptr, dateIn, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "marrow_refuse_duplicate", 2, plain, nullptr, refuseDuplicate, nullptr,
                                        nullptr, nullptr);
    // The trash's triggers call these two. They only read (and, for a new
    // group, set) the connection's own record of who is deleting, so they
    // may be innocuous too.
    void (*destroy)(void *) = nullptr;
    if (!deleting) {
        deleting = new DeletingCommand;
        destroy = destroyDeleting;
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "marrow_deleting_command", 0, plain, deleting, deletingCommandName, nullptr,
                                        nullptr, nullptr);
    // The history's too: they read the same record, and the change ID,
    // made at a transaction's first entry, lives until its end.
    using Function = void (*)(sqlite3_context *, int, sqlite3_value **);
    const std::pair<const char *, Function> historyFunctions[] = {{"marrow_changed_by", changedBy},
                                                                  {"marrow_change_source", changeSource},
                                                                  {"marrow_change_id", changeId},
                                                                  {"marrow_change_time", changeTime}};
    for (const auto &[name, function] : historyFunctions)
        if (rc == SQLITE_OK)
            rc = sqlite3_create_function_v2(db, name, 0, plain, deleting, function, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_commit_hook(db, endChange, deleting);
        sqlite3_rollback_hook(db, endChangeOnRollback, deleting);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "marrow_delete_group", 0, plain, deleting, deleteGroup, nullptr, nullptr,
                                        destroy);
    else if (destroy)
        destroy(deleting);
    return rc;
}

} // namespace Engine
