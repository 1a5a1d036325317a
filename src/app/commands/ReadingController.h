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

// How a run of reading ended, with what it showed. Only a run the user stopped or
// read to the end, without a jump, is one to ask about.
struct RunEnd {
    enum class Reason { Stop, EndOfText, Interrupted, ShutDown };
    Reason reason = Reason::Stop;
    // The lines the run took in: [firstLine, endLine).
    int firstLine = 0;
    int endLine = 0;
    // The statistics' counts at the end and the line reading goes on from.
    int words = 0;
    int signs = 0;
    int line = 0;
    bool jumped = false;

    bool worthAsking() const {
        return !jumped && (reason == Reason::Stop || reason == Reason::EndOfText);
    }
};

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
    // "Стоп".
    void stop();
    void stopAndClear();
    // Reading stops because the text, the editor or the program is changing.
    void interrupt();
    // At shut-down reading is left on, to be resumed next time: the run still ends.
    void endRunAtShutDown();
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

signals:
    // A run's life, for whoever keeps or checks it.
    void runStarted();
    void runSuspended();
    void runResumed();
    void runEnded(const zk::RunEnd &end);
    // The statistics' counts are about to be zeroed within a run.
    void countsRestarting(int words, int signs);
    void piecesShown(int pieces);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stopWith(RunEnd::Reason reason);
    RunEnd runEnd(RunEnd::Reason reason);

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
    int m_runFirstLine = 0;
    bool m_runJumped = false;
};

} // namespace zk
