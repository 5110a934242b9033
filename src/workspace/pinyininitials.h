#pragma once
// Initial letters of Chinese names, the way operators type a function they
// know by its name: "cgdd" for 采购订单. The table behind it is generated at
// build time from the Unihan readings and covers the CJK Unified Ideographs and
// extension A. An ideograph read more than one way matches every reading's
// initial: 结转会计期间 is "jzhjqj" and "jzkjqj" (会 huì / kuài).
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace pinyin {

// The lower-case initial of an ideograph's first reading, 0 when the table has none for it.
char initial(char32_t codePoint);
// The initials of a text: ideographs by their first reading, ASCII letters and
// digits as they stand (lower-cased); everything else leaves no letter.
QString initials(QStringView text);

// Per letter of the initials, every letter it may be typed as (bit 0 'a' .. 25 'z',
// 26.. the digits): an ideograph read more than one way has a bit per reading.
using InitialSets = QList<quint64>;
InitialSets initialSets(QStringView text);
// Where the typed letters (lower-case letters and digits) occur in the initials, -1 when
// they do not (0: the initials begin with them).
qsizetype findInitials(const InitialSets &sets, QStringView typed);
// Whether the typed letters occur in the initials of the text, any reading.
bool containsInitials(QStringView text, QStringView typed);
// The text's initials spelled with each reading, the first reading's spelling first, at most limit.
QStringList initialsSpellings(QStringView text, int limit = 8);
// Number of code points the table knows a reading for (about 26,000 when complete).
int tableReadings();

} // namespace pinyin
