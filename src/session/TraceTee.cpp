#include "session/TraceTee.h"

namespace gaugecal::session {

bool TraceTee::OpenFile(const std::string& path) {
  buf_.file.open(path, std::ios::trunc);
  return static_cast<bool>(buf_.file);
}

TraceTee::LineBuf::int_type TraceTee::LineBuf::overflow(int_type ch) {
  if (!traits_type::eq_int_type(ch, traits_type::eof()))
    Put(traits_type::to_char_type(ch));
  return traits_type::not_eof(ch);
}

std::streamsize TraceTee::LineBuf::xsputn(const char* s, std::streamsize n) {
  for (std::streamsize i = 0; i < n; ++i)
    Put(s[i]);
  return n;
}

void TraceTee::LineBuf::Put(char c) {
  if (c != '\n') {
    line.push_back(c);
    return;
  }
  // Whole lines only, so a reader of the file never sees half an entry.
  if (file.is_open()) {
    file << line << '\n';
    file.flush();
  }
  if (sink)
    sink(line);
  line.clear();
}

}  // namespace gaugecal::session
