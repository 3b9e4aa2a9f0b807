// A document's file at the platform edge. Only regular files are documents: a FIFO, a device,
// a socket or a directory is refused before anything blocks on it or replaces it, and a save
// either puts the whole new document in place or leaves the old one as it was.
#pragma once

#include <QByteArray>
#include <QString>

#include "control/status.h"

namespace vyx::documents {

// Reads the regular file at path (a symbolic link to one is followed). A file larger than
// maxBytes is refused, as is anything that is not a regular file, without opening it.
Status ReadDocumentFile(const QString& path, qint64 maxBytes, QByteArray& bytes);

// Writes bytes to a temporary file beside the document, syncs it and renames it over the
// document. Every failed step fails with the system's reason, removes the temporary file
// and leaves the document untouched. A symbolic link to a regular file keeps the link and
// replaces the file it leads to; a path that is, or leads to, anything but a regular file
// is refused.
Status WriteDocumentFile(const QString& path, const QByteArray& bytes);

}  // namespace vyx::documents
