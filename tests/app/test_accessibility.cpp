#include "WindowFixture.h"

#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"

#include <QAccessible>
#include <QAction>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QAccessibleInterface *of(QObject *object) {
    return QAccessible::queryAccessibleInterface(object);
}

// Every interface below root, as a screen reader walks the tree.
QList<QAccessibleInterface *> tree(QAccessibleInterface *root) {
    QList<QAccessibleInterface *> out{root};
    for (int i = 0; i < out.size() && out.size() < 5000; ++i) {
        for (int c = 0; c < out[i]->childCount(); ++c) {
            if (QAccessibleInterface *child = out[i]->child(c))
                out.append(child);
        }
    }
    return out;
}

bool russian(const QString &text) {
    static const QRegularExpression cyrillic(u"[А-яЁё]"_s);
    return text.contains(cyrillic);
}

QString where(QAccessibleInterface *iface) {
    if (!iface->object())
        return iface->text(QAccessible::Name);
    return u"%1 (%2): \"%3\""_s.arg(iface->object()->objectName(),
                                    QString::fromLatin1(iface->object()->metaObject()->className()),
                                    iface->text(QAccessible::Name));
}

} // namespace

class test_accessibility final : public QObject {
    Q_OBJECT

private slots:
    void everyControl_hasARussianNameAndDescription();
    void spinnerNames_sayTheValueWithItsUnit();
    void statistics_sayCaptionAndFigure();
    void measuringRow_isNotExposed();
    void journal_isAWindowWithNamedCharts();
};

void test_accessibility::everyControl_hasARussianNameAndDescription() {
    WindowFixture f;
    zk::MainWindow *w = f.start();
    const QSet<QAccessible::Role> controls = {QAccessible::PushButton,  QAccessible::SpinBox,
                                              QAccessible::RadioButton, QAccessible::CheckBox,
                                              QAccessible::Table,       QAccessible::PageTab};
    int checked = 0;
    for (QAccessibleInterface *iface : tree(of(w))) {
        if (iface->state().invisible || !controls.contains(iface->role()))
            continue;
        ++checked;
        QVERIFY2(russian(iface->text(QAccessible::Name)), qPrintable(where(iface)));
    }
    QVERIFY(checked >= 5); // Start and the four spinners at least

    for (const char *name :
         {"BtStart", "UpDown1", "UpDown2", "UpDown3", "UpDown4", "Panel7", "MainPanel", "MainRow0",
          "MainRow8", "PnTimeAndSpeed", "PnSigns1", "PnReading"}) {
        auto *widget = w->findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(widget, name);
        QAccessibleInterface *iface = of(widget);
        QVERIFY2(russian(iface->text(QAccessible::Name)), qPrintable(where(iface)));
        QVERIFY2(russian(iface->text(QAccessible::Description)), qPrintable(where(iface)));
    }
    QCOMPARE(of(w->findChild<QWidget *>(u"MainRow2"_s))->text(QAccessible::Name), u"Строка 3"_s);
}

void test_accessibility::spinnerNames_sayTheValueWithItsUnit() {
    WindowFixture f;
    zk::MainWindow *w = f.start();
    auto spinner = [w](const char *name) { return w->findChild<QSpinBox *>(QLatin1String(name)); };
    auto name = [](QSpinBox *box) { return of(box)->text(QAccessible::Name); };

    QCOMPARE(name(spinner("UpDown1")), u"Прочитано, 0 процентов"_s);
    QCOMPARE(name(spinner("UpDown2")), u"Задержка, 140 миллисекунд"_s);
    QTest::keyClick(spinner("UpDown2"), Qt::Key_Up);
    QCOMPARE(name(spinner("UpDown2")), u"Задержка, 160 миллисекунд"_s);
    // The value itself stays a number for the tools that read it.
    QCOMPARE(of(spinner("UpDown2"))->valueInterface()->currentValue().toInt(), 160);

    const struct {
        const char *spinner;
        int value;
        QString said;
    } cases[] = {
        {"UpDown3", 1, u"Длина строки, 1 знак"_s},     {"UpDown3", 22, u"Длина строки, 22 знака"_s},
        {"UpDown3", 11, u"Длина строки, 11 знаков"_s}, {"UpDown3", 21, u"Длина строки, 21 знак"_s},
        {"UpDown4", 3, u"Число строк, 3"_s},
    };
    for (const auto &c : cases) {
        spinner(c.spinner)->setValue(c.value);
        QCOMPARE(name(spinner(c.spinner)), c.said);
    }
}

