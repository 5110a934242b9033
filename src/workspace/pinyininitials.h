#pragma once
// Initial letters of Chinese names, the way operators type a function they
// know by its name: "cgdd" for 采购订单. The table behind it is generated at
// build time from the Unihan kMandarin readings (first reading, first letter)
// and covers the CJK Unified Ideographs and extension A.
#include <QString>
#include <QStringView>

namespace pinyin {

// The lower-case initial of an ideograph, 0 when the table has none for it.
char initial(char32_t codePoint);
// The initials of a text: ideographs by their first reading, ASCII letters and
// digits as they stand (lower-cased); everything else leaves no letter.
QString initials(QStringView text);
// Number of code points the table knows a reading for (about 26,000 when complete).
int tableReadings();

} // namespace pinyin
