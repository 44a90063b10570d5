#pragma once
// The one text collation of the program, on a file as on a server: ICU's
// root collation at secondary strength, the collation the server's
// marrow_nocase is made with (locale "und-u-ks-level2",
// data/postgres/PgSchema.sql). A file's MARROW_NOCASE, the closed rule, the
// value lists' uniqueness and the issue list's sort keys all compare with
// it, so that a file, a server and the list order and match texts alike.
//
// What it holds equal: letter case ("FIX", "fix"), width ("ｆｉｘ"),
// compatibility forms ("ﬁx"), canonically equivalent spellings (é
// precomposed and e with a combining accent), and texts that differ only by
// characters ICU ignores (soft hyphen, zero-width space, control
// characters). Accents count ("e" before "é"); blanks and punctuation are
// ordinary characters.
//
// One collator serves one thread at a time: ICU's collators must not be
// used by two threads at once. ofThisThread() gives each thread its own.

#include <QStringView>

#include <cstdint>

struct UCollator;

class TextCollator {
public:
    // The ICU locale both engines build the collation from.
    static constexpr const char *icuLocale = "und-u-ks-level2";

    // Throws Error when ICU cannot open the collation (its data missing).
    TextCollator();
    ~TextCollator();
    TextCollator(const TextCollator &) = delete;
    TextCollator &operator=(const TextCollator &) = delete;

    // <0, 0 or >0 as text a orders before, with or after text b. UTF-8
    // that is not well formed compares as ICU reads it (U+FFFD for each
    // bad sequence).
    int compareUtf8(const char *a, int aLength, const char *b, int bLength) const;
    int compare(QStringView a, QStringView b) const;
    bool equal(QStringView a, QStringView b) const { return compare(a, b) == 0; }

    // ICU's sort key of the text into key, ending in a 0 byte: comparing
    // two keys byte by byte orders their texts as compare() does. Returns
    // the key's length with its 0; more than capacity when key was too
    // small (then key holds only part of it); 0 when ICU could not make it.
    int32_t sortKey(QStringView text, unsigned char *key, int32_t capacity) const;

    // This thread's collator, opened on first use.
    static const TextCollator &ofThisThread();

private:
    UCollator *m_collator = nullptr;
};
