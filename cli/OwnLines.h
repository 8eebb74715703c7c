#pragma once

#include <ostream>
#include <streambuf>
#include <string>

/// A stream that passes text on to another one, every message on a line of its own. The
/// tables announce their construction with a bare "created" at the start of a line, which
/// the next message would otherwise continue; here it ends its line. Whatever was written
/// last is ended with a line end too, when the stream is flushed at its end.
class OwnLines : public std::ostream {
public:
    explicit OwnLines(std::ostream& target);
    ~OwnLines() override;
    OwnLines(const OwnLines&) = delete;
    OwnLines& operator=(const OwnLines&) = delete;

    /// Writes what is held back and ends the last line.
    void close();

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(std::ostream& target)
            : target(target)
        {
        }
        void close();

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;

    private:
        void put(char c);

        std::ostream& target;
        std::string held; ///< the start of a line, while it may still be a bare "created"
        bool lineStart = true;
    };

    Buffer buffer;
};
