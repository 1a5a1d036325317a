#include "app/commands/RecordMapping.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>

#include <cmath>

namespace zk {

namespace {

// The record's pixel figures are at 120 pixels per inch.
constexpr int RecordDpi = 120;

QPalette::ColorRole roleForSystemIndex(int index) {
    switch (index) {
    case 1:  // desktop
    case 3:  // inactive caption
    case 4:  // menu
    case 15: // button face
        return QPalette::Button;
    case 5: // window
        return QPalette::Base;
    case 6:  // window frame
    case 8:  // window text
    case 18: // button text
        return QPalette::Text;
    case 13: // highlight
        return QPalette::Highlight;
    case 14: // highlight text
        return QPalette::HighlightedText;
    case 24: // tooltip background
        return QPalette::ToolTipBase;
    default:
        return QPalette::Window;
    }
}

} // namespace

QColor RecordMapping::toColor(quint32 stored) {
    if ((stored >> 24) == 0xFF) {
        const QPalette palette = QGuiApplication::palette();
        return palette.color(roleForSystemIndex(static_cast<int>(stored & 0xFF)));
    }
    return QColor(static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
                  static_cast<int>((stored >> 16) & 0xFF));
}

quint32 RecordMapping::fromColor(const QColor &color) {
    const QColor c = color.toRgb();
    return static_cast<quint32>(c.red()) | static_cast<quint32>(c.green()) << 8 |
           static_cast<quint32>(c.blue()) << 16;
}

QFont RecordMapping::RecordToFont(const FontRecord &record, QColor *color) {
    QFont font;
    // Not QFont(name): that splits the name at commas into several families.
    font.setFamily(record.Name.value());
    // The size in points decides; a record without one falls back to the height.
    int points = record.Size;
    if (points <= 0 && record.Height != 0)
        points = static_cast<int>(
            std::lround(std::abs(static_cast<double>(record.Height)) * 72.0 / RecordDpi));
    font.setPointSize(std::clamp(points, MinPointSize, MaxPointSize));
    font.setBold(record.Style & FontRecord::Bold);
    font.setItalic(record.Style & FontRecord::Italic);
    font.setUnderline(record.Style & FontRecord::Underline);
    font.setStrikeOut(record.Style & FontRecord::StrikeOut);
    if (color)
        *color = toColor(record.Color);
    return font;
}

void RecordMapping::FontToRecord(const QFont &font, const QColor &color, FontRecord &record) {
    if (toColor(record.Color) != color.toRgb())
        record.Color = fromColor(color);
    // A font sized in pixels has no point size of its own: take the one it resolves to.
    const int points = font.pointSize() > 0
                           ? font.pointSize()
                           : static_cast<int>(std::lround(QFontInfo(font).pointSizeF()));
    if (points > 0 && points != record.Size) {
        record.Size = points;
        record.Height = -static_cast<qint32>(std::lround(points * RecordDpi / 72.0));
    }
    if (record.Name.value() != font.family())
        record.Name.setTruncated(font.family());
    quint8 style = record.Style & ~0x0F; // bits the program does not use stay as stored
    if (font.bold())
        style |= FontRecord::Bold;
    if (font.italic())
        style |= FontRecord::Italic;
    if (font.underline())
        style |= FontRecord::Underline;
    if (font.strikeOut())
        style |= FontRecord::StrikeOut;
    record.Style = style;
}

} // namespace zk
