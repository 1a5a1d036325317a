#pragma once

#include "reading/ReadingState.h"

#include <QStringList>

// Lines, options and row length under the test's control.
class FakeHost final : public zk::ChunkerHost {
public:
    QStringList lines;
    zk::ReadingOptions opts;
    int length = 10;
    int progress = -1;

    void setText(const QString &text) {
        lines = text.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    int lineCount() const override { return static_cast<int>(lines.size()); }
    QString line(int i) const override {
        return i >= 0 && i < lines.size() ? lines.at(i) : QString();
    }
    zk::ReadingOptions options() const override { return opts; }
    int rowLength() const override { return length; }
    void setProgress(int percent) override { progress = percent; }
};

inline zk::ReadingOptions smartPause() {
    zk::ReadingOptions o;
    o.WithoutPause = false;
    o.SmartPause = true;
    return o;
}
