#include "app/Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {

// Qt's font dialog with a colour choice beside it, sizes up to 72 points.
class FontColorDialog final : public QDialog {
public:
    FontColorDialog(QWidget *parent, const FontChoice &initial)
        : QDialog(parent), m_initial(initial.font), m_shown(initial.font), m_color(initial.color) {
        // A name fontconfig substitutes ("Bookman Old Style" drawn by URW Bookman) is no entry
        // of the list; the face the display really shows is.
        m_shown.setFamily(QFontInfo(initial.font).family());
        setObjectName(QStringLiteral("fontdialog1"));
        setWindowTitle(QStringLiteral("Шрифт"));
        auto *layout = new QVBoxLayout(this);
        m_fonts = new QFontDialog(m_shown, this);
        m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        m_fonts->setWindowFlags(Qt::Widget);
        if (auto *sample =
                m_fonts->findChild<QLineEdit *>(QStringLiteral("qt_fontDialog_sampleEdit")))
            sample->setText(QStringLiteral("АаБбВвЁёЖжЯя"));
        layout->addWidget(m_fonts);
        auto *row = new QHBoxLayout;
        m_swatch = new QLabel(this);
        m_swatch->setFixedSize(48, 20);
        m_swatch->setFrameStyle(QFrame::Box);
        m_swatch->setAutoFillBackground(true);
        auto *pick = new QPushButton(QStringLiteral("Цвет..."), this);
        row->addWidget(new QLabel(QStringLiteral("Цвет:"), this));
        row->addWidget(m_swatch);
        row->addWidget(pick);
        row->addStretch();
        layout->addLayout(row);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(pick, &QPushButton::clicked, this, [this] {
            const QColor c =
                QColorDialog::getColor(m_color, this, QString(), QColorDialog::DontUseNativeDialog);
            if (c.isValid()) {
                m_color = c;
                showColor();
            }
        });
        showColor();
    }

    FontChoice choice() const {
        QFont f = m_fonts->currentFont();
        // The face left as it was keeps the name it is stored under.
        if (f.family() == m_shown.family())
            f.setFamily(m_initial.family());
        if (f.pointSize() > QtDialogs::MaxPointSize)
            f.setPointSize(QtDialogs::MaxPointSize);
        return {f, m_color};
    }

private:
    void showColor() {
        QPalette p = m_swatch->palette();
        p.setColor(QPalette::Window, m_color);
        m_swatch->setPalette(p);
    }

    QFont m_initial;
    QFont m_shown;
    QFontDialog *m_fonts;
    QLabel *m_swatch;
    QColor m_color;
};

} // namespace

std::optional<FontChoice> QtDialogs::chooseFont(QWidget *parent, const FontChoice &initial) {
    FontColorDialog dialog(parent, initial);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<QColor> QtDialogs::chooseColor(QWidget *parent, const QColor &initial) {
    QColorDialog dialog(initial, parent);
    dialog.setObjectName(QStringLiteral("ColorDialog1"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedColor();
}

QString QtDialogs::openFile(QWidget *parent, const QString &folder, const QString &filter) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

QString QtDialogs::saveFile(QWidget *parent, const QString &folder, const QString &filter) {
    // Qt's dialog asks before overwriting an existing file.
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

void QtDialogs::message(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Зоркан"), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::question(QWidget *parent, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

std::optional<int> QtDialogs::chooseItem(QWidget *parent, const QString &title,
                                         const QString &label, const QStringList &items) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ChoiceDialog"));
    dialog.setWindowTitle(title);
    auto *layout = new QVBoxLayout(&dialog);
    auto *caption = new QLabel(label, &dialog);
    layout->addWidget(caption);
    auto *list = new QListWidget(&dialog);
    list->addItems(items);
    list->setCurrentRow(0);
    caption->setBuddy(list);
    list->setAccessibleName(title);
    list->setAccessibleDescription(
        QStringLiteral("Стрелки выбирают, Ввод или двойной щелчок подтверждает, Escape отменяет"));
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Enter on the list goes on to "ОК"; a click only selects, whatever the style says.
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    list->setFocus();
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return std::nullopt;
    return list->currentRow();
}

} // namespace zk
