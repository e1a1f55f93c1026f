#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace zelt {

// The developer trace: fixed-format lines that are never shown to the user. Silent unless a
// developer turns it on (ZELT_TRACE=1 or a tool's --trace), then written to standard error.
class ITraceSink {
  public:
    virtual ~ITraceSink() = default;
    // One formatted line, including its trailing newline when the format has one.
    virtual void Write(const std::string& line) = 0;
};

class NullTraceSink final : public ITraceSink {
  public:
    void Write(const std::string&) override {}
};

class StderrTraceSink final : public ITraceSink {
  public:
    void Write(const std::string& line) override;
};

// Keeps every line; tests compare them exactly. The link's worker thread and the window's
// timer may both write; lines is read once they have stopped.
class CaptureTraceSink final : public ITraceSink {
  public:
    void Write(const std::string& line) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        lines.push_back(line);
    }
    std::vector<std::string> lines;

  private:
    std::mutex mutex_;
};

// True when the environment asks for the trace (ZELT_TRACE=1).
bool TraceRequestedByEnvironment();

// printf-style formatting into the sink.
void TraceF(ITraceSink& sink, const char* format, ...) __attribute__((format(printf, 2, 3)));

// printf-style formatting into a std::string (the system's texts go through snprintf).
std::string StrF(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zelt
