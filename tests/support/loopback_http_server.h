#pragma once
// A small HTTP server on 127.0.0.1 for tests of code that downloads: it answers each request from a table
// of routes (status, headers, body, optionally cut short after some bytes), one connection at a time, and
// keeps the request lines it saw. It listens on a port the system picks, reads at most 8 KiB of request
// head, serves a bounded number of connections, and stops after 10 s without a connection or when it is
// destroyed. Windows only (Winsock).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace lz::test {

struct HttpRoute {
  std::string path;  // matched against the request's path without its query
  int status = 200;
  std::string reason = "OK";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  bool announce_length = true;            // send Content-Length with the body's full size
  std::optional<std::size_t> cut_after;   // close the connection after this many body bytes
  bool reset = false;                     // with cut_after: reset the connection instead of closing it
  std::function<void()> before_reply;     // runs on the server's thread before the answer goes out
};

class LoopbackHttpServer {
 public:
  static constexpr std::size_t kMaxRequestHead = 8192;
  static constexpr int kMaxConnections = 64;
  static constexpr int kIdleStopMilliseconds = 10000;

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // False when no socket could be bound; then port() is 0.
  bool listening() const { return port_ != 0; }
  std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by path.
  std::string Url(const std::string& path) const;

  // Adds or replaces the route of route.path. Unknown paths get 404 with an empty body.
  void Route(HttpRoute route);
  // The request lines seen so far ("GET /x?y HTTP/1.1"), oldest first.
  std::vector<std::string> RequestLines() const;

 private:
  void Serve();
  void Answer(std::uintptr_t connection);

  std::uintptr_t listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex lock_;
  std::vector<HttpRoute> routes_;
  std::vector<std::string> request_lines_;
  std::thread thread_;
};

}  // namespace lz::test
