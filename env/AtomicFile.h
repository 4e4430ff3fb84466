#pragma once

#include <QByteArray>
#include <QString>

// A file replaced in one step. The new contents go to a temporary file beside
// it, .NAME.pocosa-new-XXXXXX, which is renamed over NAME only once every byte has been
// written, synced to the disk and the file closed, each without error. A
// failure on the way (a full disk, a quota, a share that went away) leaves
// NAME as it was and removes the temporary file; so does an object that goes
// without Commit(). A reader, or a kill at any moment, sees the old contents
// or the new ones, never a mixture and never an empty file.
//
// Nothing is buffered: every Write() reaches the file, so its errors show at
// once. An existing NAME keeps its permissions; a link is followed and its
// target replaced.
class TAtomicFile {
public:
    explicit TAtomicFile(const QString& fileName);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Creates the temporary file. An existing NAME that is no regular file (a
    // folder, a device, a FIFO) is refused rather than replaced.
    bool Open();
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // Syncs, closes and renames; false leaves NAME untouched.
    bool Commit();

    // Why the last failed step failed, in the system's words.
    QString ErrorString() const { return error_; }

    // Removes what a process killed during a write left of NAME: regular files
    // .NAME.pocosa-new-XXXXXX (six letters or digits) in NAME's folder, nothing
    // else (a user's NAME.backup stays). Only
    // for a caller that knows no other process writes NAME at the moment.
    static void RemoveLeftovers(const QString& fileName);

private:
    bool Fail(int error);
    void Discard();

    QString target_;
    QString temporary_;
    QString error_;
    int fd_ = -1;
};
