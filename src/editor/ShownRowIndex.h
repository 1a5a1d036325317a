#pragma once

#include "editor/RowBreaker.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <vector>

namespace zk {

// Rows of every paragraph of the editor text as the shown editor wraps them. The
// rows are counted as Qt's line breaking makes them, in worker threads, so that a large text is
// counted while the window goes on; row queries are answered from a prefix sum once every paragraph
// is known.
class ShownRowIndex final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShownRowIndex)
public:
    explicit ShownRowIndex(QObject *parent = nullptr);
    ~ShownRowIndex() override;

    const ShownLayout &geometry() const { return m_geometry; }
    // A new geometry or a new text: every paragraph is counted anew.
    void setGeometry(const ShownLayout &g);
    void reset(int paragraphs);
    // Paragraphs [first, first + removed) were replaced by `added` paragraphs, not yet counted.
    void splice(int first, int removed, int added);
    void setRows(int paragraph, int rows);

    int paragraphCount() const { return static_cast<int>(m_rows.size()); }
    int unknownCount() const { return m_unknown; }
    bool isComplete() const { return m_unknown == 0; }
    bool isCounting() const { return m_job != nullptr; }

    // Counts the unknown paragraphs of `text` (separated by "\n" or U+2029) in the
    // background; `completed` follows.
    void start(const QString &text);
    // Counts what is still unknown at once, with the workers' help.
    void finish(const QString &text);

    // These need a complete index.
    int totalRows() const;
    int rowsBefore(int paragraph) const;
    // Paragraph that holds row `row` (0 <= row < totalRows()).
    int paragraphOfRow(int row) const;

signals:
    void completed();

private:
    struct Job;
    void stop();
    void merge();
    void run(const std::shared_ptr<Job> &job);
    const std::vector<int> &prefix() const;

    ShownLayout m_geometry;
    std::vector<int> m_rows; // -1 while unknown
    int m_unknown = 0;
    mutable std::vector<int> m_prefix;
    mutable bool m_prefixDirty = true;
    std::shared_ptr<Job> m_job;
    QThreadPool m_pool;
};

} // namespace zk
