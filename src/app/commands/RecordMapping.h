#pragma once

#include "settings/SettingsRecord.h"

#include <QColor>
#include <QFont>

namespace zk {

// Between the stored record's fonts and colours and Qt's.
class RecordMapping final {
public:
    // 0x00BBGGRR, or a system colour (top byte 0xFF) mapped to the nearest palette role.
    static QColor toColor(quint32 stored);
    static quint32 fromColor(const QColor &color);

    // Sets name, size in points (which decides), style; an absurd size is clamped.
    static QFont RecordToFont(const FontRecord &record, QColor *color);
    // Updates `record` from the font; charset and pitch are kept as stored, and
    // the height is kept while the size in points is unchanged.
    static void FontToRecord(const QFont &font, const QColor &color, FontRecord &record);

    static constexpr int MinPointSize = 4;
    static constexpr int MaxPointSize = 400;
};

} // namespace zk
