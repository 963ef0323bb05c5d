// Downloads from a test server of our own: what counts as a complete file and what is thrown away.
#include "install/download.h"
#include "support/dialog_watcher.h"
#include "support/http_test_server.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <future>

namespace {

std::string Body(size_t size) {
  std::string body(size, '\0');
  for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class DownloadTest : public ::testing::Test {
protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    ASSERT_TRUE(server.listening()) << "no loopback address with port 80 free";
  }
  THttpTestServer server;
  TScratchDir dir{"dl"};
};

TEST_F(DownloadTest, WhatTheServerSendsDecidesTheOutcome) {
  struct Case {
    const char* what;
    THttpReply reply;
    bool complete;
  };
  const std::string body = Body(5000);
  const Case cases[] = {
      {"with Content-Length", {200, body, true}, true},
      {"without Content-Length", {200, body, false}, true},
      {"a short body in many pieces", {200, body, true, std::string::npos, 700, 5}, true},
      {"one byte", {200, "x", true}, true},
      {"404", {404, "no such file here", true}, false},
      {"500", {500, body, true}, false},
      {"dropped mid-body", {200, body, true, 2500}, false},
      {"empty body", {200, "", true}, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string name = "file" + std::to_string(n++) + ".bin";
    server.Serve("setup/" + name, c.reply);
    std::string local = dir.File(name);
    bool done = DownloadFile(nullptr, server.host().c_str(), name.c_str(), local.c_str(), "setup");
    EXPECT_EQ(done, c.complete) << c.what;
    if (c.complete)
      EXPECT_EQ(TScratchDir::Read(local), c.reply.body) << c.what;
    else
      EXPECT_FALSE(Exists(local)) << c.what;
    EXPECT_FALSE(Exists(local + ".download")) << c.what;
  }
  EXPECT_EQ(server.Requests().size(), n);
}

TEST_F(DownloadTest, ObjectNameWithoutSourceFolder) {
  server.Serve("plain.txt", {200, "plain", true});
  std::string local = dir.File("plain.txt");
  EXPECT_TRUE(DownloadFile(nullptr, server.host().c_str(), "plain.txt", local.c_str(), ""));
  EXPECT_EQ(TScratchDir::Read(local), "plain");
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"plain.txt"});
}

TEST_F(DownloadTest, AFailedDownloadLeavesAnOlderFileAlone) {
  std::string local = dir.Write("vorn.exe", "version one");
  server.Serve("vorn.exe", {200, Body(4000), true, 1000});
  EXPECT_FALSE(DownloadFile(nullptr, server.host().c_str(), "vorn.exe", local.c_str(), ""));
  EXPECT_EQ(TScratchDir::Read(local), "version one");

  SetFileAttributesA(local.c_str(), FILE_ATTRIBUTE_READONLY);
  server.Serve("vorn.exe", {200, "version two", true});
  EXPECT_TRUE(DownloadFile(nullptr, server.host().c_str(), "vorn.exe", local.c_str(), ""));
  EXPECT_EQ(TScratchDir::Read(local), "version two");
}

TEST_F(DownloadTest, AnUnreachableHostFails) {
  std::string local = dir.File("x.txt");
  // Nothing listens on this server's address once it is gone; use an address no test takes.
  EXPECT_FALSE(DownloadFile(nullptr, "127.255.255.254", "x.txt", local.c_str(), ""));
  EXPECT_FALSE(Exists(local));
}

TEST_F(DownloadTest, CancelStopsASlowDownloadAndDropsThePart) {
  server.Serve("slow.bin", {200, Body(200 * 1024), true, std::string::npos, 1024, 100});
  std::string local = dir.File("slow.bin");
  auto watcher = std::async(std::launch::async, [] {
    TWatchedDialog dialog = FindDialog(GetCurrentProcessId(), "Download Progress", 30000);
    if (!dialog.found) return dialog;
    // Let a few pieces arrive so the counters have moved, then read them and cancel.
    for (int i = 0; i < 50; ++i) {
      char bytes[128] = "";
      GetDlgItemTextA(dialog.window, 1080, bytes, sizeof bytes);
      if (std::string(bytes).find("Read 3") == 0) break;
      Sleep(100);
    }
    dialog.text = ReadStaticTexts(dialog.window);
    dialog.pressed = PressDialogButton(dialog.window, IDCANCEL);
    return dialog;
  });
  DWORD start = GetTickCount();
  bool done = DownloadFile(nullptr, server.host().c_str(), "slow.bin", local.c_str(), "");
  TWatchedDialog dialog = watcher.get();
  EXPECT_FALSE(done);
  ASSERT_TRUE(dialog.found);
  EXPECT_TRUE(dialog.pressed);
  EXPECT_NE(dialog.text.find("out of 204800."), std::string::npos) << dialog.text;
  EXPECT_NE(dialog.text.find("Copying file slow.bin\nfrom server " + server.host()), std::string::npos)
      << dialog.text;
  EXPECT_LT(GetTickCount() - start, 15000u);
  EXPECT_FALSE(Exists(local));
  EXPECT_FALSE(Exists(local + ".download"));
}

