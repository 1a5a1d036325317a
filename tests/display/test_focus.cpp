#include "display/DisplayPanel.h"
#include "display/FocusLetter.h"

#include <QFontMetricsF>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

class TestFocus final : public QObject {
    Q_OBJECT
private slots:
    void letterOfWordsOneToTwenty() {
        // 1-based: the 2nd of 5, the 3rd of 9, the 4th of 13.
        const int expected[] = {1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 6};
        const QString letters = u"абвгдежзийклмнопрсту"_s;
        for (int n = 1; n <= 20; ++n)
            QCOMPARE(FocusLetter::index(u"«"_s + letters.left(n) + u"»,"_s), expected[n - 1]);
        // The longest word of the piece, the first of equals; none without letters.
        QCOMPARE(FocusLetter::index(u"на краю, дома"), 4);
        QCOMPARE(FocusLetter::index(u"— 12"), -1);
    }

    void focusLetterStaysAtOneX() {
        DisplayRow row(nullptr);
        QFont f = row.font();
        f.setPointSize(40);
        row.setFont(f);
        row.resize(900, 80);
        row.setFocusColor(Qt::red);
        const QFontMetricsF m(f);
        for (const QString &piece :
             {u"и"_s, u"мир"_s, u"на краю,"_s, u"переписывание"_s, u"в доме у реки"_s}) {
            row.setText(piece);
            const qsizetype at = FocusLetter::index(piece);
            const qreal middle = row.textLeft() + m.horizontalAdvance(piece.left(at)) +
                                 m.horizontalAdvance(piece.mid(at, 1)) / 2;
            QVERIFY2(qAbs(middle - 450) < 0.01, qPrintable(piece));
        }
        // A piece that would cross the edge stays inside its row; off, rows are centred.
        row.setText(u"сверхъестественное"_s);
        const qreal whole = m.horizontalAdvance(row.text());
        row.resize(int(whole) + 20, 80);
        QVERIFY(row.textLeft() >= 0 && row.textLeft() + whole <= row.width());
        row.setFocusColor(QColor());
        QCOMPARE(row.textLeft(), (row.width() - whole) / 2);
    }

    void contextStripNeverCoversARow() {
        DisplayPanel panel(u"Row"_s, u"Шаблон"_s, nullptr);
        QFont f = panel.displayFont();
        f.setPointSize(32);
        panel.setDisplayFont(f, Qt::white);
        const QString text = u"Первое предложение, которое читали. А вот второе, за ним."_s;
        // Room below the rows; rows that fill the panel; a panel with no room at all.
        for (const int extra : {200, 24, 0}) {
            const int rows = 5;
            panel.resize(700, rows * panel.rowHeight() + extra);
            panel.layoutRows(rows, 0);
            const QRect before = panel.row(0)->geometry();
            panel.setContext(text, 0, 6, Qt::red);
            const auto *strip = panel.findChild<QLabel *>(u"ContextStrip"_s);
            QVERIFY(strip && strip->height() > 0);
            QVERIFY(strip->geometry().bottom() < panel.height());
            if (extra > 0) {
                for (int i = 0; i < rows; ++i)
                    QVERIFY2(!strip->geometry().intersects(panel.row(i)->geometry()),
                             qPrintable(u"%1 %2"_s.arg(extra).arg(i)));
            }
            // Hidden, the rows are back where they were laid out.
            panel.setContext(QString());
            QCOMPARE(panel.row(0)->geometry(), before);
        }
    }
};

QTEST_MAIN(TestFocus)
#include "test_focus.moc"
