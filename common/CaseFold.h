#pragma once

#include <QString>

#include <cstddef>

// The one order of names with letter case ignored: each character case-folded on its own, then
// compared unit by unit, as QString::compare with Qt::CaseInsensitive orders them.
namespace CaseFold {

// The folded text: as long as `s`, unit for unit. Sorting by it gives the order of compare().
QString key(const QString& s);

// < 0, 0 or > 0 as `a` goes before, with or after `b`.
int compare(const QString& a, const QString& b);

// `s` against a key made by key(), without building the key of `s`.
int compareToKey(const QString& s, const QString& key);

// A hash of key(s), without building it.
size_t hash(const QString& s);

} // namespace CaseFold
