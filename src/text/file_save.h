#pragma once
// Whole files written as one: the settings file and every file written for
// the user (reports, certificates, CSV) are replaced through a new file in
// the same folder, so a crash or two saves at once leave one whole version.

#include <QByteArray>
#include <QString>

namespace shurencho {

// Writes all of data at offset of fd, through short writes and interruptions.
bool WriteAt(int fd, const QByteArray& data, qint64 offset);

// Writes data as the whole new content of the regular file at path (a link is
// followed to its file). The data goes to a fresh nameless file in the same
// folder, made with O_EXCL semantics and never through a link, flushed, and
// renamed over the file: two saves at once leave one of them whole. Where the
// folder refuses a new file, or the new file could not keep the old one's
// owner, the file is rewritten in place (room first, then write, truncate,
// flush). A file this user may not write, or that is not a regular file, is
// never touched. False on failure, with the system's reason in *reason when given.
bool SaveFileContents(const QString& path, const QByteArray& data, QString* reason = nullptr);
// True when path is a regular file (or a link to one) that this user may read and write.
bool MayRewriteFile(const QString& path);

// False, with the reason in Japanese, when path is a symbolic link: a file
// written for the user is never written through one.
bool NotALink(const QString& path, QString* error);
// A file written for the user, whole or not at all: SaveFileContents, with
// a link at path refused (NotALink) and the reason in Japanese in *error.
bool SaveWhole(const QString& path, const QByteArray& data, QString* error);

}  // namespace shurencho
