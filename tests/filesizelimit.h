#pragma once

// A disk that fills up, as a program sees it: no file grows past a size, and a write beyond it fails (the
// process's file size limit, with its signal ignored so that the write reports the failure instead).
#include <QProcess>

#include <csignal>

#include <sys/resource.h>

namespace quelmar::testsupport {

// For the test's own process, while the object lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = SIG_DFL;
};

// For a program the test starts.
inline void limitFileSize(QProcess& program, rlim_t bytes)
{
    program.setChildProcessModifier([bytes] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
}

} // namespace quelmar::testsupport
