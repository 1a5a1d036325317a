#include "editor/LineModel.h"

#include <algorithm>

namespace zk {

namespace {

bool isBreak(char16_t c) {
    return c == u'\n' || c == 0x2028 || c == 0x2029;
}

} // namespace

void LineModel::setText(const QString &text) {
    m_text = text;
    m_dirty = true;
}

void LineModel::setBreaker(Breaker breaker, int minLengthToWrap) {
    m_breaker = std::move(breaker);
    m_minLengthToWrap = minLengthToWrap;
    m_dirty = true;
}

void LineModel::append(QStringView text) {
    if (text.isEmpty())
        return;
    if (m_dirty) {
        m_text += text;
        return;
    }
    // The last paragraph may go on in the text added: its rows are laid out again.
    int from = static_cast<int>(m_text.size());
    while (from > 0 && !isBreak(m_text.at(from - 1).unicode()))
        --from;
    while (!m_starts.empty() && m_starts.back() >= from) {
        m_starts.pop_back();
        m_ends.pop_back();
    }
    m_text += text;
    buildFrom(from);
}

void LineModel::build() const {
    m_dirty = false;
    m_starts.clear();
    m_ends.clear();
    buildFrom(0);
}

void LineModel::buildFrom(int from) const {
    const char16_t *data = reinterpret_cast<const char16_t *>(m_text.constData());
    const int size = static_cast<int>(m_text.size());
    int start = from;
    auto addParagraph = [&](int begin, int end) {
        if (m_breaker && end - begin > m_minLengthToWrap) {
            const std::vector<int> rows = m_breaker(QStringView(m_text).sliced(begin, end - begin));
            int at = begin;
            for (int length : rows) {
                length = std::clamp(length, 0, end - at);
                if (length == 0)
                    continue;
                m_starts.push_back(at);
                m_ends.push_back(at + length);
                at += length;
            }
            if (at < end || rows.empty()) {
                m_starts.push_back(at);
                m_ends.push_back(end);
            }
            return;
        }
        m_starts.push_back(begin);
        m_ends.push_back(end);
    };
    for (int i = from; i < size; ++i) {
        if (isBreak(data[i])) {
            addParagraph(start, i);
            start = i + 1;
        }
    }
    // The row after a final break is empty and not counted.
    if (start < size)
        addParagraph(start, size);
}

int LineModel::lineCount() const {
    if (m_dirty)
        build();
    return static_cast<int>(m_starts.size());
}

QStringView LineModel::lineView(int index) const {
    if (index < 0 || index >= lineCount())
        return {};
    return QStringView(m_text).sliced(m_starts[index], m_ends[index] - m_starts[index]);
}

QString LineModel::line(int index) const {
    return lineView(index).toString();
}

int LineModel::lineStart(int index) const {
    const int count = lineCount();
    if (count == 0)
        return 0;
    if (index < 0)
        return 0;
    if (index >= count)
        return static_cast<int>(m_text.size());
    return m_starts[index];
}

int LineModel::lineOfPosition(int pos) const {
    const int count = lineCount();
    if (count == 0)
        return 0;
    // The caret after a final line break stands on the uncounted empty row.
    if (pos >= m_text.size() && isBreak(m_text.back().unicode()))
        return count;
    // Last line whose start is at or before pos.
    auto it = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    if (it == m_starts.begin())
        return 0;
    return static_cast<int>(it - m_starts.begin()) - 1;
}

} // namespace zk
