#include "app/commands/ComprehensionController.h"

#include "app/commands/ComprehensionDialog.h"
#include "app/commands/JournalController.h"
#include "app/commands/ReadingController.h"
#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "training/SpeedLadder.h"

#include <QAction>
#include <QCoreApplication>
#include <QRandomGenerator>

namespace zk {

namespace {

constexpr char CheckKey[] = "check_understanding";
constexpr char LadderKey[] = "speed_ladder";

} // namespace

ComprehensionController::ComprehensionController(WindowParts &parts)
    : m_parts(parts), m_seeds([] { return QRandomGenerator::global()->generate(); }) {
    loadOptions();
    const Actions &a = parts.actions;
    connect(a.MnCheckUnderstanding, &QAction::toggled, this,
            [this](bool on) { storeOption(CheckKey, on); });
    connect(a.MnSpeedLadder, &QAction::toggled, this,
            [this](bool on) { storeOption(LadderKey, on); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &ComprehensionController::close);
}

ComprehensionController::~ComprehensionController() {
    delete m_dialog;
}

ComprehensionDialog *ComprehensionController::dialog() const {
    return m_dialog;
}

void ComprehensionController::loadOptions() {
    JournalStore &store = m_parts.journal->journal().store();
    const Actions &a = m_parts.actions;
    const QSignalBlocker b1(a.MnCheckUnderstanding), b2(a.MnSpeedLadder);
    a.MnCheckUnderstanding->setChecked(store.metaValue(QString::fromLatin1(CheckKey)).toString() ==
                                       QStringLiteral("1"));
    a.MnSpeedLadder->setChecked(store.metaValue(QString::fromLatin1(LadderKey)).toString() ==
                                QStringLiteral("1"));
}

void ComprehensionController::storeOption(const char *key, bool on) {
    JournalStore &store = m_parts.journal->journal().store();
    if (on)
        store.setMetaValue(QString::fromLatin1(key), QStringLiteral("1"));
    else
        store.removeMetaValue(QString::fromLatin1(key));
}

void ComprehensionController::restoreOptions() {
    m_parts.actions.MnCheckUnderstanding->setChecked(false);
    m_parts.actions.MnSpeedLadder->setChecked(false);
}

void ComprehensionController::follow(const ReadingController *reading) {
    // Connected after the journal, which stores the session first.
    connect(reading, &ReadingController::runEnded, this, &ComprehensionController::runEnded);
    connect(reading, &ReadingController::runStarted, this, [this] {
        close();
        m_parts.bar->hideNote();
    });
}

void ComprehensionController::close() {
    if (m_dialog) {
        m_dialog->disconnect(this);
        m_dialog->close();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
}

void ComprehensionController::runEnded(const RunEnd &end) {
    if (!end.worthAsking() || m_parts.shutDown ||
        !m_parts.actions.MnCheckUnderstanding->isChecked())
        return;
    close();
    EditorPanel *editor = m_parts.editor;
    QStringList lines;
    lines.reserve(editor->lineCount());
    for (int i = 0; i < editor->lineCount(); ++i)
        lines.append(editor->line(i));
    const Check check =
        ComprehensionCheck::build(CheckDocument(lines), end.firstLine, end.endLine, m_seeds());
    if (check.outcome == Check::Outcome::TooShort)
        return;
    if (check.outcome == Check::Outcome::NoSentences) {
        m_parts.bar->showNote(
            QStringLiteral("Проверка не составлена: в прочитанном нет подходящих предложений"));
        return;
    }
    const std::optional<Session> run = m_parts.journal->lastRun();
    const SpeedUnit unit =
        m_parts.actions.MnShowSpeedInWords->isChecked() ? SpeedUnit::Words : SpeedUnit::Signs;
    m_realSpeed = run ? run->realSpeed(unit) : 0;
    m_session = m_parts.journal->lastSession();
    m_dialog = new ComprehensionDialog(check.questions, m_parts.dialogParent());
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    connect(m_dialog, &ComprehensionDialog::answered, this, &ComprehensionController::recordResult);
    m_dialog->show();
}

void ComprehensionController::recordResult(const CheckScore &score) {
    const SpeedUnit unit =
        m_parts.actions.MnShowSpeedInWords->isChecked() ? SpeedUnit::Words : SpeedUnit::Signs;
    QString speeds;
    if (m_realSpeed > 0)
        speeds = QStringLiteral("Скорость: %1 %3\nЭффективная скорость: %2 %3")
                     .arg(qRound(m_realSpeed))
                     .arg(qRound(score.effective(m_realSpeed)))
                     .arg(perMinuteText(unit));
    QStringList notes;
    JournalStore &store = m_parts.journal->journal().store();
    if (!store.setUnderstanding(m_session, score.asked, score.right) && !m_toldUnrecorded) {
        m_toldUnrecorded = true;
        notes << QStringLiteral("Результат проверки не записан в дневник.");
    }
    if (m_parts.actions.MnSpeedLadder->isChecked()) {
        UpDownBox *delay = m_parts.strip->UpDown2;
        const SpeedLadder::Step step = SpeedLadder::next(delay->value(), score);
        delay->setValue(step.to);
        notes << step.message;
        m_parts.bar->showNote(step.message);
    }
    if (m_dialog)
        m_dialog->showResult(speeds, notes.join(u'\n'));
    if (JournalWindow *w = m_parts.journal->journalWindow())
        w->refresh();
}

} // namespace zk
