#include "plughost/process/SummaryLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

Json Record(const std::string& input, const std::string& output, const char* status) {
    return Json{{"input", input}, {"output", output}, {"status", status}};
}

// One line of JSON; names that are no UTF-8 keep their other characters.
std::string Line(const Json& record) {
    return record.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

SummaryLog::SummaryLog(const std::string& path) : path_(path) {
    descriptor_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor_ < 0)
        throw HostError(ExitCode::kOutput, "--summary " + path + ": " + std::strerror(errno));
}

SummaryLog::~SummaryLog() {
    close(descriptor_);
}

void SummaryLog::Done(const RunSummary& s) {
    Json record = Record(s.input, s.output, "done");
    record["frames"] = s.frames;
    record["rate"] = s.sampleRate;
    record["channels"] = s.channels;
    record["peak_in"] = s.peakIn;
    record["peak_out"] = s.peakOut;
    record["clipped"] = s.clipped;
    record["not_finite"] = s.notFinite;
    record["seconds"] = s.seconds;
    if (!s.shortfall.empty()) record["shortfall"] = s.shortfall;
    Append(Line(record));
}

void SummaryLog::Skipped(const std::string& input, const std::string& output) {
    Append(Line(Record(input, output, "skipped")));
}

void SummaryLog::Failed(const std::string& input, const std::string& output,
                        const HostError& error) {
    Json record = Record(input, output, "failed");
    record["error"] = error.what();
    record["exit_code"] = static_cast<int>(error.Code());
    Append(Line(record));
}

void SummaryLog::Append(const std::string& line) {
    const std::string text = line + '\n';
    if (flock(descriptor_, LOCK_EX) != 0) {
        if (error_ == 0) error_ = errno;
        return;
    }
    const ssize_t written = write(descriptor_, text.data(), text.size());
    if (written != static_cast<ssize_t>(text.size()) && error_ == 0)
        error_ = written < 0 ? errno : ENOSPC;
    flock(descriptor_, LOCK_UN);
}

void SummaryLog::Check() const {
    if (error_ != 0)
        throw HostError(ExitCode::kOutput, "--summary " + path_ + ": " + std::strerror(error_));
}
