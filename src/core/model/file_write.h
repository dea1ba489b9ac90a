#pragma once
// Every file the program stores is written whole through here.
#include <QByteArrayView>
#include <QString>

#include <functional>

class QIODevice;

namespace filewrite {

// Replaces the file at `path` with `bytes`: through a temporary beside it that is renamed into
// place once every byte got there, so a full disk or a crash never leaves half a file. Where the
// folder refuses new files but the file itself may be written (a read-only or immutable folder,
// some network shares), the file is rewritten in place instead; a failure part-way then leaves
// it cut short. Returns the reason when the file could not be written, or "" when it was.
QString writeWhole(const QString& path, QByteArrayView bytes);

// Writes `size` bytes to a file being written; returns the bytes written or -1. Tests replace it
// to make a write fail part-way; an empty function restores QIODevice::write.
using WriteFunction = std::function<qint64(QIODevice& device, const char* data, qint64 size)>;
void setWriteFunction(WriteFunction fn);

}  // namespace filewrite
