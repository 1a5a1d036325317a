#pragma once

#include <QString>
#include <QStringView>

namespace zk {

// Lower-case Roman numerals; the plain number outside 1..3999.
QString romanNumber(int n);

// Counting in the letters of an alphabet. Repeating (Word's way, and OpenDocument's with letter
// sync): a..z, aa, bb..zz, aaa. Otherwise as a spreadsheet's columns: a..z, aa, ab..az, ba.
// The plain number below 1.
QString letterNumber(int n, QStringView alphabet, bool repeat);

} // namespace zk
