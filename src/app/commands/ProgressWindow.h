#pragma once

#include "display/Clock.h"
#include "formats/DocumentConverter.h"

#include <QPointer>
#include <QProgressDialog>

#include <functional>

namespace zk {

// The window a long conversion shows: the file's name, how far it has got and "Отмена".
// It appears only once the work has taken half a second, so quick books open without a
// flash; while it is up, input reaches it alone.
class ProgressWindow final {
public:
    static constexpr qint64 ShowAfterMs = 500;

    // `goOn` says whether the program still wants the result (false at a termination).
    ProgressWindow(QWidget *parent, const QString &path, const Clock &clock,
                   std::function<bool()> goOn = {});
    ~ProgressWindow();
    Q_DISABLE_COPY_MOVE(ProgressWindow)

    // Handed to the converter; asked on the thread that converts, the window's own. The half
    // second before the window shows counts from an answer to `choose`, not from the start.
    ConversionProgress progress(ConversionProgress::Chooser choose = {});

private:
    bool proceed(int percent);

    QWidget *m_parent;
    QString m_name;
    const Clock &m_clock;
    qint64 m_started;
    std::function<bool()> m_goOn;
    QPointer<QProgressDialog> m_dialog;
};

} // namespace zk
