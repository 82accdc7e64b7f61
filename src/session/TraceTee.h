#pragma once
// The stream the bus trace writes to: every complete line goes to the trace file (when there
// is one) and to the line sink, such as the window's bus monitor.

#include <fstream>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

namespace gaugecal::session {

using TraceLineSink = std::function<void(const std::string& line)>;

class TraceTee {
 public:
  // False when the file cannot be written.
  bool OpenFile(const std::string& path);
  void SetSink(TraceLineSink sink) { buf_.sink = std::move(sink); }
  std::ostream& Stream() { return stream_; }
  // False when a line could not be written to the file (a full disk, /dev/full).
  bool FileWritten() const { return !buf_.file.is_open() || !buf_.file.fail(); }

 private:
  struct LineBuf : std::streambuf {
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    void Put(char c);

    std::ofstream file;
    TraceLineSink sink;
    std::string line;
  };

  LineBuf buf_;
  std::ostream stream_{&buf_};
};

}  // namespace gaugecal::session
