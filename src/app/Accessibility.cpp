#include "app/Accessibility.h"

#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "journal/JournalCharts.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace zk::accessibility {

namespace {

// A label of a class of ours whose screen-reader name is this caption followed by what it shows.
constexpr char CaptionProperty[] = "zkAccessibleCaption";

QString plural(int n, const QString &one, const QString &few, const QString &many) {
    const int tens = n % 100;
    const int units = n % 10;
    if (units == 1 && tens != 11)
        return one;
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return few;
    return many;
}

// "Время быстрого чтения, 0:12:40": the caption alone while the label is empty or shows it.
class CaptionedLabel final : public QAccessibleWidget {
public:
    explicit CaptionedLabel(QLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const auto *label = static_cast<const QLabel *>(widget());
        const QString caption = label->property(CaptionProperty).toString();
        const QString shown = label->text().simplified();
        return shown.isEmpty() || shown == caption ? caption
                                                   : caption + QStringLiteral(", ") + shown;
    }
};

// The display without its template row: that row only measures and is never shown.
class DisplayAccessible final : public QAccessibleWidget {
public:
    explicit DisplayAccessible(DisplayPanel *panel) : QAccessibleWidget(panel, QAccessible::Pane) {}

    int childCount() const override { return int(shownChildren().size()); }

    QAccessibleInterface *child(int index) const override {
        const QList<QWidget *> children = shownChildren();
        return index >= 0 && index < children.size()
                   ? QAccessible::queryAccessibleInterface(children.at(index))
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override {
        return child ? int(shownChildren().indexOf(child->object())) : -1;
    }

private:
    QList<QWidget *> shownChildren() const {
        const auto *panel = static_cast<const DisplayPanel *>(widget());
        QList<QWidget *> out;
        for (QObject *o : panel->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (w && !w->isWindow() && w != panel->templateRow())
                out.append(w);
        }
        return out;
    }
};

QAccessibleInterface *factory(const QString &key, QObject *object) {
    if (key == u"zk::DisplayPanel")
        return new DisplayAccessible(static_cast<DisplayPanel *>(object));
    // Windows of their own, not panes inside the main window.
    if (key == u"zk::JournalWindow" || key == u"zk::FullScreenWindow")
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    // Asked first with the object's own class, which Qt's factory does not know.
    if (auto *label = qobject_cast<QLabel *>(object);
        label && key == QLatin1String(object->metaObject()->className()) &&
        object->property(CaptionProperty).isValid())
        return new CaptionedLabel(label);
    return nullptr;
}

void caption(QLabel *label, const QString &name, const QString &description = {}) {
    label->setProperty(CaptionProperty, name);
    // A text set while the label was built made Qt cache a plain label's interface.
    if (QAccessibleInterface *cached = QAccessible::queryAccessibleInterface(label);
        cached && !dynamic_cast<CaptionedLabel *>(cached))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(cached));
    if (!description.isEmpty())
        label->setAccessibleDescription(description);
}

void describe(QWidget *w, const QString &name, const QString &description) {
    w->setAccessibleName(name);
    w->setAccessibleDescription(description);
}

// The spinner and the box inside it both say the caption and the value with its unit.
void describeSpinner(UpDownBox *box, SpinnerPanel *panel, const QString &panelName,
                     const QString &description, std::function<QString(int)> name) {
    describe(panel, panelName, description);
    auto *edit = box->findChild<QLineEdit *>();
    auto update = [box, edit, name = std::move(name)](int value) {
        box->setAccessibleName(name(value));
        edit->setAccessibleName(box->accessibleName());
    };
    box->setAccessibleDescription(description);
    edit->setAccessibleDescription(description);
    update(box->value());
    QObject::connect(box, &QSpinBox::valueChanged, box, update);
}

void describeRows(DisplayPanel *panel) {
    describe(panel, QStringLiteral("Дисплей"),
             QStringLiteral("Строки быстрого чтения. Двойной щелчок запускает и останавливает "
                            "чтение; сюда можно перетащить файл книги."));
    for (int i = 0; i < DisplayPanel::PieceRows; ++i)
        caption(panel->row(i), QStringLiteral("Строка %1").arg(i + 1),
                QStringLiteral("Кусочек текста, показанный в этот такт"));
}

} // namespace

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

