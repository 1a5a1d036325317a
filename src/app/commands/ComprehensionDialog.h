#pragma once

#include "training/ComprehensionCheck.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;

namespace zk {

// "Проверка понимания": one question at a time; keys 1-4 (and Д/Н, Y/N) answer,
// Enter goes on, Escape or "Пропустить" ends the check without a result.
class ComprehensionDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ComprehensionDialog)
public:
    ComprehensionDialog(QList<Question> questions, QWidget *parent);

    const QList<Question> &questions() const { return m_questions; }
    int current() const { return m_current; }
    // Answers the current question with option `index`; ignored once answered.
    void answer(int index);
    // To the next question, or to the result after the last.
    void goOn();
    // The result page, once the score is known: the speeds and a line below them.
    void showResult(const QString &speeds, const QString &note);
    QString resultText() const;

signals:
    // Every question answered.
    void answered(const zk::CheckScore &score);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showQuestion();

    QList<Question> m_questions;
    QList<int> m_answers;
    int m_current = 0;
    QLabel *m_counter;
    QLabel *m_kind;
    QLabel *m_question;
    QLabel *m_feedback;
    QList<QPushButton *> m_options;
    QPushButton *m_next;
    QPushButton *m_skip;
    QLabel *m_result;
};

} // namespace zk
