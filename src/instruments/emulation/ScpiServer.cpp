#include "instruments/emulation/ScpiServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>

#include <algorithm>
#include <cstring>
#include <map>

namespace gaugecal::instruments {

namespace {

// The command without surrounding blanks.
std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos)
    return "";
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

void SendAll(int fd, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n <= 0)
      return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

std::unique_ptr<ScpiServer> ScpiServer::Start(Handler handler, std::string& error) {
  std::unique_ptr<ScpiServer> server(new ScpiServer());
  server->handler_ = std::move(handler);
  server->listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // any free port
  socklen_t length = sizeof address;
  if (server->listener_ < 0 ||
      ::bind(server->listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(server->listener_, 4) != 0 ||
      ::getsockname(server->listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
      ::pipe2(server->wake_, O_CLOEXEC) != 0) {
    error = std::string("cannot open an emulated instrument on 127.0.0.1: ") + std::strerror(errno);
    return nullptr;
  }
  server->port_ = ntohs(address.sin_port);
  server->thread_ = std::thread([s = server.get()] { s->Run(); });
  return server;
}

ScpiServer::~ScpiServer() {
  if (thread_.joinable()) {
    const char stop = 1;
    if (::write(wake_[1], &stop, 1) == 1)
      thread_.join();
    else
      thread_.detach();
  }
  for (int fd : {listener_, wake_[0], wake_[1]}) {
    if (fd >= 0)
      ::close(fd);
  }
}

std::string ScpiServer::Connection() const {
  return "tcp-raw/127.0.0.1/" + std::to_string(port_);
}

std::vector<std::string> ScpiServer::Received() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void ScpiServer::Run() {
  std::map<int, std::string> clients;  // socket to the text of its unfinished line
  for (;;) {
    std::vector<pollfd> fds = {{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
    for (const auto& [fd, pending] : clients)
      fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (fds[0].revents != 0)
      break;
    if (fds[1].revents & POLLIN) {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0)
        clients[client] = "";
    }
    for (size_t i = 2; i < fds.size(); ++i) {
      if (fds[i].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
      const bool open = n > 0 && Serve(fds[i].fd, clients[fds[i].fd].append(
                                                      buffer, static_cast<size_t>(n > 0 ? n : 0)));
      if (!open) {
        ::close(fds[i].fd);
        clients.erase(fds[i].fd);
        continue;
      }
    }
  }
  for (const auto& [fd, pending] : clients)
    ::close(fd);
}

bool ScpiServer::Serve(int client, std::string& pending) {
  for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    size_t start = 0;
    while (start <= line.size()) {
      const size_t semicolon = std::min(line.find(';', start), line.size());
      const std::string command = Trimmed(line.substr(start, semicolon - start));
      start = semicolon + 1;
      if (command.empty())
        continue;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        received_.push_back(command);
      }
      if (unplugged_)
        return false;
      const std::optional<std::string> answer = handler_(command);
      if (answer)
        SendAll(client, *answer + "\n");
    }
  }
  return true;
}

}  // namespace gaugecal::instruments
