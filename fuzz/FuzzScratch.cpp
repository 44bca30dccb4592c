#include "FuzzScratch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void die(const char* what, const QByteArray& name)
{
    std::fprintf(stderr, "fuzz scratch: %s %s: %s\n", what, name.constData(), std::strerror(errno));
    std::abort();
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path);
}

void makeParents(const QByteArray& name)
{
    for (qsizetype i = name.indexOf('/'); i > 0; i = name.indexOf('/', i + 1))
        ::mkdir(name.left(i).constData(), 0700);
}

} // namespace

FuzzScratch::FuzzScratch()
{
    // In memory where there is room: every run writes its input here.
    QByteArray base = qgetenv("VIDMARRO_FUZZ_DIR");
    if (base.isEmpty())
        base = ::access("/dev/shm", W_OK) == 0 ? QByteArray("/dev/shm") : QByteArray("/tmp");
    QByteArray templ = base + "/vidmarro-fuzz-XXXXXX";
    if (!::mkdtemp(templ.data()))
        die("mkdtemp", templ);
    m_dir = templ;
    if (::chdir(m_dir.constData()) != 0)
        die("chdir", m_dir);
}

FuzzScratch::~FuzzScratch()
{
    if (::chdir("/") == 0)
        ::nftw(m_dir.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

QString FuzzScratch::path(const QString& name) const
{
    return QString::fromLocal8Bit(m_dir) + u'/' + name;
}

void FuzzScratch::writeFile(const QByteArray& name, const QByteArray& data)
{
    makeParents(name);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, data.constData(), size_t(data.size())) != data.size())
        die("write", name);
    ::close(fd);
}

void FuzzScratch::makeFolder(const QByteArray& name)
{
    makeParents(name + '/');
}

void FuzzScratch::makeLink(const QByteArray& name, const QByteArray& target)
{
    makeParents(name);
    if (::symlink(target.constData(), name.constData()) != 0)
        die("symlink", name);
}

void FuzzScratch::makeFifo(const QByteArray& name)
{
    makeParents(name);
    if (::mkfifo(name.constData(), 0600) != 0)
        die("mkfifo", name);
}

void FuzzScratch::writeInput(const QByteArray& name, const uint8_t* data, size_t size)
{
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        die("open", name);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            die("write", name);
        done += size_t(n);
    }
    ::close(fd);
}

void fuzzFailure(const char* what, const QString& detail)
{
    std::fprintf(stderr, "property broken: %s\n%s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}
