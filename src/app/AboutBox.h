#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QUrl>

#include <functional>

class QLabel;
class QPushButton;
class QTextEdit;

namespace zk {

// "MS Sans Serif" at a height in pixels, or the nearest face of the same width.
QFont dialogFont(int pixelSize);

// The application's window icon when one is set, else the program's own drawn icon.
QIcon programIcon();

// The about box TForm3: program name and version, and links to what is installed with the
// program: its help window and its README.
class AboutBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutBox)
public:
    // Asks the desktop to open an address; the result is ignored.
    using UrlOpener = std::function<bool(const QUrl &)>;

    explicit AboutBox(QWidget *parent = nullptr,
                      const QString &programFolder = QCoreApplication::applicationDirPath());
    ~AboutBox() override;

    // The README beside the program or among its installed documents; empty when there is none,
    // and then its link is not shown.
    static QUrl documentationUrl(const QString &programFolder);

    // Tests replace the desktop with a recorder.
    void setUrlOpener(UrlOpener opener);
    // The help link shows only where there is a help text.
    void setHelpAvailable(bool available);

    // The help link closes the box; whoever opened it shows the help then.
    void askForHelp();
    bool helpAsked() const { return m_helpAsked; }
    void openDocumentation();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void markVisited(QLabel *label);

    UrlOpener m_opener;
    QUrl m_documentation;
    bool m_helpAsked = false;
    QLabel *m_image = nullptr;
    QTextEdit *m_memo = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QPushButton *m_button1 = nullptr;
};

} // namespace zk
