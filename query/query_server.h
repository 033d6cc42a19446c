// The query channel's serving thread: velkoro-find's requests read from the
// request FIFO, answered from the database on reply FIFOs of the clients'
// own. Opened once the database is loaded or built, closed by ShutDown on
// every way out; its FIFO and drives file go with it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "memory_db.h"
#include "query_answer.h"
#include "query_request.h"
#include "thread.h"

class TQueryServer : public TThread {
 public:
  // Brings up the search window, searching for Pattern (code page 1252)
  // when it is not empty; true when the window came up. Called on the
  // query thread.
  using TShowWindow = std::function<bool(const std::string& pattern)>;

  // The channel of this prefix, serving at once; nil when it cannot be set
  // up (no Wine underneath, no velkoro-find-channel, a folder that is not
  // private): the program then runs without it.
  static std::unique_ptr<TQueryServer> Open(TMemoryDB& database, TShowWindow showWindow);
  ~TQueryServer() override;

  // Wakes the thread with a request of the program's own, waits a bounded
  // time for it to end, and removes the FIFO and the drives file. False
  // when the thread did not end in time: it may still be in a search, and
  // the database must then outlive it.
  bool Stop();

 protected:
  void Execute() override;

 private:
  TQueryServer(TMemoryDB& database, TShowWindow showWindow, std::string folder, HANDLE requests,
               uint64_t token);
  void Serve(const TQueryRequest& request);
  // The two kinds of request, answered on Reply (which Answer may replace
  // by a write-only handle). Empty when answered, else what to tell the
  // client.
  std::string Answer(const TQueryRequest& request, HANDLE& reply, const std::wstring& path);
  std::string ShowWindow(const TQueryRequest& request, HANDLE reply);
  // A fresh reading handle on the request FIFO after a failed read.
  bool ReopenRequests();
  void RemoveChannel();

  TMemoryDB& database_;
  const TShowWindow showWindow_;
  const std::string folder_;
  HANDLE requests_;
  const uint64_t stopToken_;
  TQueryAnswerer answerer_;
  std::atomic<bool> removed_{false};
};
