// A sound file written through libsndfile into something that cannot seek
// back: a pipe, a FIFO, a terminal or a device. libsndfile writes most file
// types' headers with their lengths at the end, seeking back to them;
// through this sink it writes the header first with lengths that readers of
// a stream take for "unknown" (as sox does on a pipe), then the samples as
// they come, and whatever it writes over what has already gone is dropped.
#pragma once

#include <sndfile.h>

#include <string>

class StreamSink {
  public:
    explicit StreamSink(int fd) : fd_(fd) {}
    StreamSink(const StreamSink&) = delete;
    StreamSink& operator=(const StreamSink&) = delete;

    // Opens a file of `info` for writing into the descriptor; `name` names it
    // in messages. Throws HostError(kOutput).
    SNDFILE* Open(SF_INFO& info, const std::string& name);

    // The errno of the first failed write, or 0.
    int Error() const { return error_; }

  private:
    static sf_count_t Length(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t Read(void* data, sf_count_t count, void* self);
    static sf_count_t Write(const void* data, sf_count_t count, void* self);
    static sf_count_t Tell(void* self);

    void Send(const char* data, size_t count);
    void MarkRiffLengthsUnknown();

    int fd_;
    bool holding_ = true;  // while the header is being written
    std::string header_;
    sf_count_t position_ = 0;  // where libsndfile believes it is
    sf_count_t sent_ = 0;
    int error_ = 0;
};
