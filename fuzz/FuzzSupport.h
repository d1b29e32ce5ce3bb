#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace orvane::fuzz {

/// The fuzzer's input as bytes, copied: readers may keep what they get.
inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

/// A folder of this process's own, removed at exit; readers of files get
/// their input written into it.
QString scratchFolder();

/// Writes `bytes` to `name` in the scratch folder, readable by the user only
/// (the list file refuses anything else), and gives the full path.
QString writeScratchFile(const QString& name, const QByteArray& bytes);

/// The whole of a file a reader wrote.
QByteArray readScratchFile(const QString& path);

/// A finding: says what broke and aborts, so the fuzzer keeps the input.
[[noreturn]] void fail(const char* what);

} // namespace orvane::fuzz

/// A property every input must keep; the fuzzer reports the input that breaks it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::orvane::fuzz::fail(#condition);                                                      \
    } while (false)
