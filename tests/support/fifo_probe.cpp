#include "support/fifo_probe.h"

#include "support/test_ports.h"

#include <QDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TestSupport {

FifoProbe::FifoProbe() : m_dir(QDir::tempPath() + QStringLiteral("/zdXXXXXX")) {
    m_path = m_dir.filePath(QStringLiteral("f"));
    m_valid = m_dir.isValid() && ::mkfifo(QFile::encodeName(m_path).constData(), 0600) == 0;
    if (!m_valid)
        return;
    m_writer = std::thread([this, name = QFile::encodeName(m_path)] {
        // Every reader is served, so a program that opens the FIFO twice is not left hanging.
        for (;;) {
            const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            if (m_stopping)
                return;
            if (fd >= 0)
                ++m_opens;
        }
    });
}

FifoProbe::~FifoProbe() {
    if (!m_writer.joinable())
        return;
    m_stopping = true;
    // A reader of our own lets the writer's open() return; it stays open until the writer is gone.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    m_writer.join();
    if (fd >= 0)
        ::close(fd);
}

bool FifoProbe::opened(int waitMs) {
    return waitUntil([this] { return m_opens > 0; }, waitMs);
}

} // namespace TestSupport
