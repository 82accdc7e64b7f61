#pragma once
// A small SCPI-over-TCP server on 127.0.0.1 at an ephemeral port, for the emulated bench: one
// thread accepts connections and answers each command of a line (commands separated by ';')
// with what the handler returns. Commands without an answer (settings) return nullopt.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace gaugecal::instruments {

class ScpiServer {
 public:
  // Called on the server's thread with one command, without its line end.
  using Handler = std::function<std::optional<std::string>(const std::string& command)>;

  // nullptr with a text when no socket could be opened.
  static std::unique_ptr<ScpiServer> Start(Handler handler, std::string& error);
  ~ScpiServer();
  ScpiServer(const ScpiServer&) = delete;
  ScpiServer& operator=(const ScpiServer&) = delete;

  int Port() const { return port_; }
  // libsigrok's connection text: "tcp-raw/127.0.0.1/PORT".
  std::string Connection() const;
  // Every command received so far, in order.
  std::vector<std::string> Received() const;
  // An unplugged instrument drops the connection at the next command it receives (a cable
  // pulled mid-run) and answers nothing more.
  void SetUnplugged(bool unplugged) { unplugged_ = unplugged; }

 private:
  ScpiServer() = default;
  void Run();
  // False when the connection is to be dropped.
  bool Serve(int client, std::string& pending);

  Handler handler_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<bool> unplugged_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::thread thread_;
};

}  // namespace gaugecal::instruments
