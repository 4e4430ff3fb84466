// Picture archives: opening either fails with EarcSTreamError or yields a
// directory whose every entry can be selected and read in full, and no more.
#include "ClassArchiveStream.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

// The archive lives in an in-memory file; the stream opens it by name.
int ArchiveFd()
{
    static const int fd = memfd_create("archive", 0);
    return fd;
}

void CheckEntries(TArchiveStream& stream)
{
    const TfilesList& list = stream.Entries();
    for (int i = 0; i < list.Count(); ++i) {
        if (!stream.SelectEntry(i) || stream.size() != qint64(list.EntrySize(i)))
            std::abort();
        if (stream.readAll().size() != stream.size())
            std::abort();
        char byte;
        if (stream.Read(&byte, 1) != 0)
            std::abort();
        if (stream.Seek(-1, 2) != std::max<qint64>(0, stream.size() - 1))
            std::abort();
        if (!list.Name(i).isEmpty() && !stream.SelectEntryByName(list.Name(i).toUpper()))
            std::abort();
    }
    TfilesList copy;
    copy.SetText(list.Text());
    if (copy.Text() != list.Text())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = ArchiveFd();
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    try {
        TArchiveStream stream(QStringLiteral("/proc/self/fd/%1").arg(fd));
        CheckEntries(stream);
    } catch (const EarcSTreamError&) {
    }
    // The directory's text form is read on its own as well.
    try {
        TfilesList list;
        const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
        list.SetText(text);
        if (list.Text() != text)
            std::abort();
    } catch (const EarcSTreamError&) {
    }
    return 0;
}
