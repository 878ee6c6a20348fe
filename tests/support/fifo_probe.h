#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

namespace TestSupport {

// A FIFO in a directory of its own, with a writer waiting on it: the writer's
// open() returns only when someone opens the FIFO for reading. It tells whether
// the program opened a file that text from outside merely named, without ever
// letting that open block the program.
class FifoProbe final {
public:
    FifoProbe();
    ~FifoProbe();
    FifoProbe(const FifoProbe&) = delete;
    FifoProbe& operator=(const FifoProbe&) = delete;

    bool valid() const { return m_valid; }
    QString path() const { return m_path; }
    // An image naming the FIFO, short enough for a discovery field.
    QString markup() const { return QStringLiteral("<img src=") + m_path + QLatin1Char('>'); }
    // Runs the event loop for up to waitMs and tells whether a reader opened the FIFO by then.
    bool opened(int waitMs = 300);

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_valid = false;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_opens{0};
    std::thread m_writer;
};

} // namespace TestSupport
