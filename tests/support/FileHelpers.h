#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace orvane::test {

/// The whole file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path);
/// Writes `bytes` to `path` (folders made on the way) with the mode a new
/// file gets; false when any of it failed.
[[nodiscard]] bool saveFile(const QString& path, const QByteArray& bytes);
/// Writes `bytes` to `path` (folders made on the way) with exactly `mode`;
/// a failure fails the running test.
void writeFile(const QString& path, const QByteArray& bytes, mode_t mode = 0600);

bool runsAsRoot();
/// The user id of "nobody", a user that owns nothing of the test's.
uid_t nobodyUid();

/// While it lives, files this process writes cannot grow past `bytes`: a
/// disk that is "full" for every user, root included.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    qint64 m_saved = -1;
    void (*m_handler)(int) = nullptr;
};

} // namespace orvane::test
