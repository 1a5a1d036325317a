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
};

QTEST_MAIN(TestFocus)
#include "test_focus.moc"