// A server that sends its headers and the first 100 bytes, then nothing while it keeps
// the connection open.
THttpReply Stalling(const std::string& body) { return {200, body, true, std::string::npos, 0, 0, 100}; }

TEST_F(DownloadTest, AStalledDownloadFailsAfterTheStallLimit) {
  server.Serve("stall.bin", Stalling(Body(5000)));
  std::string local = dir.File("stall.bin");
  SetDownloadStallLimit(2000);
  DWORD start = GetTickCount();
  bool done = DownloadFile(nullptr, server.host().c_str(), "stall.bin", local.c_str(), "");
  DWORD took = GetTickCount() - start;
  SetDownloadStallLimit(0);
  EXPECT_FALSE(done);
  EXPECT_GE(took, 1900u);
  EXPECT_LT(took, 8000u);
  EXPECT_FALSE(Exists(local));
  EXPECT_FALSE(Exists(local + ".download"));
}

TEST_F(DownloadTest, CancelTakesEffectWhileAReadWaits) {
  server.Serve("stall.bin", Stalling(Body(5000)));
  std::string local = dir.File("stall.bin");
  std::atomic<DWORD> pressedAt{0}, stoppedAt{0};
  std::atomic<bool> partWhileWaiting{false};
  const std::string part = local + ".download";
  auto watcher = std::async(std::launch::async, [&pressedAt, &stoppedAt, &partWhileWaiting, &part] {
    TWatchedDialog dialog = FindDialog(GetCurrentProcessId(), "Download Progress", 30000);
    if (!dialog.found) return dialog;
    // The first 100 bytes have come; the next read waits for ever.
    for (int i = 0; i < 100; ++i) {
      char bytes[128] = "";
      GetDlgItemTextA(dialog.window, 1080, bytes, sizeof bytes);
      if (std::string(bytes).find("Read 100 bytes") == 0) break;
      Sleep(50);
    }
    dialog.text = ReadStaticTexts(dialog.window);
    partWhileWaiting = Exists(part);
    Sleep(500);
    pressedAt = GetTickCount();
    dialog.pressed = PressDialogButton(dialog.window, IDCANCEL);
    // The transfer has stopped when its part file is gone (the dialog goes after that).
    for (int i = 0; i < 300 && Exists(part); ++i) Sleep(10);
    if (!Exists(part)) stoppedAt = GetTickCount();
    return dialog;
  });
  bool done = DownloadFile(nullptr, server.host().c_str(), "stall.bin", local.c_str(), "");
  DWORD endedAt = GetTickCount();
  TWatchedDialog dialog = watcher.get();
  EXPECT_FALSE(done);
  ASSERT_TRUE(dialog.found);
  EXPECT_TRUE(dialog.pressed);
  EXPECT_NE(dialog.text.find("Read 100 bytes out of 5000."), std::string::npos) << dialog.text;
  EXPECT_TRUE(partWhileWaiting);
  ASSERT_NE(pressedAt.load(), 0u);
  ASSERT_NE(stoppedAt.load(), 0u);
  EXPECT_LT(stoppedAt - pressedAt, 2000u);
  // Wine takes a while to take down the dialog with its animation.
  EXPECT_LT(endedAt - pressedAt, 6000u);
  EXPECT_FALSE(Exists(local));
  EXPECT_FALSE(Exists(local + ".download"));
}

// Redirections are followed, to a path or an address of the same server, up to five in
// a row; a sixth, or a redirection to itself, fails after that many requests.
TEST_F(DownloadTest, RedirectionsAreFollowedUpToTheirLimit) {
  const std::string body = Body(3000);
  server.Serve("real.bin", {200, body, true});
  server.Serve("moved.bin", {302, "", true, std::string::npos, 0, 0, std::string::npos, "/real.bin"});
  server.Serve("absolute.bin",
               {301, "", true, std::string::npos, 0, 0, std::string::npos, "http://" + server.host() + "/real.bin"});
  server.Serve("loop.bin", {302, "", true, std::string::npos, 0, 0, std::string::npos, "/loop.bin"});
  // A chain: hop5 -> hop4 -> ... -> hop1 -> real.bin (five redirections), hop6 one more.
  for (int hop = 1; hop <= 6; ++hop)
    server.Serve("hop" + std::to_string(hop) + ".bin",
                 {302, "", true, std::string::npos, 0, 0, std::string::npos,
                  hop == 1 ? "/real.bin" : "/hop" + std::to_string(hop - 1) + ".bin"});
  struct Case {
    const char* name;
    bool complete;
    size_t requests;
  };
  const Case cases[] = {
      {"moved.bin", true, 2}, {"absolute.bin", true, 2}, {"hop5.bin", true, 6},
      {"hop6.bin", false, 6}, {"loop.bin", false, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    size_t before = server.Requests().size();
    std::string local = dir.File(c.name);
    EXPECT_EQ(DownloadFile(nullptr, server.host().c_str(), c.name, local.c_str(), ""), c.complete);
    EXPECT_EQ(server.Requests().size() - before, c.requests);
    if (c.complete)
      EXPECT_EQ(TScratchDir::Read(local), body);
    else
      EXPECT_FALSE(Exists(local));
    EXPECT_FALSE(Exists(local + ".download"));
  }
}

}  // namespace
