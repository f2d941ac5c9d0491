#include "plughost/process/StreamSink.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "plughost/HostError.h"

namespace {

// The data length that sox writes and reads as "unknown": 2 GiB less 4 KiB.
constexpr uint32_t kUnknownLength = 0x7ffff000;

void PutLittleEndian32(char* at, uint32_t value) {
    for (int k = 0; k < 4; ++k) at[k] = static_cast<char>(value >> (8 * k));
}

uint32_t LittleEndian32(const char* at) {
    uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<uint8_t>(at[k]);
    return value;
}

}  // namespace

SNDFILE* StreamSink::Open(SF_INFO& info, const std::string& name) {
    SF_VIRTUAL_IO io{&Length, &Seek, &Read, &Write, &Tell};
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, this);
    if (!file) throw HostError(ExitCode::kOutput, name + ": cannot write: " + sf_strerror(nullptr));
    // Types made for streaming write no length; the others get one that
    // stands for "unknown". libsndfile takes a RIFF (WAV) file's data length
    // from the frames written, so that one is marked by hand.
    switch (info.format & SF_FORMAT_TYPEMASK) {
        case SF_FORMAT_FLAC:
        case SF_FORMAT_OGG:
        case SF_FORMAT_MPEG:
            break;
        default:
            sf_command(file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
            MarkRiffLengthsUnknown();
    }
    holding_ = false;
    const std::string header = std::move(header_);
    Send(header.data(), header.size());
    return file;
}

void StreamSink::MarkRiffLengthsUnknown() {
    if (header_.size() < 12 || header_.compare(0, 4, "RIFF") != 0) return;
    for (size_t chunk = 12; chunk + 8 <= header_.size();) {
        const uint32_t size = LittleEndian32(&header_[chunk + 4]);
        if (header_.compare(chunk, 4, "data") == 0) {
            PutLittleEndian32(&header_[chunk + 4], kUnknownLength);
            PutLittleEndian32(&header_[4], static_cast<uint32_t>(chunk) + kUnknownLength);
            return;
        }
        chunk += 8 + size + (size & 1);
    }
}

void StreamSink::Send(const char* data, size_t count) {
    while (count > 0 && error_ == 0) {
        const ssize_t n = write(fd_, data, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error_ = errno;
            return;
        }
        data += n;
        count -= static_cast<size_t>(n);
        sent_ += n;
    }
}

sf_count_t StreamSink::Length(void* self) {
    auto& sink = *static_cast<StreamSink*>(self);
    // While the header is written: room for the longest data it may claim.
    return sink.holding_ ? sink.position_ + kUnknownLength : std::max(sink.position_, sink.sent_);
}

sf_count_t StreamSink::Seek(sf_count_t offset, int whence, void* self) {
    auto& sink = *static_cast<StreamSink*>(self);
    const sf_count_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? sink.position_
                                                 : Length(self);
    sink.position_ = std::max<sf_count_t>(0, base + offset);
    return sink.position_;
}

sf_count_t StreamSink::Read(void*, sf_count_t, void*) {
    return 0;
}

sf_count_t StreamSink::Write(const void* data, sf_count_t count, void* self) {
    auto& sink = *static_cast<StreamSink*>(self);
    const auto* bytes = static_cast<const char*>(data);
    if (sink.holding_) {
        const auto end = static_cast<size_t>(sink.position_ + count);
        if (sink.header_.size() < end) sink.header_.resize(end);
        std::memcpy(&sink.header_[static_cast<size_t>(sink.position_)], bytes,
                    static_cast<size_t>(count));
    } else if (sink.position_ + count > sink.sent_) {
        // Whatever lies before what has gone (a header written again) is
        // dropped; what follows it goes out.
        const sf_count_t skip = std::max<sf_count_t>(0, sink.sent_ - sink.position_);
        sink.Send(bytes + skip, static_cast<size_t>(count - skip));
    }
    sink.position_ += count;
    return sink.error_ ? 0 : count;
}

sf_count_t StreamSink::Tell(void* self) {
    return static_cast<StreamSink*>(self)->position_;
}
