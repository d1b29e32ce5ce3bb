#pragma once

#include <QSet>

namespace orvane::test {

/// `root` and every process below it, read from /proc (a browser engine's
/// helpers, say).
QSet<uint> descendantsOf(uint root);

/// Whether any of `pids` still runs (a zombie does not count).
bool anyAlive(const QSet<uint>& pids);

} // namespace orvane::test
