#pragma once

#include "../music/FakeBackend.h"
#include "app/Dialogs.h"
#include "formats/DocumentConverter.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <optional>

// A converter that records the paths it was given and answers from a script.
class RecordingConverter final : public zk::DocumentConverter {
public:
    QStringList paths;
    std::function<std::optional<QString>(const QString &)> answer = [](const QString &) {
        return std::optional<QString>();
    };

protected:
    zk::ConversionResult convertFile(const QString &path, const zk::ConversionProgress &) override {
        paths << path;
        std::optional<QString> text = answer(path);
        return text ? zk::ConversionResult::success(std::move(*text))
                    : zk::ConversionResult::failure(zk::ConversionResult::Failure::Damaged);
    }
};

// Dialog answers for the music and saving tests, with a hook that runs while the
// file dialog is "open".
class ProbeDialogs final : public zk::Dialogs {
public:
    QString openAnswer;
    QString saveAnswer;
    QStringList messages;
    QString lastFolder;
    QString lastFilter;
    int openDialogs = 0;
    std::function<void()> whileOpen;

    std::optional<zk::FontChoice> chooseFont(QWidget *, const zk::FontChoice &) override {
        return std::nullopt;
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &) override { return std::nullopt; }
    QString openFile(QWidget *, const QString &folder, const QString &filter) override {
        ++openDialogs;
        lastFolder = folder;
        lastFilter = filter;
        if (whileOpen)
            whileOpen();
        return openAnswer;
    }
    QString saveFile(QWidget *, const QString &folder, const QString &) override {
        lastFolder = folder;
        if (whileOpen)
            whileOpen();
        return saveAnswer;
    }
    void message(QWidget *, const QString &text) override { messages << text; }
};

// Answers the real message boxes that appear before a test can put in its fake
// dialogs (during the window's construction), keeping their texts.
class MessageBoxCatcher final {
public:
    QStringList texts;

    MessageBoxCatcher() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (box && box->isVisible()) {
                    texts << box->text();
                    box->done(QMessageBox::Ok);
                }
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};
