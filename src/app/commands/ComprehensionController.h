#pragma once

#include "training/ComprehensionCheck.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace zk {

class ComprehensionDialog;
class ReadingController;
struct RunEnd;
struct WindowParts;

// After a run the user stopped or read to the end, "Проверка понимания" asks about
// the lines it showed, when "Проверять понимание" is on. The result goes into the
// run's session; with "Тренировка скорости" it moves the delay one step.
class ComprehensionController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ComprehensionController)
public:
    explicit ComprehensionController(WindowParts &parts);
    ~ComprehensionController() override;

    void follow(const ReadingController *reading);
    ComprehensionDialog *dialog() const;
    // Tests fix the questions; by default each check has its own seed.
    void setSeedSource(std::function<quint32()> seeds) { m_seeds = std::move(seeds); }
    // At shut-down, and whenever the text goes: the open check closes unrecorded.
    void close();
    // The options as "Восстановить настройки" leaves them: off.
    void restoreOptions();

private:
    void loadOptions();
    void storeOption(const char *key, bool on);
    void runEnded(const RunEnd &end);
    void recordResult(const CheckScore &score);

    WindowParts &m_parts;
    QPointer<ComprehensionDialog> m_dialog;
    std::function<quint32()> m_seeds;
    qint64 m_session = 0;
    double m_realSpeed = 0;
    bool m_toldUnrecorded = false;
};

} // namespace zk
