#pragma once

#include "music/MediaBackend.h"

#include <QStringList>

// Scripted player: records the calls and ends plays on demand.
class FakeBackend final : public zk::MediaBackend {
public:
    QStringList calls;
    QString fileName;
    bool openSucceeds = true;
    bool playSucceeds = true;
    bool isOpen = false;
    bool playing = false;

    int count(const char *call) const { return int(calls.count(QLatin1String(call))); }

    void setDisplay() override { calls << QStringLiteral("setDisplay"); }
    void setFileName(const QString &name) override {
        calls << QStringLiteral("setFileName");
        fileName = name;
    }
    bool open(QString *) override {
        calls << QStringLiteral("open");
        deliverNotice(Ending::Superseded);
        playing = false;
        return isOpen = openSucceeds;
    }
    bool play(QString *) override {
        calls << QStringLiteral("play");
        if (!isOpen || !playSucceeds)
            return false;
        if (!playing)
            armNotice();
        return playing = true;
    }
    bool stop() override {
        calls << QStringLiteral("stop");
        playing = false;
        deliverNotice(Ending::Aborted);
        return isOpen;
    }
    void close() override {
        calls << QStringLiteral("close");
        isOpen = playing = false;
        deliverNotice(Ending::Aborted);
    }
    void end(Ending how) {
        playing = false;
        deliverNotice(how);
    }
};
