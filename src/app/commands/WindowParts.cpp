#include "app/commands/WindowParts.h"

#include "app/MainWindow.h"
#include "display/FullScreenWindow.h"

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
    if (clipboardSource)
        return clipboardSource();
    return QGuiApplication::clipboard()->text();
}

} // namespace zk
