#include "editor/ShownRowIndex.h"

#include <QFontMetricsF>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace zk {

namespace {

constexpr char16_t ParagraphSeparator = 0x2029;

// Advances of single characters in one font, per thread.
struct Advances {
    QFont font;
    std::unique_ptr<QFontMetricsF> metrics;
    std::vector<float> cache;
    qreal slack = 0;

    void use(const QFont &f) {
        if (metrics && font == f)
            return;
        font = f;
        metrics = std::make_unique<QFontMetricsF>(f);
        cache.assign(0x10000, -1.0f);
        slack = 1 + std::abs(metrics->minRightBearing());
    }
};

// Whether a paragraph surely fits one row: its characters' advances add up well
// inside the width. Only simple scripts are judged so; shaping cannot widen those
// by more than the margin kept.
bool surelyOneRow(QStringView paragraph, const ShownLayout &g, Advances &advances) {
    advances.use(g.font);
    const qreal limit = g.lineWidth - advances.slack;
    qreal sum = 0;
    for (QChar c : paragraph) {
        const char16_t u = c.unicode();
        const bool simple = (u >= 0x20 && u < 0x0300) || (u >= 0x0370 && u < 0x0530) ||
                            (u >= 0x2010 && u < 0x2028) || (u >= 0x2030 && u < 0x2060);
        if (!simple)
            return false;
        float &a = advances.cache[u];
        if (a < 0)
            a = static_cast<float>(advances.metrics->horizontalAdvance(c));
        sum += a;
        if (sum * 1.02 > limit)
            return false;
    }
    return true;
}

} // namespace

// Paragraphs to count from one snapshot of the text, shared by the workers.
struct ShownRowIndex::Job {
    QString text;
    ShownLayout geometry;
    std::vector<int> paragraphs; // indexes into the index's rows
    std::vector<int> starts;
    std::vector<int> lengths;
    std::vector<int> rows;
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> cancelled{false};

    // Takes the next paragraph and counts it; false when none is left.
    bool step(Advances &advances, RowBreaker &breaker) {
        const size_t i = next.fetch_add(1);
        if (i >= paragraphs.size() || cancelled.load())
            return false;
        const QStringView paragraph = QStringView(text).sliced(starts[i], lengths[i]);
        const int count =
            surelyOneRow(paragraph, geometry, advances) ? 1 : breaker.rowCount(paragraph);
        // A paragraph cut short by a cancel is not counted.
        if (cancelled.load())
            return false;
        rows[i] = count;
        done.fetch_add(1);
        return true;
    }
};

ShownRowIndex::ShownRowIndex(QObject *parent) : QObject(parent) {
    // One core stays with the window; a query that cannot wait counts along.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
    m_pool.setThreadPriority(QThread::LowPriority);
}

ShownRowIndex::~ShownRowIndex() {
    if (m_job)
        m_job->cancelled = true;
    m_pool.waitForDone();
}

void ShownRowIndex::setGeometry(const ShownLayout &g) {
    if (g.sameAs(m_geometry))
        return;
    m_geometry = g;
    reset(paragraphCount());
}

void ShownRowIndex::reset(int paragraphs) {
    stop();
    m_rows.assign(static_cast<size_t>(std::max(0, paragraphs)), -1);
    m_unknown = paragraphs;
    m_prefixDirty = true;
}

void ShownRowIndex::splice(int first, int removed, int added) {
    stop();
    const int size = paragraphCount();
    first = std::clamp(first, 0, size);
    removed = std::clamp(removed, 0, size - first);
    for (int i = first; i < first + removed; ++i)
        m_unknown -= m_rows[static_cast<size_t>(i)] < 0 ? 1 : 0;
    const auto at = m_rows.begin() + first;
    m_rows.erase(at, at + removed);
    m_rows.insert(m_rows.begin() + first, static_cast<size_t>(std::max(0, added)), -1);
    m_unknown += std::max(0, added);
    m_prefixDirty = true;
}

