#include "formats/ListNumbers.h"

#include <array>
#include <utility>

namespace zk {

QString romanNumber(int n) {
    if (n < 1 || n > 3999)
        return QString::number(n);
    static const std::array<std::pair<int, const char16_t *>, 13> parts = {{{1000, u"m"},
                                                                            {900, u"cm"},
                                                                            {500, u"d"},
                                                                            {400, u"cd"},
                                                                            {100, u"c"},
                                                                            {90, u"xc"},
                                                                            {50, u"l"},
                                                                            {40, u"xl"},
                                                                            {10, u"x"},
                                                                            {9, u"ix"},
                                                                            {5, u"v"},
                                                                            {4, u"iv"},
                                                                            {1, u"i"}}};
    QString out;
    for (const auto &[value, digits] : parts) {
        for (; n >= value; n -= value)
            out += QString::fromUtf16(digits);
    }
    return out;
}

QString letterNumber(int n, QStringView alphabet, bool repeat) {
    const auto size = static_cast<int>(alphabet.size());
    // A label of thousands of letters helps no reader.
    if (n < 1 || size == 0 || n > 100000)
        return QString::number(n);
    if (repeat)
        return QString(static_cast<qsizetype>((n - 1) / size + 1), alphabet[(n - 1) % size]);
    QString out;
    for (; n > 0; n = (n - 1) / size)
        out.prepend(alphabet[(n - 1) % size]);
    return out;
}

} // namespace zk
