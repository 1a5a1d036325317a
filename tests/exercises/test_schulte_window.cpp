#include "exercises/SchulteWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;

class TestSchulteWindow : public QObject {
    Q_OBJECT
private slots:
    void table_clickedThrough_isRecorded();
    void escape_abandonsWithoutRecord();

private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
    quint32 m_seed = 11;
    SchulteWindow::Seeds seeds() {
        return [this] { return m_seed++; };
    }
    SchulteCell *cellNamed(SchulteWindow &window, const QString &name) {
        for (SchulteCell *cell : window.cells()) {
            if (cell->accessibleName() == name)
                return cell;
        }
        return nullptr;
    }
};

void TestSchulteWindow::table_clickedThrough_isRecorded() {
    JournalStore store(m_dir.path(), [] { return qint64(1'700'000'000'000); });
    ExerciseRecord before{0, 1'600'000'000'000, {TableKind::Numbers, 3}, 9000, 0};
    QVERIFY(store.addExercise(before));
    SchulteWindow window(
        store, m_clock, nullptr, [] { return qint64(1'700'000'000'000); }, seeds());
    window.setChoice({TableKind::Numbers, 3});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.cells().size(), 9);
    // Cells are square, equal and inside the board.
    const QRect first = window.cells().first()->geometry();
    QCOMPARE(first.width(), first.height());
    QCOMPARE(window.cells().last()->geometry().size(), first.size());

    QTest::mouseClick(cellNamed(window, QStringLiteral("2")), Qt::LeftButton); // wrong, starts
    for (int v = 1; v <= 8; ++v) {
        m_clock.advance(500);
        QTest::mouseClick(cellNamed(window, QString::number(v)), Qt::LeftButton);
    }
    // The last one from the keyboard.
    m_clock.advance(500);
    QTest::keyClicks(&window, QStringLiteral("9"));
    QTest::keyClick(&window, Qt::Key_Return);
    QVERIFY(window.run().finished());
    const auto *result = window.findChild<QLabel *>(QStringLiteral("schulteResult"));
    QCOMPARE(result->accessibleName(),
             QStringLiteral("Время: 4,5 с, ошибок: 1, быстрее обычного на 4,5 с."));
    const QList<ExerciseRecord> rows = store.exercises();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.last().timeMs, 4500);
    QCOMPARE(rows.last().errors, 1);
    QCOMPARE(rows.last().choice, (TableChoice{TableKind::Numbers, 3}));

    // "Ещё раз" lays a new table; Gorbov keeps its own size and names its colours.
    const QList<TableCell> old = window.run().cells();
    window.findChild<QPushButton *>(QStringLiteral("schulteAgain"))->click();
    QVERIFY(!window.run().started());
    QVERIFY(window.run().cells() != old);
    window.setChoice({TableKind::Gorbov, 3});
    QCOMPARE(window.cells().size(), 49);
    QVERIFY(cellNamed(window, QStringLiteral("25 красное")));
    QVERIFY(!window.findChild<QComboBox *>(QStringLiteral("schulteSize"))->isEnabled());
    // At the smallest window the largest table still fits whole, in legible cells.
    window.resize(window.minimumSize());
    QTRY_COMPARE(window.size(), window.minimumSize());
    const QWidget *board = window.findChild<QWidget *>(QStringLiteral("schulteBoard"));
    const QRect last = window.cells().last()->geometry();
    QVERIFY(board->rect().contains(last));
    QVERIFY(last.width() >= 40);
}

void TestSchulteWindow::escape_abandonsWithoutRecord() {
    QTemporaryDir dir;
    JournalStore store(dir.path());
    SchulteWindow window(store, m_clock, nullptr, systemWallClock(), seeds());
    window.setChoice({TableKind::Letters, 7}); // letters stop at 5×5
    QCOMPARE(window.run().choice(), (TableChoice{TableKind::Letters, 5}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(cellNamed(window, QStringLiteral("А")), Qt::LeftButton);
    QVERIFY(window.run().started());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(store.exercises().isEmpty());
}

QTEST_MAIN(TestSchulteWindow)
#include "test_schulte_window.moc"