void ShownRowIndex::setRows(int paragraph, int rows) {
    int &r = m_rows.at(static_cast<size_t>(paragraph));
    if (r < 0)
        --m_unknown;
    r = rows;
    m_prefixDirty = true;
}

void ShownRowIndex::stop() {
    if (!m_job)
        return;
    m_job->cancelled = true;
    m_pool.waitForDone();
    merge();
}

void ShownRowIndex::merge() {
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    if (!job)
        return;
    for (size_t i = 0; i < job->paragraphs.size(); ++i) {
        if (job->rows[i] >= 0)
            setRows(job->paragraphs[i], job->rows[i]);
    }
    if (isComplete())
        emit completed();
}

void ShownRowIndex::start(const QString &text) {
    if (m_job || isComplete())
        return;
    auto job = std::make_shared<Job>();
    job->text = text;
    job->geometry = m_geometry;
    job->paragraphs.reserve(static_cast<size_t>(m_unknown));
    const char16_t *data = reinterpret_cast<const char16_t *>(text.constData());
    const int size = static_cast<int>(text.size());
    int paragraph = 0;
    int begin = 0;
    for (int i = 0; i <= size; ++i) {
        if (i < size && data[i] != ParagraphSeparator && data[i] != u'\n')
            continue;
        if (paragraph < paragraphCount() && m_rows[static_cast<size_t>(paragraph)] < 0) {
            job->paragraphs.push_back(paragraph);
            job->starts.push_back(begin);
            job->lengths.push_back(i - begin);
        }
        ++paragraph;
        begin = i + 1;
    }
    if (paragraph != paragraphCount()) {
        // The text does not match the paragraphs counted: count it whole.
        reset(paragraph);
        start(text);
        return;
    }
    job->rows.assign(job->paragraphs.size(), -1);
    m_job = job;
    const int workers =
        std::min<int>(m_pool.maxThreadCount(), static_cast<int>(job->paragraphs.size() / 64 + 1));
    for (int w = 0; w < workers; ++w)
        m_pool.start([this, job] { run(job); });
}

void ShownRowIndex::run(const std::shared_ptr<Job> &job) {
    Advances advances;
    RowBreaker breaker(job->geometry);
    breaker.setCancel(&job->cancelled);
    while (job->step(advances, breaker)) {
    }
    if (job->done.load() == job->paragraphs.size())
        QMetaObject::invokeMethod(
            this,
            [this, job] {
                if (m_job == job) {
                    m_pool.waitForDone();
                    merge();
                }
            },
            Qt::QueuedConnection);
}

void ShownRowIndex::finish(const QString &text) {
    if (isComplete())
        return;
    start(text);
    if (const std::shared_ptr<Job> job = m_job) {
        Advances advances;
        RowBreaker breaker(job->geometry);
        while (job->step(advances, breaker)) {
        }
        m_pool.waitForDone();
        merge();
    }
}

const std::vector<int> &ShownRowIndex::prefix() const {
    if (m_prefixDirty) {
        m_prefix.resize(m_rows.size() + 1);
        int total = 0;
        for (size_t i = 0; i < m_rows.size(); ++i) {
            m_prefix[i] = total;
            total += std::max(0, m_rows[i]);
        }
        m_prefix[m_rows.size()] = total;
        m_prefixDirty = false;
    }
    return m_prefix;
}

int ShownRowIndex::totalRows() const {
    return prefix().back();
}

int ShownRowIndex::rowsBefore(int paragraph) const {
    const std::vector<int> &p = prefix();
    return p[static_cast<size_t>(std::clamp(paragraph, 0, paragraphCount()))];
}

int ShownRowIndex::paragraphOfRow(int row) const {
    const std::vector<int> &p = prefix();
    const auto it = std::upper_bound(p.begin(), p.end() - 1, row);
    return std::max(0, static_cast<int>(it - p.begin()) - 1);
}

} // namespace zk
