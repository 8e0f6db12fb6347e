#include "tests/support/loopback_http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstring>

namespace lz::test {
namespace {

constexpr int kPollMilliseconds = 100;
constexpr DWORD kReceiveTimeoutMilliseconds = 5000;
constexpr DWORD kDrainMilliseconds = 500;

SOCKET AsSocket(std::uintptr_t value) { return static_cast<SOCKET>(value); }

bool SendAll(SOCKET connection, const char* data, std::size_t size) {
  while (size > 0) {
    const int sent = send(connection, data, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() : listener_(static_cast<std::uintptr_t>(INVALID_SOCKET)) {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // the system picks
  int length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener);
    return;
  }
  listener_ = static_cast<std::uintptr_t>(listener);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (AsSocket(listener_) != INVALID_SOCKET) closesocket(AsSocket(listener_));
  WSACleanup();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::Route(HttpRoute route) {
  std::lock_guard<std::mutex> hold(lock_);
  for (HttpRoute& known : routes_) {
    if (known.path == route.path) {
      known = std::move(route);
      return;
    }
  }
  routes_.push_back(std::move(route));
}

std::vector<std::string> LoopbackHttpServer::RequestLines() const {
  std::lock_guard<std::mutex> hold(lock_);
  return request_lines_;
}

void LoopbackHttpServer::Serve() {
  auto last_seen = std::chrono::steady_clock::now();
  int served = 0;
  while (!stop_ && served < kMaxConnections) {
    if (std::chrono::steady_clock::now() - last_seen > std::chrono::milliseconds(kIdleStopMilliseconds)) break;
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(AsSocket(listener_), &ready);
    timeval wait{0, kPollMilliseconds * 1000};
    if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET connection = accept(AsSocket(listener_), nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    ++served;
    Answer(static_cast<std::uintptr_t>(connection));
    last_seen = std::chrono::steady_clock::now();
  }
}

void LoopbackHttpServer::Answer(std::uintptr_t value) {
  SOCKET connection = AsSocket(value);
  const DWORD timeout = kReceiveTimeoutMilliseconds;
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHead) {
    const int got = recv(connection, buffer, static_cast<int>(std::min(sizeof buffer, kMaxRequestHead - head.size())), 0);
    if (got <= 0) break;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  const std::size_t line_end = head.find("\r\n");
  if (line_end == std::string::npos) {
    closesocket(connection);
    return;
  }
  const std::string line = head.substr(0, line_end);
  HttpRoute route;
  route.status = 404;
  route.reason = "Not Found";
  {
    std::lock_guard<std::mutex> hold(lock_);
    request_lines_.push_back(line);
    const std::size_t path_start = line.find(' ');
    const std::size_t path_end = line.find(' ', path_start + 1);
    if (path_start != std::string::npos && path_end != std::string::npos) {
      std::string path = line.substr(path_start + 1, path_end - path_start - 1);
      path = path.substr(0, path.find('?'));
      for (const HttpRoute& known : routes_) {
        if (known.path == path) route = known;
      }
    }
  }
  if (route.before_reply) route.before_reply();
  std::string reply = "HTTP/1.1 " + std::to_string(route.status) + " " + route.reason + "\r\n";
  for (const auto& [name, text] : route.headers) reply += name + ": " + text + "\r\n";
  const bool has_body = route.status != 204 && route.status != 304;
  if (has_body && route.announce_length) reply += "Content-Length: " + std::to_string(route.body.size()) + "\r\n";
  reply += "Connection: close\r\n\r\n";
  std::size_t body_bytes = has_body ? route.body.size() : 0;
  if (route.cut_after && *route.cut_after < body_bytes) body_bytes = *route.cut_after;
  if (SendAll(connection, reply.data(), reply.size()) && body_bytes > 0) SendAll(connection, route.body.data(), body_bytes);
  if (route.cut_after && route.reset) {
    const linger abort{1, 0};  // a zero linger makes closesocket send a reset
    setsockopt(connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
  } else {
    shutdown(connection, SD_SEND);
    // Let the client read to the end before the socket goes, but never wait long for it.
    const DWORD drain = kDrainMilliseconds;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&drain), sizeof drain);
    while (recv(connection, buffer, sizeof buffer, 0) > 0) {
    }
  }
  closesocket(connection);
}

}  // namespace lz::test
