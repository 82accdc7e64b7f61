#pragma once
// What one run of the tool tells its user: the message boxes, our warnings, the tool's own
// errors and, with --json, the command's result fields. Text lines go to stderr as they come;
// the JSON document is printed once at the end of the run, whatever the outcome, so a script
// always reads exactly one object with "ok", "messages" and "warnings".

#include <nlohmann/json.hpp>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace gaugecal::cli {

class RunReport {
 public:
  explicit RunReport(std::ostream& err) : err_(err) {}

  // "message: TEXT" (or "message (critical): TEXT") on stderr.
  void Message(const MessageRecord& message);
  // "warning: TEXT" on stderr, once per run: a report may look a file up again after the
  // check that warned about it did.
  void Warn(const std::string& text);
  // The same, with the text streamed from its parts (numbers as a stream prints them).
  template <typename... Parts>
  void WarnOf(const Parts&... parts) {
    std::ostringstream text;
    (text << ... << parts);
    Warn(text.str());
  }
  // "gaugecal: TEXT" on stderr: the tool itself could not go on (usage, files, adapter).
  void Error(const std::string& text);

  // The command's own fields of the JSON document; "ok", "messages" and "warnings" are the
  // run's and set when it is printed.
  void Result(nlohmann::ordered_json fields) { fields_ = std::move(fields); }

  const std::vector<MessageRecord>& Messages() const { return messages_; }
  const std::vector<std::string>& Warnings() const { return warnings_; }

  // The one JSON document of the run; ok is the exit status being 0.
  nlohmann::ordered_json Document(bool ok) const;
  // Two-space indented. Texts from files and paths may hold bytes that are not UTF-8 (a
  // Latin-1 degree sign in an ini value): they are replaced by U+FFFD, so the document is
  // always printed.
  void WriteDocument(std::ostream& out, bool ok) const;

 private:
  std::ostream& err_;
  std::vector<MessageRecord> messages_;
  std::vector<std::string> warnings_;
  std::set<std::string> warned_;
  std::vector<std::string> errors_;
  nlohmann::ordered_json fields_ = nlohmann::ordered_json::object();
};

}  // namespace gaugecal::cli
