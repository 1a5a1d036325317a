#pragma once

#include <QColor>
#include <QFont>
#include <QObject>

class QAction;
class QWidget;

namespace zk {

struct WindowParts;

// How the reading is shown: the display's font and background, the statistics
// bar, the full-screen window, and the view restored to its defaults.
class ViewController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewController)
public:
    explicit ViewController(WindowParts &parts);

    void chooseDisplayFont();
    void chooseBackground();
    void applyDisplayFont(const QFont &font, const QColor &color);
    void restoreView();

    // "Опорная буква" and its colour, chosen in "Вид".
    static inline const QColor DefaultFocusColor{Qt::red};
    void chooseFocusColor();
    void setFocusColor(const QColor &color);
    QColor focusColor() const { return m_focusColor; }
    // Puts the focus letter on both displays' rows, or centres them, as the option says.
    void applyFocusLetter();

    void toggleStatisticsBar();
    void showReadingTimePanel();
    void showWorkTimePanel();
    void showSignSpeedPanel();
    void showWordSpeedPanel();
    void resetReadingTime();
    void resetWorkTime();

    // Makes the full-screen window, hidden, and wires it to the commands.
    void createFullScreenWindow();
    void toggleFullScreen();
    void onWindowResized();
    void onWindowShown();

    // The hint on a blank display: shown while the editor is hidden and holds no text.
    void updateHint();
    static const QString &hintText();

    void prepareViewMenu();
    void prepareDisplayMenu();
    void syncStatisticsMenu();

private:
    QColor m_focusColor = DefaultFocusColor;
    void chooseBarPanel(QAction *onItem, QAction *offItem, QWidget *show, QWidget *hide);
    void onFullScreenShown();
    void onFullScreenResized();
    void relayoutWindow();

    bool eventFilter(QObject *watched, QEvent *event) override;
    void updateHintLater();

    WindowParts &m_parts;
    bool m_hintPending = false;
};

} // namespace zk
