#pragma once

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

// The about box TForm3: program name and version, the web page and the contact address.
class AboutBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutBox)
public:
    // Asks the desktop to open an address; the result is ignored.
    using UrlOpener = std::function<bool(const QUrl &)>;

    explicit AboutBox(QWidget *parent = nullptr);
    ~AboutBox() override;

    static QUrl webPageUrl();
    static QUrl mailUrl();

    // Tests replace the desktop with a recorder.
    void setUrlOpener(UrlOpener opener);

    void openWebPage();
    void writeMail();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openLink(QLabel *label, const QUrl &url);

    UrlOpener m_opener;
    QLabel *m_image = nullptr;
    QTextEdit *m_memo = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QPushButton *m_button1 = nullptr;
};

} // namespace zk