void test_accessibility::statistics_sayCaptionAndFigure() {
    WindowFixture f;
    zk::MainWindow *w = f.start();
    auto name = [w](const QString &object) {
        return of(w->findChild<QLabel *>(object))->text(QAccessible::Name);
    };
    QCOMPARE(name(u"PnReading"_s), u"Время быстрого чтения, 0:00:00"_s);
    QCOMPARE(name(u"PnSigns"_s), u"Скорость чтения в знаках в минуту"_s);
    QCOMPARE(name(u"PnSigns1"_s), u"Знаков в минуту"_s);
    w->findChild<QLabel *>(u"PnSigns1"_s)->setText(u"1200"_s);
    QCOMPARE(name(u"PnSigns1"_s), u"Знаков в минуту, 1200"_s);
}

void test_accessibility::measuringRow_isNotExposed() {
    WindowFixture f;
    zk::MainWindow *w = f.start();
    QVERIFY(w->fullScreenWindow());
    for (zk::DisplayPanel *panel : {w->mainPanel(), w->fullScreenWindow()->panel()}) {
        const QList<QAccessibleInterface *> all = tree(of(panel));
        int rows = 0;
        for (QAccessibleInterface *iface : all) {
            QVERIFY2(iface->object() != panel->templateRow(), qPrintable(where(iface)));
            rows += qobject_cast<zk::DisplayRow *>(iface->object()) != nullptr;
        }
        QCOMPARE(rows, zk::DisplayPanel::PieceRows);
        // Parent and index agree both ways for what is shown.
        QAccessibleInterface *row = of(panel->row(4));
        QCOMPARE(row->parent()->object(), panel);
        QCOMPARE(of(panel)->child(of(panel)->indexOfChild(row))->object(), panel->row(4));
    }
    QCOMPARE(of(w->fullScreenWindow())->role(), QAccessible::Window);
}

void test_accessibility::journal_isAWindowWithNamedCharts() {
    WindowFixture f;
    zk::MainWindow *w = f.start();
    w->findChild<QAction *>(u"MnJournal"_s)->trigger();
    QWidget *journal = w->findChild<QWidget *>(u"JournalWindow"_s);
    QVERIFY(journal);
    QTRY_VERIFY(journal->isVisible());
    QAccessibleInterface *window = of(journal);
    QCOMPARE(window->role(), QAccessible::Window);
    QVERIFY(russian(window->text(QAccessible::Name)));
    // A top-level window of the application, not a pane of the main window.
    QAccessibleInterface *app = of(qApp);
    QVERIFY(app->indexOfChild(window) >= 0);

    int charts = 0;
    for (QAccessibleInterface *iface : tree(window)) {
        if (!iface->object())
            continue; // table cells
        const QString cls = QString::fromLatin1(iface->object()->metaObject()->className());
        if (cls.endsWith(u"ChartView")) {
            ++charts;
            QVERIFY2(russian(iface->text(QAccessible::Name)), qPrintable(where(iface)));
            QVERIFY2(russian(iface->text(QAccessible::Description)), qPrintable(where(iface)));
        }
        if (!iface->state().invisible &&
            (iface->role() == QAccessible::PushButton || iface->role() == QAccessible::Table ||
             iface->role() == QAccessible::RadioButton))
            QVERIFY2(russian(iface->text(QAccessible::Name)), qPrintable(where(iface)));
    }
    QCOMPARE(charts, 3);
    journal->close();
}

QTEST_MAIN(test_accessibility)
#include "test_accessibility.moc"
