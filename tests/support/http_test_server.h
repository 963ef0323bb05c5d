// A small HTTP server for download tests: Winsock on a thread, port 80 of a loopback address
// of its own (127.x.y.z), answering each path with the reply the test set for it.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct THttpReply {
  int status = 200;
  std::string body;
  bool sendLength = true;           // a Content-Length header with the whole body's size
  size_t dropAfter = std::string::npos;  // close the connection after this many body bytes
  size_t chunkSize = 0;             // 0: the body at once; else in pieces ...
  int chunkDelayMs = 0;             // ... with this pause before each
  size_t stallAfter = std::string::npos;  // after this many body bytes send nothing more, and
                                          // keep the connection open until the client closes it
  std::string location = {};        // a Location header (for a 3xx status)
};

class THttpTestServer {
public:
  THttpTestServer();
  ~THttpTestServer();
  THttpTestServer(const THttpTestServer&) = delete;
  THttpTestServer& operator=(const THttpTestServer&) = delete;

  bool listening() const { return listener_ != ~0ull; }
  // The dotted address the server listens on (port 80).
  const std::string& host() const { return host_; }
  // Serves a path ("dir/file", '\' and '/' alike, no leading slash); other paths get 404.
  void Serve(const std::string& path, const THttpReply& reply);
  // The paths asked for so far, normalised as above.
  std::vector<std::string> Requests();

private:
  void AcceptLoop();
  void Answer(unsigned long long connection);
  void WaitForClientToClose(unsigned long long connection);

  unsigned long long listener_ = ~0ull;
  std::string host_;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::map<std::string, THttpReply> replies_;
  std::vector<std::string> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};
