#include "app/commands/ComprehensionDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {

QLabel *wrappedLabel(const char *name, int pointSize, QWidget *parent) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    if (pointSize > 0) {
        QFont f = label->font();
        f.setPointSize(pointSize);
        label->setFont(f);
    }
    return label;
}

} // namespace

ComprehensionDialog::ComprehensionDialog(QList<Question> questions, QWidget *parent)
    : QDialog(parent), m_questions(std::move(questions)) {
    setObjectName(QStringLiteral("ComprehensionDialog"));
    setWindowTitle(QStringLiteral("Проверка понимания"));
    setMinimumWidth(560);
    auto *layout = new QVBoxLayout(this);
    m_counter = wrappedLabel("CheckCounter", 0, this);
    m_kind = wrappedLabel("CheckKind", 0, this);
    m_question = wrappedLabel("CheckQuestion", 16, this);
    m_question->setFocusPolicy(Qt::StrongFocus);
    m_question->setMinimumHeight(120);
    m_feedback = wrappedLabel("CheckFeedback", 0, this);
    m_result = wrappedLabel("CheckResult", 14, this);
    m_result->setFocusPolicy(Qt::StrongFocus);
    m_result->hide();
    layout->addWidget(m_counter);
    layout->addWidget(m_kind);
    layout->addWidget(m_question, 1);
    auto *options = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        auto *b = new QPushButton(this);
        b->setObjectName(QStringLiteral("CheckOption%1").arg(i + 1));
        b->setAutoDefault(false);
        QFont f = b->font();
        f.setPointSize(13);
        b->setFont(f);
        connect(b, &QPushButton::clicked, this, [this, i] { answer(i); });
        options->addWidget(b);
        m_options.append(b);
    }
    layout->addLayout(options);
    layout->addWidget(m_feedback);
    layout->addWidget(m_result, 1);
    auto *buttons = new QHBoxLayout;
    m_skip = new QPushButton(QStringLiteral("Пропустить"), this);
    m_skip->setObjectName(QStringLiteral("CheckSkip"));
    m_skip->setAutoDefault(false);
    m_next = new QPushButton(QStringLiteral("Дальше"), this);
    m_next->setObjectName(QStringLiteral("CheckNext"));
    m_next->setDefault(true);
    connect(m_skip, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_next, &QPushButton::clicked, this, &ComprehensionDialog::goOn);
    buttons->addWidget(m_skip);
    buttons->addStretch();
    buttons->addWidget(m_next);
    layout->addLayout(buttons);
    showQuestion();
}

void ComprehensionDialog::showQuestion() {
    const Question &q = m_questions.at(m_current);
    m_counter->setText(
        QStringLiteral("Вопрос %1 из %2").arg(m_current + 1).arg(m_questions.size()));
    const QString kind = q.kind == Question::Kind::Gap
                             ? QStringLiteral("Вставьте пропущенное слово")
                             : QStringLiteral("Так было в тексте?");
    m_kind->setText(kind);
    m_question->setText(q.prompt);
    m_question->setAccessibleName(kind);
    m_question->setAccessibleDescription(q.prompt);
    for (int i = 0; i < m_options.size(); ++i) {
        QPushButton *b = m_options.at(i);
        const bool used = i < q.options.size();
        b->setVisible(used);
        b->setEnabled(used);
        if (!used)
            continue;
        b->setText(QStringLiteral("%1   %2").arg(i + 1).arg(q.options.at(i)));
        b->setAccessibleName(q.options.at(i));
    }
    m_feedback->clear();
    m_next->setEnabled(false);
    m_question->setFocus();
}

void ComprehensionDialog::answer(int index) {
    if (m_current >= m_questions.size() || m_answers.size() > m_current)
        return;
    const Question &q = m_questions.at(m_current);
    if (index < 0 || index >= q.options.size())
        return;
    m_answers.append(index);
    for (QPushButton *b : std::as_const(m_options))
        b->setEnabled(false);
    m_feedback->setText(index == q.answer
                            ? QStringLiteral("Верно.")
                            : QStringLiteral("Неверно. Правильно: %1").arg(q.rightAnswerText()));
    m_next->setEnabled(true);
    m_next->setFocus();
}

void ComprehensionDialog::goOn() {
    if (m_answers.size() <= m_current)
        return;
    if (m_current + 1 < m_questions.size()) {
        ++m_current;
        showQuestion();
        return;
    }
    if (m_result->isVisible()) {
        accept();
        return;
    }
    CheckScore score{int(m_questions.size()), 0};
    for (int i = 0; i < m_questions.size(); ++i)
        score.right += m_answers.at(i) == m_questions.at(i).answer;
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_counter, m_kind, m_question, m_feedback, m_skip})
        w->hide();
    for (QPushButton *b : std::as_const(m_options))
        b->hide();
    m_next->setText(QStringLiteral("Закрыть"));
    m_result->setText(score.text());
    m_result->show();
    emit answered(score);
}

void ComprehensionDialog::showResult(const QString &speeds, const QString &note) {
    CheckScore score{int(m_questions.size()), 0};
    QStringList missed;
    for (int i = 0; i < m_questions.size(); ++i) {
        const Question &q = m_questions.at(i);
        if (m_answers.value(i, -1) == q.answer) {
            ++score.right;
            continue;
        }
        missed << QStringLiteral("• %1\n   Правильно: %2").arg(q.original, q.rightAnswerText());
    }
    QStringList lines{score.text()};
    if (!speeds.isEmpty())
        lines << speeds;
    if (!missed.isEmpty())
        lines << QString() << QStringLiteral("Ошибки:") << missed;
    if (!note.isEmpty())
        lines << QString() << note;
    m_result->setText(lines.join(u'\n'));
    m_result->setAccessibleName(QStringLiteral("Результат проверки"));
    m_result->setAccessibleDescription(m_result->text());
    m_result->setFocus();
}

QString ComprehensionDialog::resultText() const {
    return m_result->isVisible() ? m_result->text() : QString();
}

void ComprehensionDialog::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_4) {
        answer(key - Qt::Key_1);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        goOn();
        return;
    }
    const QString t = event->text().toLower();
    if (m_current < m_questions.size() &&
        m_questions.at(m_current).kind == Question::Kind::WasInText) {
        if (t == QStringLiteral("д") || t == QStringLiteral("y")) {
            answer(0);
            return;
        }
        if (t == QStringLiteral("н") || t == QStringLiteral("n")) {
            answer(1);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

} // namespace zk
