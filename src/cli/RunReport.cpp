#include "cli/RunReport.h"

namespace gaugecal::cli {

void RunReport::Message(const MessageRecord& message) {
  messages_.push_back(message);
  err_ << (message.icon == MsgIcon::Critical ? "message (critical): " : "message: ") << message.text
       << "\n";
  err_.flush();
}

void RunReport::Warn(const std::string& text) {
  if (!warned_.insert(text).second)
    return;
  warnings_.push_back(text);
  err_ << "warning: " << text << "\n";
  err_.flush();
}

void RunReport::Error(const std::string& text) {
  errors_.push_back(text);
  err_ << "gaugecal: " << text << "\n";
  err_.flush();
}

nlohmann::ordered_json RunReport::Document(bool ok) const {
  nlohmann::ordered_json doc;
  doc["ok"] = ok;
  doc["messages"] = nlohmann::ordered_json::array();
  for (const MessageRecord& m : messages_)
    doc["messages"].push_back(m.text);
  doc["warnings"] = warnings_;
  if (!errors_.empty())
    doc["errors"] = errors_;
  for (const auto& [name, value] : fields_.items()) {
    if (!doc.contains(name))
      doc[name] = value;
  }
  return doc;
}

void RunReport::WriteDocument(std::ostream& out, bool ok) const {
  out << Document(ok).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

}  // namespace gaugecal::cli
