// The test HTTP server: one listening socket, one thread per connection.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/http_test_server.h"

#include <cstdio>

namespace {

std::string NormalisePath(const std::string& raw) {
  std::string path;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '%' && i + 2 < raw.size()) {
      c = static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
      i += 2;
    }
    path += c == '\\' ? '/' : c;
  }
  while (!path.empty() && path[0] == '/') path.erase(0, 1);
  return path;
}

bool SendAll(SOCKET s, const char* data, size_t size) {
  while (size > 0) {
    int sent = send(s, data, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

// Holds a stalled connection open, sending nothing, until the client closes it.
void THttpTestServer::WaitForClientToClose(unsigned long long handle) {
  SOCKET connection = static_cast<SOCKET>(handle);
  char buffer[256];
  while (!stopping_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval wait{0, 100000};
    int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready < 0) return;
    if (ready > 0 && recv(connection, buffer, sizeof buffer, 0) <= 0) return;
  }
}

THttpTestServer::THttpTestServer() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
  for (int attempt = 0; attempt < 64 && !listening(); ++attempt) {
    DWORD n = seed + static_cast<DWORD>(attempt) * 40503u;
    char address[32];
    std::snprintf(address, sizeof address, "127.%lu.%lu.%lu", 1 + n % 250, 1 + (n / 250) % 250, 2 + (n / 62500) % 250);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) break;
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(80);
    inet_pton(AF_INET, address, &where.sin_addr);
    if (bind(s, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 && listen(s, 8) == 0) {
      listener_ = s;
      host_ = address;
    } else {
      closesocket(s);
    }
  }
  if (listening()) acceptor_ = std::thread([this] { AcceptLoop(); });
}

THttpTestServer::~THttpTestServer() {
  stopping_ = true;
  if (listening()) closesocket(static_cast<SOCKET>(listener_));
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  WSACleanup();
}

void THttpTestServer::Serve(const std::string& path, const THttpReply& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[NormalisePath(path)] = reply;
}

std::vector<std::string> THttpTestServer::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void THttpTestServer::AcceptLoop() {
  while (!stopping_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(listener_), &readable);
    timeval wait{0, 100000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    SOCKET connection = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    workers_.emplace_back([this, connection] { Answer(connection); });
  }
}

void THttpTestServer::Answer(unsigned long long handle) {
  SOCKET connection = static_cast<SOCKET>(handle);
  std::string request;
  char buffer[2048];
  while (request.find("\r\n\r\n") == std::string::npos) {
    int got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<size_t>(got));
  }
  size_t start = request.find(' ');
  size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
  std::string path = end == std::string::npos ? "" : NormalisePath(request.substr(start + 1, end - start - 1));

  THttpReply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(path);
    auto found = replies_.find(path);
    if (found != replies_.end())
      reply = found->second;
    else
      reply = THttpReply{404, "not found"};
  }
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
  if (reply.sendLength) head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
  if (!reply.location.empty()) head += "Location: " + reply.location + "\r\n";
  head += "Connection: close\r\n\r\n";
  bool ok = SendAll(connection, head.data(), head.size());
  size_t bodyEnd = reply.dropAfter < reply.body.size() ? reply.dropAfter : reply.body.size();
  if (reply.stallAfter < bodyEnd) bodyEnd = reply.stallAfter;
  size_t step = reply.chunkSize ? reply.chunkSize : bodyEnd;
  for (size_t at = 0; ok && at < bodyEnd && !stopping_; at += step) {
    if (reply.chunkDelayMs) Sleep(static_cast<DWORD>(reply.chunkDelayMs));
    size_t size = bodyEnd - at < step ? bodyEnd - at : step;
    ok = SendAll(connection, reply.body.data() + at, size);
  }
  if (ok && reply.stallAfter != std::string::npos) WaitForClientToClose(connection);
  shutdown(connection, SD_BOTH);
  closesocket(connection);
}