void describeMainWindow(const WindowParts &parts) {
    ControlStrip *s = parts.strip;
    describe(s->BtStart, QStringLiteral("Старт"),
             QStringLiteral("Начать чтение с места, где оно остановилось"));
    describe(s->BtStop, QStringLiteral("Стоп"),
             QStringLiteral("Остановить чтение и очистить строки дисплея"));
    describeSpinner(s->UpDown1, s->Panel7, QStringLiteral("Прочитано"),
                    QStringLiteral("Доля прочитанного текста. Стрелки переносят место чтения, "
                                   "двойной щелчок — к началу текста."),
                    [](int v) {
                        return QStringLiteral("Прочитано, %1 %2")
                            .arg(v)
                            .arg(plural(v, QStringLiteral("процент"), QStringLiteral("процента"),
                                        QStringLiteral("процентов")));
                    });
    describeSpinner(s->UpDown2, s->Panel8, QStringLiteral("Задержка"),
                    QStringLiteral("Длительность одного такта чтения, от 50 до 9000 "
                                   "миллисекунд. Двойной щелчок — 140."),
                    [](int v) {
                        return QStringLiteral("Задержка, %1 %2")
                            .arg(v)
                            .arg(plural(v, QStringLiteral("миллисекунда"),
                                        QStringLiteral("миллисекунды"),
                                        QStringLiteral("миллисекунд")));
                    });
    describeSpinner(s->UpDown3, s->Panel9, QStringLiteral("Длина строки"),
                    QStringLiteral("Наибольшая длина кусочка из нескольких слов, от 1 до 50 "
                                   "знаков. Двойной щелчок — 10."),
                    [](int v) {
                        return QStringLiteral("Длина строки, %1 %2")
                            .arg(v)
                            .arg(plural(v, QStringLiteral("знак"), QStringLiteral("знака"),
                                        QStringLiteral("знаков")));
                    });
    describeSpinner(s->UpDown4, s->Panel10, QStringLiteral("Число строк"),
                    QStringLiteral("Сколько строк дисплея показывать, от 1 до 9. Двойной "
                                   "щелчок — 1."),
                    [](int v) { return QStringLiteral("Число строк, %1").arg(v); });

    describeRows(parts.panel);
    describe(parts.editor, QStringLiteral("Редактор"),
             QStringLiteral("Текст, который читает программа. F2 прячет редактор."));

    StatisticsBar *bar = parts.bar;
    describe(bar, QStringLiteral("Строка статистики"),
             QStringLiteral("Скорость чтения и время. Правая кнопка мыши выбирает, что "
                            "показывать."));
    caption(bar->PnSigns, QStringLiteral("Скорость чтения в знаках в минуту"));
    caption(bar->PnSigns1, QStringLiteral("Знаков в минуту"),
            QStringLiteral("Средняя скорость с последнего начала счёта"));
    caption(bar->PnWords, QStringLiteral("Скорость чтения в словах в минуту"));
    caption(bar->PnWords1, QStringLiteral("Слов в минуту"),
            QStringLiteral("Средняя скорость с последнего начала счёта"));
    caption(bar->PnReading, QStringLiteral("Время быстрого чтения"),
            QStringLiteral("Сколько времени вы читали. Двойной щелчок сбрасывает его."));
    caption(bar->PnWork, QStringLiteral("Время работы программы"),
            QStringLiteral("Сколько прошло с запуска программы. Двойной щелчок сбрасывает "
                           "его."));
}

void describeFullScreen(QWidget *window, DisplayPanel *panel) {
    window->setAccessibleName(QStringLiteral("Зоркан, полный экран"));
    describeRows(panel);
    if (auto *f3 = window->findChild<QLabel *>(QStringLiteral("Panel1")))
        describe(f3, QStringLiteral("Вернуться в окно"),
                 QStringLiteral("Выйти из полного экрана, как клавиша F3"));
}

void describeJournal(QWidget *window) {
    if (auto *speed = window->findChild<SpeedChartView *>())
        describe(speed, QStringLiteral("График скорости"),
                 QStringLiteral("Реальная скорость чтения по сеансам против скорости, которую "
                                "обещают настройки, за выбранный период"));
    if (auto *daily = window->findChild<DailyChartView *>())
        describe(daily, QStringLiteral("Время чтения"),
                 QStringLiteral("Сколько минут вы читали в каждый день выбранного периода"));
    if (auto *exercises = window->findChild<ExerciseChartView *>())
        describe(exercises, QStringLiteral("Время упражнений"),
                 QStringLiteral("Медиана времени таблицы за день, по размерам и видам"));
    const struct {
        const char16_t *object;
        const char16_t *name;
        const char16_t *description;
    } items[] = {
        {u"journalSessions", u"Сеансы", u"Все сеансы чтения; щелчок по заголовку сортирует"},
        {u"journalBooks", u"Книги", u"Прочитанные книги с итогами по каждой"},
        {u"journalRemove", u"Удалить", u"Удалить выбранные сеансы из дневника"},
        {u"journalExport", u"Экспорт в CSV", u"Записать все сеансы в файл CSV для таблиц"},
        {u"journalExercises", u"Упражнения", u"Таблицы Шульте и Горбова: время и ошибки"},
        {u"journalExerciseExport", u"Экспорт упражнений в CSV",
         u"Записать упражнения выбранного периода в файл CSV"},
    };
    for (const auto &item : items) {
        if (auto *w = window->findChild<QWidget *>(QString::fromUtf16(item.object)))
            describe(w, QString::fromUtf16(item.name), QString::fromUtf16(item.description));
    }
    if (auto *summary = window->findChild<QLabel *>(QStringLiteral("journalSummary")))
        summary->setAccessibleDescription(QStringLiteral("Итог за выбранный период"));
}

} // namespace zk::accessibility
