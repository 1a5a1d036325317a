#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace zk {

class ParagraphBuilder;

// The main bodies of a FictionBook that is not well-formed, read as tolerantly as a web page:
// a bare "&", an entity the book never declared, tags closed in the wrong order or never, a
// file cut short. Everything readable is kept; nullopt when no body paragraph is left.
std::optional<QString> recoverFb2(const QByteArray &bytes);

// An element that holds paragraphs or is one, by its name without a namespace prefix; each
// of its tags ends the paragraph before it.
bool isFb2BlockElement(QStringView name);

// The notes of a book (the sections with an id in a notes body), each as one line without its
// title, fed element by element by the reader of a well-formed book.
class Fb2NoteCollector final {
public:
    void startElement(QStringView name, QStringView id);
    void endElement(QStringView name);
    void text(QStringView text);
    QHash<QString, QString> take() { return std::move(m_notes); }

private:
    QHash<QString, QString> m_notes;
    QString m_id; // of the note being read; empty outside one
    QString m_text;
    int m_nested = 0;
    int m_title = 0;
};

// Places notes after the paragraph that cites them, numbered in the order cited.
class Fb2NotePlacer final {
public:
    explicit Fb2NotePlacer(QHash<QString, QString> notes) : m_notes(std::move(notes)) {}
    // A reference to "#id" (or "id") in the paragraph being read.
    void cite(QStringView href);
    // The paragraph has ended: its notes follow it.
    void paragraphEnded(ParagraphBuilder &out);

private:
    QHash<QString, QString> m_notes;
    QStringList m_pending;
    int m_count = 0;
};

} // namespace zk
