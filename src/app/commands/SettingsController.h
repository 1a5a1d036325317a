#pragma once

#include "settings/SettingsRecord.h"

#include <QObject>

namespace zk {

struct WindowParts;

// The settings record: what the window shows is captured into it, applied from
// it, loaded at start, saved at exit, and restored to the defaults on request.
class SettingsController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsController)
public:
    explicit SettingsController(WindowParts &parts);

    void captureSettings(SettingsRecord &record) const;
    void applyViewSettings(const SettingsRecord &record);
    void applyOptionFlags(const SettingsRecord &record);
    void applyReadingSettings(const SettingsRecord &record);
    void applyWindowPlacement(const SettingsRecord &record);
    void loadSettingsFile();
    void saveSettingsFile();
    QString settingsPath() const;
    // Options added since "ZKData" was laid out live in a small file of their own beside it.
    QString optionsPath() const;
    void loadOptionsFile();
    void saveOptionsFile();

    void restoreSettings();
    void prepareSettingsMenu();
    void syncOptionsMenu();
    void syncPauseMenu();

private:
    WindowParts &m_parts;
};

} // namespace zk
