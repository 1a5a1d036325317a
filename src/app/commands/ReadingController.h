#pragma once

#include "display/Statistics.h"
#include "reading/ReadingEngine.h"
#include "training/ReadingSteps.h"

#include <QObject>

#include <array>

class QAction;
class QTimer;

namespace zk {

struct WindowParts;

// Reading: start and stop, the steps, pause modes, the position and its
// percentage, the rows and their capacity, the statistics, and pausing while
// the program is not active.
class ReadingController final : public QObject, private ChunkerHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReadingController)
public:
    explicit ReadingController(WindowParts &parts);

    ReadingEngine &engine() { return m_engine; }
    ReadingState &state() { return m_engine.state(); }
    Statistics &statistics() { return m_stats; }

    // The reading options as the menus set them.
    ReadingOptions options() const override;

    void start();
    void stop();
    void stopAndClear();
    void toggleReading();
    // Space in either window: the shown Start or Stop button, unless the editor is shown.
    void startOrStopByKey();
    void tick();
    // The delay of the next tick: the spinner's, or on the ramp at a run's start.
    int tickInterval() const;
    bool isReading() const;
    // Dialogs and other waits hold the steps and the clock.
    void suspend();
    void resumeIfReading(bool restartCount);
    void applicationActivated();
    void applicationDeactivated();
    void choosePauseMode(QAction *chosen);
    std::array<QAction *, 4> pauseModes() const;

    // The position.
    void showProgress(int percent);
    void onProgressChanged();
    void jumpToProgress();
    // Reading goes on from this line; when stopped, the caret goes there too.
    void placeAt(int line);
    void resetProgressToStart();
    // Back or forward by a sentence or a paragraph; the shown editor keeps these keys.
    void step(ReadingStep step);
    // "Показывать текст при остановке": the strip under the rows while reading is held.
    void showContext();
    void hideContext();
    // Gives the step commands their keys in the main window and connects the menu items.
    void connectSteps();
    QList<QAction *> stepKeys() const;
    void rewindToStart();

    // Spinners, rows and row capacity.
    void onDelayChanged();
    void onRowLengthChanged();
    void fitRowCount();
    void layoutMainRows();
    void layoutFullScreenRows();
    void clearAllRows();
    void measureRowCapacity();
    void measureFullScreenRowCapacity();
    void measureMainCapacityNow();
    void measureFullScreenCapacityNow();

    // Statistics.
    void ActBeginToCount();
    void showReadingStatistics();
    void showWorkTime();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // ChunkerHost
    int lineCount() const override;
    QString line(int index) const override;
    int rowLength() const override;
    void setProgress(int percent) override;

    int measureCapacity(int width) const;

    WindowParts &m_parts;
    ReadingEngine m_engine;
    Statistics m_stats;
    QTimer *m_settle;
    qint64 m_runStartMs = 0;  // the ramp's start
    int m_lastPieceWords = 0; // of the last piece shown since the position was placed
    bool m_deactivated = false;
};

} // namespace zk
