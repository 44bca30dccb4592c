#include "common/CaseFold.h"

#include <algorithm>

namespace CaseFold {

namespace {

const char16_t* units(const QString& s)
{
    return reinterpret_cast<const char16_t*>(s.utf16());
}

char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Folds the character at s[i], one unit or a surrogate pair, into `out`; returns the units used.
int foldAt(const char16_t* s, qsizetype n, qsizetype i, char16_t* out)
{
    const char16_t c = s[i];
    if (c < 0x80) {
        out[0] = asciiLower(c);
        return 1;
    }
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
        const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, s[i + 1]));
        out[0] = QChar::highSurrogate(folded);
        out[1] = QChar::lowSurrogate(folded);
        return 2;
    }
    out[0] = char16_t(QChar::toCaseFolded(char32_t(c)));
    return 1;
}

// The folded units of a text from `from` on, one at a time.
class FoldedUnits
{
public:
    FoldedUnits(const QString& s, qsizetype from) : m_s(units(s)), m_n(s.size()), m_i(from) {}

    bool next(char16_t& out)
    {
        if (m_at == m_used) {
            if (m_i >= m_n)
                return false;
            m_used = foldAt(m_s, m_n, m_i, m_buf);
            m_i += m_used;
            m_at = 0;
        }
        out = m_buf[m_at++];
        return true;
    }

private:
    const char16_t* m_s;
    qsizetype m_n;
    qsizetype m_i;
    char16_t m_buf[2] = {};
    int m_used = 0;
    int m_at = 0;
};

} // namespace

QString key(const QString& s)
{
    QString out(s.size(), Qt::Uninitialized);
    auto* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = units(s);
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;)
        i += foldAt(src, n, i, dst + i);
    return out;
}

int compare(const QString& a, const QString& b)
{
    // Equal units fold alike, so only the text after the common start needs folding; paths share
    // long leading folders, and folding is what costs.
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = units(a);
    const char16_t* pb = units(b);
    qsizetype i = 0;
    while (i < n && pa[i] == pb[i])
        ++i;
    if (i > 0 && QChar::isHighSurrogate(pa[i - 1]))
        --i; // fold a surrogate pair as one character
    // ASCII on both sides, most of a path, folds without the general step.
    for (; i < n && pa[i] < 0x80 && pb[i] < 0x80; ++i) {
        const char16_t ca = asciiLower(pa[i]);
        const char16_t cb = asciiLower(pb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    FoldedUnits fa(a, i);
    FoldedUnits fb(b, i);
    for (;;) {
        char16_t ca = 0;
        char16_t cb = 0;
        const bool moreA = fa.next(ca);
        const bool moreB = fb.next(cb);
        if (!moreA || !moreB)
            return int(moreA) - int(moreB);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
}

int compareToKey(const QString& s, const QString& key)
{
    const char16_t* k = units(key);
    const qsizetype m = key.size();
    FoldedUnits fs(s, 0);
    char16_t c = 0;
    for (qsizetype j = 0; j < m; ++j) {
        if (!fs.next(c))
            return -1;
        if (c != k[j])
            return c < k[j] ? -1 : 1;
    }
    return fs.next(c) ? 1 : 0;
}

size_t hash(const QString& s)
{
    FoldedUnits fs(s, 0);
    size_t h = 1469598103934665603ull;
    char16_t c = 0;
    while (fs.next(c))
        h = (h ^ c) * 1099511628211ull;
    return h;
}

} // namespace CaseFold
