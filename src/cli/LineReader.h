#pragma once

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>

namespace orvane::cli {

// Reads text lines from a file descriptor as they arrive (a pipe, a terminal, a file, a
// device), in bounded memory whatever the input: one buffer of input and one line at a time.
// A line longer than `maxLineCharacters` is not kept whole: only its first characters, for
// the message that refuses it. Lines are handed over from the event loop; the reader can be
// paused between two lines and resumed later.
class LineReader
{
public:
    static constexpr int maxLineCharacters = 1024;
    static constexpr int quotedCharacters = 80;

    struct Line {
        qint64 number = 0; // from 1
        QString text;      // without the line break; for a refused line, its first quotedCharacters characters
        bool tooLong = false;
    };

    struct Handlers {
        std::function<void(const Line &)> line;
        // The input ended: `error` is empty at the end of the input, else why reading failed.
        std::function<void(const QString &error)> end;
    };

    // Reads `fd` (not closed here) once started.
    LineReader(int fd, Handlers handlers);
    ~LineReader();

    void start();
    // No more lines until resume(); a line already read stays for then.
    void pause();
    void resume();
    bool isPaused() const { return m_paused; }

private:
    void readSome();
    void deliver();
    bool takeLine(); // false when the buffer holds no whole line
    void finishLine();

    int m_fd;
    Handlers m_handlers;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_chunk;   // what the last read brought
    qsizetype m_offset = 0;
    QByteArray m_line;    // the line being assembled, at most a few KiB
    bool m_lineTooLong = false;
    qint64 m_number = 0;
    bool m_paused = false;
    bool m_ended = false;
    bool m_started = false;
};

} // namespace orvane::cli
