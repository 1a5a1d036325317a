#include "app/commands/WindowParts.h"

#include "app/MainWindow.h"
#include "display/FullScreenWindow.h"
#include "formats/TextCodec.h"

#include <QClipboard>
#include <QGuiApplication>

namespace zk {

bool WindowParts::mainShown() const {
    return window->isVisible();
}

bool WindowParts::fullScreenShown() const {
    return fullScreen && fullScreen->isVisible();
}

QWidget *WindowParts::dialogParent() const {
    if (fullScreenShown())
        return fullScreen.data();
    return window;
}

QString WindowParts::clipboardText() const {
    // A NUL from another program would end up in "LastEdit".
    return TextCodec::withoutControls(clipboardSource ? clipboardSource()
                                                      : QGuiApplication::clipboard()->text());
}

} // namespace zk
